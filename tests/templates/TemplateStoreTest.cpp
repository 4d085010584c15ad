// The template store: operations, the file format byte for byte, atomic saves, files that
// cannot be opened or are damaged, and use from several threads.
#include "common/TestEnv.h"
#include "templates/CTemplateHandler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace {

CTemplateRecord Make(const std::string& name, const std::string& text, const std::string& index,
                     bool signature = false) {
    CTemplateRecord record;
    record.TemplateName = name;
    record.TemplateText = text;
    record.TemplateSignature = signature ? "YES" : "NO";
    record.TemplateIndex = index;
    return record;
}

std::string Text(const std::string& text) {
    return std::string(1, static_cast<char>(text.size())) + text;
}

TEST(TemplateStore, MissingFileIsCreatedEmpty) {
    const std::string folder = twtest::MakeTempDir("tpl") + "/TWD";
    CTemplateHandler store(folder);
    EXPECT_EQ(store.LoadTemplates(), 0);
    EXPECT_EQ(store.GetTemplateCount(), 0);
    EXPECT_TRUE(store.IsOpen());
    EXPECT_TRUE(std::filesystem::exists(folder + "/TemplateFile.dat"));
    EXPECT_EQ(std::filesystem::file_size(folder + "/TemplateFile.dat"), 0u);
    EXPECT_TRUE(store.GetFirstTemplate().IsEmpty());
}

TEST(TemplateStore, OperationsOnTheMap) {
    CTemplateHandler store(twtest::MakeTempDir("tpl"));
    store.AddTemplate("Hi", Make("Hi", "Hello", "0"));
    store.AddTemplate("Sig", Make("Sig", "-- Ann", "1", true));
    // Adding a name that exists replaces it; the count stays.
    store.ModifyTemplate("Hi", Make("Hi", "Hello again", "0"));
    EXPECT_EQ(store.GetTemplateCount(), 2);
    EXPECT_EQ(store.GetTemplate("Hi").TemplateText, "Hello again");
    EXPECT_TRUE(store.GetTemplate("hi").IsEmpty()); // names are exact
    EXPECT_EQ(store.GetTemplateByIndex("1").TemplateName, "Sig");
    EXPECT_TRUE(store.GetTemplateByIndex("3").IsEmpty());
    EXPECT_TRUE(store.GetTemplateByIndex(" 1").IsEmpty());

    // A walk skips a template removed while it runs.
    CTemplateRecord first = store.GetFirstTemplate();
    store.RemoveTemplate(first.TemplateName == "Hi" ? "Sig" : "Hi");
    EXPECT_TRUE(store.GetNextTemplate().IsEmpty());
    EXPECT_EQ(store.GetTemplateCount(), 1);
    store.RemoveTemplate("nothing");
    store.CloseTemplates();
    EXPECT_EQ(store.GetTemplateCount(), 0);
}

TEST(TemplateStore, TwoTemplatesByteForByte) {
    const std::string folder = twtest::MakeTempDir("tpl");
    CTemplateHandler store(folder);
    store.AddTemplate("Late", Make("Late", "Running late", "0"));
    store.AddTemplate("Sig", Make("Sig", "Ann", "1", true));
    store.SaveTemplates();
    const std::string expected = std::string("\x02\x00\x00\x00", 4) + Text("Late") + Text("Late") +
                                 Text("Running late") + std::string(1, '\0') + Text("NO") +
                                 Text("0") + Text("Sig") + Text("Sig") + Text("Ann") +
                                 std::string(1, '\0') + Text("YES") + Text("1");
    EXPECT_EQ(twtest::ReadFile(folder + "/TemplateFile.dat"), expected);
    EXPECT_EQ((std::filesystem::status(folder + "/TemplateFile.dat").permissions() &
               std::filesystem::perms::all),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // Another store reads the same set back; a second save gives the same bytes.
    CTemplateHandler other(folder);
    other.AddTemplate("Stale", Make("Stale", "x", "5"));
    other.LoadTemplates();
    EXPECT_EQ(other.GetTemplateCount(), 2);
    EXPECT_EQ(other.GetTemplate("Sig"), Make("Sig", "Ann", "1", true));
    EXPECT_EQ(other.GetTemplate("Late"), Make("Late", "Running late", "0"));
    other.SaveTemplates();
    EXPECT_EQ(twtest::ReadFile(folder + "/TemplateFile.dat"), expected);
}

TEST(TemplateStore, LongAndNonAsciiTextsRoundTrip) {
    const std::string folder = twtest::MakeTempDir("tpl");
    CTemplateHandler store(folder);
    CTemplateRecord record = Make("Gr\xC3\xBC\xC3\x9F"
                                  "e",
                                  std::string(300, 'x') + "\n\xE2\x82\xAC", "0");
    record.TemplateReserved = "kept";
    store.AddTemplate(record.TemplateName, record);
    store.SaveTemplates();
    CTemplateHandler other(folder);
    other.LoadTemplates();
    EXPECT_EQ(other.GetTemplate(record.TemplateName), record);
}

TEST(TemplateStore, DamagedFileKeepsWhatWasReadBeforeTheDamage) {
    const std::string folder = twtest::MakeTempDir("tpl");
    {
        CTemplateHandler store(folder);
        store.AddTemplate("A", Make("A", "first", "0"));
        store.AddTemplate("B", Make("B", "second", "1"));
        store.SaveTemplates();
    }
    const std::string whole = twtest::ReadFile(folder + "/TemplateFile.dat");
    // Cut inside the second entry: the first survives.
    twtest::WriteFile(folder + "/TemplateFile.dat", whole.substr(0, whole.size() - 4));
    CTemplateHandler store(folder);
    store.AddTemplate("Old", Make("Old", "replaced by the load", "9"));
    store.LoadTemplates();
    EXPECT_EQ(store.GetTemplateCount(), 1);
    EXPECT_EQ(store.GetTemplate("A").TemplateText, "first");
    EXPECT_EQ(twtest::ReadFile(folder + "/TemplateFile.dat.damaged"),
              whole.substr(0, whole.size() - 4));

    // A count far beyond the data, a negative count and a length prefix past the end.
    for (const std::string& bytes :
         {std::string("\xFF\xFF\xFF\x7F", 4), std::string("\xFF\xFF\xFF\xFF", 4),
          std::string("\x01\x00\x00\x00\xFF\xFF\xFF", 7), std::string("\x01\x00", 2)}) {
        twtest::WriteFile(folder + "/TemplateFile.dat", bytes);
        CTemplateHandler damaged(folder);
        damaged.LoadTemplates();
        EXPECT_EQ(damaged.GetTemplateCount(), 0);
    }
}

TEST(TemplateStore, FileThatCannotBeOpenedLeavesTheMap) {
    const std::string root = twtest::MakeTempDir("tpl");
    // The data folder is a plain file: nothing below it can be created.
    twtest::WriteFile(root + "/TWD", "not a folder");
    CTemplateHandler store(root + "/TWD");
    store.AddTemplate("Keep", Make("Keep", "me", "0"));
    store.LoadTemplates();
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(store.GetTemplateCount(), 1);
    store.SaveTemplates();
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(twtest::ReadFile(root + "/TWD"), "not a folder");

    // A save that fails keeps the old file whole.
    const std::string folder = twtest::MakeTempDir("tpl");
    CTemplateHandler good(folder);
    good.AddTemplate("A", Make("A", "a", "0"));
    good.SaveTemplates();
    const std::string before = twtest::ReadFile(folder + "/TemplateFile.dat");
    ::chmod(folder.c_str(), 0500);
    good.AddTemplate("B", Make("B", "b", "1"));
    good.SaveTemplates();
    ::chmod(folder.c_str(), 0700);
    if (::geteuid() != 0) {
        EXPECT_EQ(twtest::ReadFile(folder + "/TemplateFile.dat"), before);
    }
}

TEST(TemplateStore, ReadOnlyCopyBesideTheProgramStops) {
    const std::string program = twtest::MakeTempDir("prog");
    twtest::WriteFile(program + "/TemplateFile.dat", "");
    ::chmod((program + "/TemplateFile.dat").c_str(), 0444);
    int denied = 0;
    CTemplateHandler store(twtest::MakeTempDir("tpl"), program, [&] { ++denied; });
    store.LoadTemplates();
    EXPECT_EQ(denied, 1);
    EXPECT_FALSE(store.IsOpen());
    ::chmod((program + "/TemplateFile.dat").c_str(), 0644);
    store.LoadTemplates();
    EXPECT_EQ(denied, 1);
    EXPECT_TRUE(store.IsOpen());
}

TEST(TemplateStore, SeveralThreadsShareTheStore) {
    const std::string folder = twtest::MakeTempDir("tpl");
    CTemplateHandler store(folder);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                auto lock = store.Lock();
                store.LoadTemplates();
                const std::string name = "T" + std::to_string(t);
                store.AddTemplate(name, Make(name, std::to_string(i), std::to_string(t)));
                store.SaveTemplates();
                store.GetFirstTemplate();
                while (!store.GetNextTemplate().IsEmpty()) {
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    CTemplateHandler check(folder);
    check.LoadTemplates();
    ASSERT_EQ(check.GetTemplateCount(), 4);
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(check.GetTemplate("T" + std::to_string(t)).TemplateText, "9");
    }
}

} // namespace

namespace {

TEST(TemplateStore, ParsesAnyBufferInMemory) {
    CTemplateHandler store(twtest::MakeTempDir("tpl"));
    CTemplateRecord a = Make("A", "first", "0");
    const std::string whole = CTemplateHandler::Serialize({{"A", a}, {"B", Make("B", "b", "1")}});
    EXPECT_TRUE(store.LoadTemplatesFrom(whole));
    EXPECT_EQ(store.GetTemplateCount(), 2);
    // Every cut of the data keeps what came before the cut and never reads past it.
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const std::string cut = whole.substr(0, size);
        EXPECT_FALSE(store.LoadTemplatesFrom(cut)) << size;
        EXPECT_LE(store.GetTemplateCount(), 1) << size;
    }
    EXPECT_FALSE(store.LoadTemplatesFrom(whole.substr(0, whole.size() - 1)));
    EXPECT_EQ(store.GetTemplate("A"), a);
}

} // namespace
