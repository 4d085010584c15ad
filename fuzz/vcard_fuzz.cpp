// Reads an address book from the fuzz input and checks what the reader and writer promise:
// every byte of the input is kept (in a card or between cards); unchanged cards written and
// read again mean the same; cards whose every line the writer formats itself read back the
// same too.
#include "FuzzCheck.h"
#include "compose/CVCardReader.h"
#include "compose/CVCardWriter.h"
#include "log/LogManager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void Print(const char* what, const CVCardProperty& p) {
    std::fprintf(stderr, "%s group=[%s] name=[%s] value=[%s] params:", what, p.group.c_str(),
                 p.name.c_str(), p.value.c_str());
    for (const CVCardParam& param : p.params) {
        std::fprintf(stderr, " %s=", param.name.c_str());
        for (const std::string& v : param.values) {
            std::fprintf(stderr, "[%s]", v.c_str());
        }
    }
    std::fprintf(stderr, "\n");
}

// On a difference, tells which card and property differ before failing.
void CheckSameCards(const std::vector<CVCard>& a, const std::vector<CVCard>& b) {
    if (a.size() != b.size()) {
        std::fprintf(stderr, "%zu cards became %zu\n", a.size(), b.size());
        std::abort();
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].SameMeaning(b[i])) {
            continue;
        }
        std::fprintf(stderr, "card %zu: version [%s] / [%s], %zu / %zu properties\n", i,
                     a[i].Version().c_str(), b[i].Version().c_str(), a[i].Properties().size(),
                     b[i].Properties().size());
        const auto& pa = a[i].Properties();
        const auto& pb = b[i].Properties();
        for (std::size_t k = 0; k < pa.size() && k < pb.size(); ++k) {
            if (!pa[k].SameMeaning(pb[k])) {
                Print("before", pa[k]);
                Print("after ", pb[k]);
                break;
            }
        }
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        CLogManager::Instance().SetMinimumSeverity(LogSeverity::Off);
        return true;
    }();
    (void)quiet;
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<CVCard> cards;
    std::vector<CVCardReader::Damage> damage;
    std::vector<std::string> gaps;
    CVCardReader::Parse(text, cards, damage, &gaps);
    Check(gaps.size() == cards.size() + 1);
    std::string reassembled;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        reassembled += gaps[i] + cards[i].Raw();
    }
    reassembled += gaps.back();
    Check(reassembled == text);

    // Unchanged cards: written as read, read again the same.
    const std::string written = CVCardWriter::Write(cards);
    std::vector<CVCard> again;
    std::vector<CVCardReader::Damage> againDamage;
    CVCardReader::Parse(written, again, againDamage);
    Check(againDamage.empty());
    CheckSameCards(cards, again);
    Check(CVCardWriter::Write(again) == written);

    // Every line formatted by the writer.
    std::vector<CVCard> formatted = cards;
    for (CVCard& card : formatted) {
        for (CVCardProperty& property : card.MutableProperties()) {
            property.raw.clear();
        }
    }
    const std::string rewritten = CVCardWriter::Write(formatted);
    std::vector<CVCard> reread;
    std::vector<CVCardReader::Damage> rereadDamage;
    CVCardReader::Parse(rewritten, reread, rereadDamage);
    Check(rereadDamage.empty());
    CheckSameCards(cards, reread);
    return 0;
}
