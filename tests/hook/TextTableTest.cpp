// The hook library's text table, its log line format and log file, and the shared block.
#include "hook/FileLogTarget.h"
#include "hook/Log.h"
#include "hook/LogStream.h"
#include "hook/OeTextTable.h"
#include "hook/SharedHookData.h"
#include "hook/support/Exception/QFileException.h"

#include "common/TestEnv.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "platform/SharedBlock.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(OeTextTableTest, TheFirstDefinitionWinsSoTheCompanyFileOverridesTheProduct) {
    OeTextTable table;
    table.LoadText("Menu.Sms=Company SMS\r\nOnly.Company=c\r\n");
    table.LoadText("Menu.Sms=Product SMS\r\nOnly.Product=p\r\nMenu.Sms=Later\r\n");
    EXPECT_EQ(table.Translate("Menu.Sms", "x"), "Company SMS");
    EXPECT_EQ(table.Translate("Only.Company", "x"), "c");
    EXPECT_EQ(table.Translate("Only.Product", "x"), "p");
    EXPECT_EQ(table.Size(), 3u);
}

TEST(OeTextTableTest, LinesAreTakenAsTheyStand) {
    OeTextTable table;
    table.LoadText("# a comment=not a key\r\n"
                   "\r\n"
                   "Key = value \r\n"
                   "NoEquals\r\n"
                   "Two=a=b\r\n"
                   "Multi=one<newline>two\r\n"
                   "Empty=\r\n"
                   "Case=upper\r\n"
                   "Lone=cr\rinside\r\n"
                   "Last=no line end");
    EXPECT_EQ(table.Translate("Key ", "-"), " value ");
    EXPECT_EQ(table.Translate("Key", "-"), "-");
    EXPECT_EQ(table.Translate("NoEquals", "-"), "");
    EXPECT_EQ(table.Translate("Two", "-"), "a=b");
    EXPECT_EQ(table.Translate("Multi", "-"), "one\r\ntwo");
    EXPECT_EQ(table.Translate("Empty", "-"), "");
    EXPECT_EQ(table.Translate("case", "-"), "-"); // keys are case-sensitive
    EXPECT_EQ(table.Translate("Lone", "-"), "cr\rinside");
    EXPECT_EQ(table.Translate("Last", "-"), "no line end");
    EXPECT_EQ(table.Translate("# a comment", "-"), "-");
    EXPECT_EQ(table.Translate("Missing", "a<newline>b"), "a\r\nb");
}

TEST(OeTextTableTest, UnixLineEndsAndAByteOrderMarkAreAccepted) {
    OeTextTable table;
    table.LoadText("\xEF\xBB\xBF"
                   "First=1\nSecond=2\n\n#c\nThird=3");
    EXPECT_EQ(table.Translate("First", "-"), "1");
    EXPECT_EQ(table.Translate("Second", "-"), "2");
    EXPECT_EQ(table.Translate("Third", "-"), "3");
    EXPECT_EQ(table.Size(), 3u);
}

TEST(OeTextTableTest, MnemonicIsTheCharacterAfterTheFirstSingleAmpersand) {
    EXPECT_EQ(OeTextTable::MnemonicOf("&New SMS"), 'N');
    EXPECT_EQ(OeTextTable::MnemonicOf("Create &SMS"), 'S');
    EXPECT_EQ(OeTextTable::MnemonicOf("Fish && Chips"), 0);
    EXPECT_EQ(OeTextTable::MnemonicOf("&&"), 0);
    EXPECT_EQ(OeTextTable::MnemonicOf("a&&b&c"), 'c');
    EXPECT_EQ(OeTextTable::MnemonicOf("trailing&"), 0);
    EXPECT_EQ(OeTextTable::MnemonicOf("none"), 0);
    OeTextTable table;
    table.LoadText("A=&Options\r\nB=R && D\r\n");
    EXPECT_EQ(table.Mnemonic("A", 'z'), 'O');
    EXPECT_EQ(table.Mnemonic("B", 'z'), 'z');
    EXPECT_EQ(table.Mnemonic("C", 'z'), 'z');
}

TEST(OeTextTableTest, TokensAreReplacedPairByPair) {
    OeTextTable table;
    table.LoadText("About=<appname> <version><newline>(<appname>)\r\n");
    EXPECT_EQ(table.TranslateTokens("About", {{"appname", "Tidewell"}, {"version", "2.0"}}, "-"),
              "Tidewell 2.0\r\n(Tidewell)");
    EXPECT_EQ(table.TranslateTokens("Missing", {{"n", "<n>"}}, "x<n>y"), "x<n>y");
}

TEST(OeTextTableTest, AMissingFileRaisesAndTheCallersDefaultsServe) {
    const std::string dir = twtest::MakeTempDir("texts");
    OeTextTable table;
    EXPECT_THROW(table.Load(dir + "/twox.lang"), qsupport::QFileException);
    EXPECT_FALSE(table.IsLoaded());
    // The next lookup tries the file once more: it has appeared meanwhile.
    twtest::WriteFile(dir + "/twox.lang", "Late=arrived\r\n");
    EXPECT_EQ(table.Translate("Late", "default"), "arrived");
    EXPECT_TRUE(table.IsLoaded());
}

TEST(HookLogTest, LineFormatAndNothingBeforeATargetIsSet) {
    std::tm time{};
    time.tm_hour = 7;
    time.tm_min = 5;
    time.tm_sec = 9;
    EXPECT_EQ(logging::Log::FormatLine(time, 42, 0xABC, "HookHandler::WindowAdd", "Add window"),
              "07:05:09.042\t0x00000abc\tHookHandler::WindowAdd\tAdd window\n");

    const std::string folder = platform::PrivateTempFolder();
    ASSERT_FALSE(folder.empty());
    const std::string path = folder + "/format.log";
    twtest::WriteFile(path, "old content that goes\n");
    logging::Log log;
    logging::FileLogTarget target;
    logging::LogStream(log, "Early::Line") << "dropped";
    ASSERT_TRUE(target.Open(path));
    log.SetTarget(&target);
    logging::LogStream(log, "Hook::Hook") << "Log opened " << 12 << ", " << 'x';
    const std::string content = twtest::ReadFile(path);
    EXPECT_TRUE(std::regex_match(
        content, std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\.[0-9]{3}\t0x[0-9a-f]{8}\t"
                            "Hook::Hook\tLog opened 12, x\n")))
        << content;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(HookLogTest, ALinkPlantedAtTheLogPathIsRefused) {
    const std::string folder = platform::PrivateTempFolder();
    const std::string victim = twtest::MakeTempDir("victim") + "/file";
    twtest::WriteFile(victim, "keep");
    const std::string path = folder + "/planted.log";
    ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);
    logging::FileLogTarget target;
    EXPECT_FALSE(target.Open(path));
    EXPECT_EQ(twtest::ReadFile(victim), "keep");
}

TEST(SharedBlockTest, TwoMappingsShareTheBytesAndTheFileIsPrivate) {
    SharedHookData first;
    ASSERT_TRUE(first.Map());
    EXPECT_EQ(first.MmsMode(), 0u);
    EXPECT_EQ(first.TargetWindow(), 0u);
    first.SetMmsMode(1);
    first.SetHook(11, 12, 13);
    first.SetShutdownMessage(0xC123);
    SharedHookData second;
    ASSERT_TRUE(second.Map());
    EXPECT_EQ(second.MmsMode(), 1u);
    EXPECT_EQ(second.HookHandle(), 11u);
    EXPECT_EQ(second.CallbackWindow(), 12u);
    EXPECT_EQ(second.TargetWindow(), 13u);
    EXPECT_EQ(second.ShutdownMessage(), 0xC123u);
    EXPECT_EQ(second.Describe(),
              "Shared data -- Callback hwnd:12, Hook handle:11, Shutdown Msg:49443, MMS Mode:1");

    platform::SharedBlock raw;
    ASSERT_TRUE(raw.Open(SharedHookData::kName, SharedHookData::kSize));
    // Little-endian layout: MMS mode at offset 20, the target window at 16.
    EXPECT_EQ(raw.Data()[20], 1);
    EXPECT_EQ(raw.Data()[16], 13);
    struct stat st {};
    ASSERT_EQ(::lstat(raw.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 24);
}

TEST(SharedBlockTest, AShortFileIsExtendedAndALinkOrBadNameRefused) {
    const std::string folder = platform::RuntimeFolder() + "/Quorvane";
    ASSERT_TRUE(platform::UsePrivateFolder(folder));
    twtest::WriteFile(folder + "/short", std::string("\x05", 1));
    platform::SharedBlock block;
    ASSERT_TRUE(block.Open("short", 24));
    EXPECT_EQ(block.ReadU8(0), 5);
    EXPECT_EQ(block.ReadU32(20), 0u);
    EXPECT_EQ(block.ReadU32(22), 0u); // beyond the end reads 0
    block.Close();

    const std::string victim = twtest::MakeTempDir("victim") + "/target";
    twtest::WriteFile(victim, "keep");
    ASSERT_EQ(::symlink(victim.c_str(), (folder + "/linked").c_str()), 0);
    EXPECT_FALSE(block.Open("linked", 24));
    EXPECT_EQ(twtest::ReadFile(victim), "keep");
    EXPECT_FALSE(block.Open("../escape", 24));
    EXPECT_FALSE(block.IsOpen());
}

} // namespace
