// Reads an address book from the fuzz input and checks what the reader and writer promise:
// every byte of the input is kept (in a card or between cards), and what is written reads
// back to cards of the same meaning. Each card is written in one of the three ways the
// program writes cards, chosen by the input's length and the card's position: unchanged (its
// original bytes), every line formatted by the writer, or changed in part (every second
// property formatted, the others keeping their bytes, as when one number is edited).
#include "FuzzCheck.h"
#include "compose/CVCardReader.h"
#include "compose/CVCardWriter.h"
#include "log/LogManager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Print(const char* what, const CVCardProperty& p) {
    std::fprintf(stderr, "%s group=[%s] name=[%s] value=[%s] params:", what, p.group.c_str(),
                 p.name.c_str(), p.value.c_str());
    for (const CVCardParam& param : p.params) {
        std::fprintf(stderr, " %s=[%s]", param.name.c_str(), param.value.c_str());
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

// True when `text` continues at `pos` with `part`; moves `pos` past it.
bool Continues(std::string_view text, std::size_t& pos, std::string_view part) {
    if (text.substr(pos, part.size()) != part) {
        return false;
    }
    pos += part.size();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        CLogManager::Instance().SetMinimumSeverity(LogSeverity::Off);
        return true;
    }();
    (void)quiet;
    const std::string_view text = fuzz::Bytes(data, size);

    std::vector<CVCard> cards;
    std::vector<CVCardReader::Damage> damage;
    std::vector<std::string> gaps;
    CVCardReader::Parse(text, cards, damage, &gaps);
    fuzz::Check(gaps.size() == cards.size() + 1, "one gap around every card");
    std::size_t pos = 0;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        fuzz::Check(Continues(text, pos, gaps[i]) && Continues(text, pos, cards[i].Raw()),
                    "the gaps and the cards give the input again");
    }
    fuzz::Check(Continues(text, pos, gaps.back()) && pos == text.size(),
                "the gaps and the cards give the input again");

    // Clearing the original bytes changes no card's meaning: the cards stay the reference.
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const std::size_t way = (size + i) % 3;
        if (way == 0) {
            continue;
        }
        std::vector<CVCardProperty>& properties = cards[i].MutableProperties();
        for (std::size_t k = way == 1 ? 0 : 1; k < properties.size(); k += way == 1 ? 1 : 2) {
            properties[k].raw.clear();
        }
    }
    const std::string written = CVCardWriter::Write(cards);
    std::vector<CVCard> again;
    std::vector<CVCardReader::Damage> againDamage;
    CVCardReader::Parse(written, again, againDamage);
    fuzz::Check(againDamage.empty(), "written cards read without damage");
    CheckSameCards(cards, again);
    fuzz::Check(CVCardWriter::Write(again) == written, "cards read unchanged write the same bytes");
    return 0;
}
