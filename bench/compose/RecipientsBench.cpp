// Address book and recipients-field speed: reading and validating an address book of 5,000
// contacts and 200 groups (target: at most 150 ms), and recomputing the suggestions for one
// keystroke among 5,000 known entries (target: at most 2 ms).
#include "common/FakeCountryCodes.h"
#include "compose/CDllHandler.h"
#include "compose/CKnownEntries.h"
#include "compose/CRecipientFieldText.h"
#include "compose/CRecipientResolver.h"
#include "compose/CRememberedEntries.h"
#include "compose/CWABManager.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr int kContacts = 5000;
constexpr int kGroups = 200;

const char* const kGiven[] = {"Anna", "Ben",  "Clara", "David",  "Emma",  "Felix", "Greta",
                              "Hans", "Ida",  "Jonas", "Katrin", "Lukas", "Marie", "Noah",
                              "Olga", "Paul", "Rita",  "Stefan", "Tina",  "Ulrich"};
const char* const kFamily[] = {"M\xc3\xbcller",
                               "Schmidt",
                               "Schneider",
                               "Fischer",
                               "Weber",
                               "Meyer",
                               "Wagner",
                               "Becker",
                               "Schulz",
                               "Hoffmann",
                               "Koch",
                               "Richter",
                               "Klein",
                               "Wolf",
                               "Schr\xc3\xb6"
                               "der",
                               "Neumann"};

std::string Uid(const char* kind, int n) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s-%08d-0000-4000-8000-000000000000", kind, n);
    return buffer;
}

// A vCard 3.0 book: contacts with a mobile and a home number, a note and a folded photo
// line, one in fifty without a mobile; groups of 25 members, every tenth group holding two
// other groups as well.
std::string MakeBook() {
    std::mt19937 random(42);
    std::string text;
    text.reserve(kContacts * 400);
    for (int i = 0; i < kContacts; ++i) {
        const std::string given = kGiven[i % 20];
        const std::string family = kFamily[(i / 20) % 16];
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        text += "N:" + family + ";" + given + ";;;\r\n";
        text += "FN:" + given + " " + family + " " + std::to_string(i) + "\r\n";
        if (i % 50 != 0) {
            text += "TEL;TYPE=CELL:01" + std::to_string(51 + i % 30) + " " +
                    std::to_string(1000000 + static_cast<int>(random() % 9000000)) + "\r\n";
        }
        text += "TEL;TYPE=HOME,VOICE:030 " + std::to_string(2000000 + i) + "\r\n";
        text += "EMAIL;TYPE=INTERNET:person" + std::to_string(i) + "@example.org\r\n";
        text += "NOTE:Met at the conference\\, table " + std::to_string(i % 40) + "\r\n";
        text +=
            "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDB\r\n"
            " QNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcpLDAxNDQ0Hyc5PTgyPC4zNDL/2wBDAQkJCQ\r\n";
        text += "UID:" + Uid("c", i) + "\r\nEND:VCARD\r\n";
    }
    for (int g = 0; g < kGroups; ++g) {
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Group " + std::to_string(g) + ";;;;\r\n";
        text += "FN:Group " + std::to_string(g) + "\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n";
        for (int m = 0; m < 25; ++m) {
            text += "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" +
                    Uid("c", static_cast<int>(random() % kContacts)) + "\r\n";
        }
        if (g % 10 == 0 && g + 2 < kGroups) {
            text += "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + Uid("g", g + 1) + "\r\n";
            text += "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + Uid("g", g + 2) + "\r\n";
        }
        text += "UID:" + Uid("g", g) + "\r\nEND:VCARD\r\n";
    }
    return text;
}

const std::string& BookPath() {
    static const std::string path = [] {
        const std::string folder =
            platform::TempFolder() + "/tw-compose-bench-" + std::to_string(::getpid());
        platform::CreateFolder(folder);
        const std::string file = folder + "/contacts.vcf";
        std::ofstream(file, std::ios::binary) << MakeBook();
        return file;
    }();
    return path;
}

std::string FakeConversion(const std::string& text) {
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
        } else if (c != ' ') {
            return {};
        }
    }
    return digits.size() > 5 && digits[0] == '0' ? "+49" + digits.substr(1) : std::string();
}

// Every iteration reads the book again; the manager remembers conversions between
// validations, so after the first iteration only new numbers go to the converter. The first
// validation (the program's first compose dialog) is measured on its own below.
void LoadAndValidate(benchmark::State& state, const ICountryCodes& converter) {
    CWABManager wab;
    wab.SetNumberConverter(&converter);
    wab.Initialize(BookPath());
    int count = 0;
    for (auto _ : state) {
        wab.LoadContacts();
        wab.ValidateWAB(count);
        benchmark::DoNotOptimize(count);
    }
    state.counters["records"] = static_cast<double>(wab.Records().size());
    state.counters["recipients"] = count;
}

// Reading the file, parsing every card and validating with a converter that costs nothing:
// the address book's own share.
void BM_LoadAndValidateAddressBook(benchmark::State& state) {
    twtest::FakeCountryCodes converter;
    converter.convert = FakeConversion;
    LoadAndValidate(state, converter);
}
BENCHMARK(BM_LoadAndValidateAddressBook)->Unit(benchmark::kMillisecond);

// The same with the country-code library the program ships (libphonenumber), when it is
// built beside the benchmark.
void BM_LoadAndValidateWithCountryCodes(benchmark::State& state) {
    // The library keeps the home country in the settings: a private hive with Germany, the
    // country of the book's numbers.
    const std::string config =
        platform::TempFolder() + "/tw-compose-bench-config-" + std::to_string(::getpid());
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string root = "Software\\Quorvane\\Tidewell Windows\\2.0";
    platform::RegKey key;
    if (!key.Create(platform::RegRoot::CurrentUser, root) || !key.SetString("HomeCountry", "DE")) {
        state.SkipWithError("no settings hive");
        return;
    }
    CDllHandler library(platform::ProgramFolder());
    if (!library.Load() || library.Init(root) != 0) {
        state.SkipWithError("country-code library not available");
        return;
    }
    library.RefreshHomeCountry();
    LoadAndValidate(state, library);
    std::filesystem::remove_all(config);
}
BENCHMARK(BM_LoadAndValidateWithCountryCodes)->Unit(benchmark::kMillisecond);

// The first validation with the shipped library: every number converted once.
void BM_FirstValidationWithCountryCodes(benchmark::State& state) {
    const std::string config =
        platform::TempFolder() + "/tw-compose-bench-first-" + std::to_string(::getpid());
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const std::string root = "Software\\Quorvane\\Tidewell Windows\\2.0";
    platform::RegKey key;
    CDllHandler library(platform::ProgramFolder());
    if (!key.Create(platform::RegRoot::CurrentUser, root) || !key.SetString("HomeCountry", "DE") ||
        !library.Load() || library.Init(root) != 0) {
        state.SkipWithError("country-code library not available");
        return;
    }
    library.RefreshHomeCountry();
    int count = 0;
    for (auto _ : state) {
        CWABManager wab; // a fresh manager remembers no conversion
        wab.SetNumberConverter(&library);
        wab.Initialize(BookPath());
        wab.ValidateWAB(count);
    }
    state.counters["recipients"] = count;
    std::filesystem::remove_all(config);
}
BENCHMARK(BM_FirstValidationWithCountryCodes)->Unit(benchmark::kMillisecond);

// A compose dialog opening: reload, validate and build the known entries.
void BM_FillKnownEntries(benchmark::State& state) {
    twtest::FakeCountryCodes converter;
    converter.convert = FakeConversion;
    CWABManager wab;
    wab.SetNumberConverter(&converter);
    wab.Initialize(BookPath());
    CRememberedEntries remembered;
    for (int i = 0; i < 200; ++i) {
        remembered.Add("0170 " + std::to_string(5550000 + i));
    }
    CRecipientResolver resolver(wab, remembered, &converter);
    for (auto _ : state) {
        resolver.FillKnownEntries();
        benchmark::DoNotOptimize(resolver.KnownEntries().Size());
    }
}
BENCHMARK(BM_FillKnownEntries)->Unit(benchmark::kMillisecond);

// One keystroke: the prefix from the field's text, the candidates among 5,000 known entries.
// The entries' sorted index is built once (when the first suggestion is asked for) and kept.
void BM_SuggestionsForOneKeystroke(benchmark::State& state) {
    CKnownEntries known;
    for (int i = 0; i < kContacts; ++i) {
        known.Add({std::string(kGiven[i % 20]) + " " + kFamily[(i / 20) % 16] + " " +
                       std::to_string(i) + " (+4915" + std::to_string(10000000 + i) + ")",
                   EntryKind::Contact, true, "c" + std::to_string(i)});
    }
    known.Suggestions("warm-up");
    const std::u16string typed = u"Anna Becker; 0170 1; ma";
    std::size_t candidates = 0;
    for (auto _ : state) {
        const std::u16string_view prefix =
            CRecipientFieldText::SuggestionPrefix(typed, typed.size());
        const auto list = known.Suggestions(CRecipientFieldText::ToUtf8(prefix));
        candidates = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["candidates"] = static_cast<double>(candidates);
}
BENCHMARK(BM_SuggestionsForOneKeystroke)->Unit(benchmark::kMicrosecond);

// The worst keystroke: the first letter of a common name, after an entry was added (so the
// sorted index is rebuilt).
void BM_SuggestionsAfterAnEntryWasAdded(benchmark::State& state) {
    CKnownEntries known;
    for (int i = 0; i < kContacts; ++i) {
        known.Add(
            {std::string(kGiven[i % 20]) + " " + kFamily[(i / 20) % 16] + " " + std::to_string(i),
             EntryKind::Contact,
             true,
             {}});
    }
    int n = 0;
    for (auto _ : state) {
        known.Add({"0170 " + std::to_string(n++), EntryKind::Typed, true, {}});
        const auto list = known.Suggestions("a");
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_SuggestionsAfterAnEntryWasAdded)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
