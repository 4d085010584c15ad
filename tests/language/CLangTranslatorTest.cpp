#include "language/CLangTranslator.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++count;
    return count;
}

class TranslatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = twtest::MakeTempDir("lang");
        logPath = dir + "/language.log";
    }
    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = dir + "/" + name;
        twtest::WriteFile(path, content);
        return path;
    }
    std::string dir;
    std::string logPath;
    CLangEdition windows{"Tidewell Windows", "2.0.353", false};
};

TEST_F(TranslatorTest, EntryLinesFoldKeyCaseAndTrimAroundTheEqualsSign) {
    CLangTranslator translator(windows, logPath);
    ASSERT_TRUE(translator.ParseFile(Write("twd.lang", "  NewMessage.BtnSend  =  Send now\r\n")));
    EXPECT_EQ(translator.Translate("newmessage.btnsend", "x"), "Send now");
    EXPECT_EQ(translator.Translate("NEWMESSAGE.BTNSEND", "x"), "Send now");

    // The same entry written in lower case without blanks is the same key: reported as a
    // duplicate, the later value wins.
    CLangTranslator second(windows, dir + "/second.log");
    ASSERT_TRUE(second.ParseFile(
        Write("dup.lang", "NewMessage.btnSend = First\nnewmessage.btnsend=Second\n")));
    EXPECT_EQ(second.EntryCount(), 1u);
    EXPECT_EQ(second.Translate("NewMessage.btnSend", "x"), "Second");
    const std::string log = twtest::ReadFile(dir + "/second.log");
    EXPECT_NE(log.find("Error: Duplicate entry found for \"newmessage.btnsend\" in: "
                       "\"dup.lang\"\n\tPrevious entry translation:  \"First\"\n\tDuplicate "
                       "entry translation: \"Second\""),
              std::string::npos)
        << log;
}

TEST_F(TranslatorTest, InvalidCommentSectionAndBlankLinesAreSkipped) {
    CLangTranslator translator(windows, logPath);
    const std::string path = Write("twd.lang", "# @client=Tidewell\n"
                                               "   # indented comment=not an entry\n"
                                               "[Section=ignored]\n"
                                               "\n"
                                               "   \t\n"
                                               "=starts with equals\n"
                                               "no equals sign here\n"
                                               "A.Key=a=b=c\n");
    ASSERT_TRUE(translator.ParseFile(path));
    EXPECT_EQ(translator.EntryCount(), 1u);
    EXPECT_EQ(translator.Translate("a.key", "x"), "a=b=c");

    const std::string log = twtest::ReadFile(logPath);
    EXPECT_NE(log.find("Warning: found an invalid line in file: twd.lang\nLine:=starts with "
                       "equals\n"),
              std::string::npos);
    EXPECT_NE(log.find("Warning: found an invalid line in file: twd.lang\nLine:no equals sign "
                       "here\n"),
              std::string::npos);
    EXPECT_EQ(Count(log, "invalid line"), 2u);
    EXPECT_NE(log.find("\n******* Started parsing file \"" + path +
                       "\" ******************************************\n\n"),
              std::string::npos);
    EXPECT_NE(log.find("\n******* Finished parsing file \"" + path +
                       "\" ******************************************\n\n"),
              std::string::npos);
}

TEST_F(TranslatorTest, EmptyValueIsStoredReportedAndBeatsTheDefault) {
    CLangTranslator translator(windows, logPath);
    ASSERT_TRUE(translator.ParseFile(Write("twd.lang", "Empty.Key=   \n")));
    EXPECT_EQ(translator.Translate("Empty.Key", "caller default"), "");
    EXPECT_NE(twtest::ReadFile(logPath).find(
                  "Warning: empty translation for \"empty.key\" in file: twd.lang\n"),
              std::string::npos);
}

TEST_F(TranslatorTest, LaterFileOverridesWithMessage) {
    CLangTranslator translator(windows, logPath);
    ASSERT_TRUE(translator.ParseFile(Write("twd.lang", "Key.One=base\n")));
    ASSERT_TRUE(translator.ParseFile(Write("twdcompany.lang", "KEY.ONE=company\n")));
    EXPECT_EQ(translator.Translate("Key.One", "x"), "company");
    EXPECT_NE(twtest::ReadFile(logPath).find(
                  "Overriding translation for \"key.one\". Previously defined in: "
                  "\"twd.lang\"\n\tPrevious translation: \"base\"\n\tNew translation: "
                  "\"company\"\n"),
              std::string::npos);
}

TEST_F(TranslatorTest, MissingFileIsLoggedAndContributesNothing) {
    CLangTranslator translator(windows, logPath);
    const std::string path = dir + "/absent.lang";
    EXPECT_FALSE(translator.ParseFile(path));
    EXPECT_EQ(translator.EntryCount(), 0u);
    const std::string log = twtest::ReadFile(logPath);
    EXPECT_NE(log.find("Error: could not open file: " + path + "\n"), std::string::npos);
    EXPECT_EQ(log.find("Finished parsing"), std::string::npos);

    // A folder of that name is no file either.
    EXPECT_FALSE(translator.ParseFile(dir));
    EXPECT_NE(twtest::ReadFile(logPath).find("Error: could not open file: " + dir + "\n"),
              std::string::npos);
}

TEST_F(TranslatorTest, UnknownKeyLogsWarningWithNewlineTokenAndReturnsDefault) {
    CLangTranslator translator(windows, logPath);
    EXPECT_EQ(translator.Translate("Some.Key", "line one\nline two"), "line one\nline two");
    EXPECT_EQ(translator.Translate("Other.Key", "a<newline>b"), "a\nb");
    EXPECT_EQ(translator.Translate("No.Default", nullptr), "");
    const std::string log = twtest::ReadFile(logPath);
    EXPECT_NE(log.find("Runtime warning: token not recognized: \"Some.Key\", using hardcoded "
                       "default: \"line one<newline>line two\"\n"),
              std::string::npos);
    EXPECT_NE(log.find("Runtime error: token not recognized: \"No.Default\", no hardcoded "
                       "default value supplied\n"),
              std::string::npos);
}

TEST_F(TranslatorTest, TokensAreReplaced) {
    CLangTranslator translator(windows, logPath);
    EXPECT_EQ(translator.Translate("About.txtDialogName", "About <appname>"),
              "About Tidewell Windows");
    EXPECT_EQ(translator.Translate("About.lblVersion", "Version: <version>"), "Version: 2.0.353");

    ASSERT_TRUE(translator.ParseFile(Write("twd.lang", "TWD.AppName=Acme SMS\n"
                                                       "Two.Lines=one<newline>two\n")));
    EXPECT_EQ(translator.Translate("About.txtDialogName", "About <appname>"), "About Acme SMS");
    EXPECT_EQ(translator.Translate("Two.Lines", "x"), "one\ntwo");
}

TEST_F(TranslatorTest, AppNameThatContainsItselfEndsTheReplacement) {
    CLangTranslator translator(windows, logPath);
    ASSERT_TRUE(translator.ParseFile(Write("twd.lang", "TWD.AppName=<appname> <appname> Pro\n")));
    EXPECT_EQ(translator.Translate("Title", "<appname>!"),
              "Tidewell Windows Tidewell Windows Pro!");
    EXPECT_EQ(translator.Translate("TWD.AppName", "x"), "Tidewell Windows Tidewell Windows Pro");
}

TEST_F(TranslatorTest, OutlookExpressEditionUsesTheHookLibraryVersion) {
    CLangEdition edition("Tidewell Outlook Express", "2.0.353", true);
    CLangTranslator translator(edition, logPath);
    // Until the hook library answered, the program version stands in.
    EXPECT_EQ(translator.Translate("V", "<version>"), "2.0.353");
    translator.SetHookVersion("2.0.17 Hook build");
    EXPECT_EQ(translator.Translate("V", "<version>"), "2.0.17 Hook build");
    EXPECT_EQ(translator.Translate("A", "<appname>"), "Tidewell Outlook Express");
}

TEST_F(TranslatorTest, LogHasBannersAndOneLinePerMessage) {
    {
        CLangTranslator translator(windows, logPath);
        translator.Log("first message");
    }
    const std::vector<std::string> lines = Lines(twtest::ReadFile(logPath));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("***************** LOGSESSION STARTED  ", 0), 0u);
    EXPECT_NE(lines[0].find(" : "), std::string::npos);
    EXPECT_EQ(lines[1], "first message");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3].rfind("***************** LOGSESSION ENDED  ", 0), 0u);

    // A new start truncates the log.
    { CLangTranslator again(windows, logPath); }
    EXPECT_EQ(twtest::ReadFile(logPath).find("first message"), std::string::npos);
}

TEST_F(TranslatorTest, DefaultLogPathIsInTheQuorvaneTemporaryFolder) {
    EXPECT_EQ(CLangTranslator::DefaultLogPath(),
              twtest::PrivateRoot() + "/tmp/Quorvane/language.log");
    CLangTranslator translator(windows);
    translator.Log("hello");
    EXPECT_NE(twtest::ReadFile(CLangTranslator::DefaultLogPath()).find("hello\n"),
              std::string::npos);
}

TEST_F(TranslatorTest, UnopenableLogDoesNotStopTranslation) {
    CLangTranslator translator(windows, dir + "/no-such-folder/language.log");
    EXPECT_EQ(translator.Translate("Missing", "fallback"), "fallback");
    ASSERT_TRUE(translator.ParseFile(Write("twd.lang", "K=v\n")));
    EXPECT_EQ(translator.Translate("k", "x"), "v");
}

TEST_F(TranslatorTest, BinaryAndVeryLongLinesAreHandled) {
    std::string content = "Long.Key=" + std::string(100000, 'x') + "\n";
    content += std::string("Nul.Key=a\0b", 11) + "\n";
    content += "\xff\xfe\x01garbage without equals\n";
    CLangTranslator translator(windows, logPath);
    ASSERT_TRUE(translator.ParseFile(Write("twd.lang", content)));
    EXPECT_EQ(translator.Translate("long.key", "x").size(), 100000u);
    EXPECT_EQ(translator.Translate("nul.key", "x"), std::string("a\0b", 3));
}

TEST_F(TranslatorTest, ManyThreadsTranslateAndLogWholeLines) {
    CLangTranslator translator(windows, logPath);
    ASSERT_TRUE(translator.ParseFile(Write("twd.lang", "Known.Key=known <appname>\n")));
    constexpr int kThreads = 8;
    constexpr int kCalls = 500;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i) {
                if (translator.Translate("KNOWN.KEY", "x") != "known Tidewell Windows")
                    ++wrong;
                const std::string key = "Missing." + std::to_string(t);
                if (translator.Translate(key, "default " + std::to_string(i)) !=
                    "default " + std::to_string(i))
                    ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);

    // Every warning line is whole: no two messages interleave.
    const std::vector<std::string> lines = Lines(twtest::ReadFile(logPath));
    size_t warnings = 0;
    for (const std::string& line : lines) {
        if (line.rfind("Runtime warning: token not recognized: \"Missing.", 0) == 0) {
            ++warnings;
            EXPECT_EQ(line.back(), '"');
            EXPECT_EQ(Count(line, "Runtime"), 1u);
        }
    }
    // One warning per missing lookup.
    EXPECT_EQ(warnings, size_t(kThreads * kCalls));
}

} // namespace

namespace {

TEST(TranslatorText, TextParsesLikeTheFileAndWritesNoLog) {
    CLangTranslator translator(CLangEdition("Tidewell Windows", "2.0.353", false),
                               CLangTranslator::NoLog{});
    EXPECT_TRUE(translator.ParseText("# c\n[s]\n  Key.One = first \r\nkey.two=\nbad line\nlast=x",
                                     "twd.lang"));
    EXPECT_EQ(translator.Entries(), (std::vector<std::pair<std::string, std::string>>{
                                        {"key.one", "first"}, {"key.two", ""}, {"last", "x"}}));
    EXPECT_EQ(translator.Translate("KEY.ONE", "default"), "first");
    EXPECT_TRUE(translator.LogPath().empty());
}

TEST(TranslatorText, EveryTokenOfALongTextIsReplacedOnce) {
    // Thousands of tokens in one text; a replacement never joins what surrounds it into a
    // new token.
    std::string many;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        many += "a<newline>";
        expected += "a\n";
    }
    CLangTranslator translator(CLangEdition("Tidewell Windows", "2.0.353", false),
                               CLangTranslator::NoLog{});
    ASSERT_TRUE(translator.ParseText("Many=" + many +
                                         "<version><newline>\n"
                                         "Joined=<<newline>newline>>\n",
                                     "twd.lang"));
    EXPECT_EQ(translator.Translate("Many", "x"), expected + "2.0.353\n");
    EXPECT_EQ(translator.Translate("Joined", "x"), "<\nnewline>>");
}

} // namespace
