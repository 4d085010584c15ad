#include "language/CTextTable.h"

#include "common/TestEnv.h"
#include "language/CLangTranslator.h"
#include "language/LangStrings.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
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

CTextTable Windows() {
    CTextTable table;
    table.FillBase("Tidewell Windows", "2.0.353");
    table.SetEditionTexts("Tidewell Windows", "2.0.353");
    return table;
}

CTextTable Outlook() {
    CTextTable table;
    table.FillBase("Tidewell Outlook Express", "2.0.353");
    table.FillOutlookExpress();
    table.SetEditionTexts("Tidewell Outlook Express", "2.0.353");
    return table;
}

TEST(TextTableRows, CountsAndNumbersPerEdition) {
    const CTextTable windows = Windows();
    EXPECT_EQ(windows.RowCount(), 272u);
    EXPECT_EQ(windows.Rows().begin()->first, 0);
    EXPECT_EQ(windows.Rows().rbegin()->first, 273);
    EXPECT_EQ(windows.FindRow(55), nullptr);
    EXPECT_EQ(windows.FindRow(83), nullptr);

    const CTextTable outlook = Outlook();
    EXPECT_EQ(outlook.RowCount(), 292u);
    EXPECT_EQ(outlook.Rows().rbegin()->first, 292);
    ASSERT_NE(outlook.FindRow(55), nullptr);
    EXPECT_EQ(outlook.FindRow(55)->key, "NewMessage.titleReplyMessage");
    EXPECT_EQ(outlook.FindRow(83), nullptr);
}

TEST(TextTableRows, EveryRowHasAUniqueKeyDescriptionAndGroup) {
    const CTextTable outlook = Outlook();
    std::set<std::string> keys;
    for (const auto& [number, row] : outlook.Rows()) {
        EXPECT_EQ(row.row, number);
        EXPECT_FALSE(row.key.empty()) << number;
        EXPECT_FALSE(row.description.empty()) << row.key;
        EXPECT_FALSE(row.group.empty()) << row.key;
        EXPECT_FALSE(row.defaultText.empty()) << row.key;
        EXPECT_TRUE(keys.insert(lang::ToLower(row.key)).second) << "duplicate " << row.key;
        EXPECT_EQ(row.defined, 0);
    }
}

TEST(TextTableRows, FixedRowsHoldTheirKeysAndDefaults) {
    const CTextTable windows = Windows();
    struct Expected {
        int row;
        const char* key;
        const char* defaultText;
    };
    const Expected expected[] = {
        {0, "TWD.AppName", "Tidewell Windows"},
        {1, "TWD.Version", "2.0.353"},
        {2, "TWD.Customer", "Quorvane"},
        {3, "TWD.CriticalErrorAbort",
         "An internal error occured, if this error persists please reistall "
         "<appname><newline>Closing application"},
        {12, "sendMessage.LabelSending", "Sending..."},
        {30, "GUIMgmt.SystemTrayToolTip", "<appname>"},
        {120, "SMSOptions.Account.labelPrepaidBalance", "Your prepaid balance is <bal> messages"},
        {226, "About.lblVersion", "Version: <version>"},
    };
    for (const Expected& e : expected) {
        const TextRow* row = windows.FindRow(e.row);
        ASSERT_NE(row, nullptr) << e.row;
        EXPECT_EQ(row->key, e.key);
        EXPECT_EQ(row->defaultText, e.defaultText);
    }
    EXPECT_EQ(windows.FindRow(5)->key, "MessageFolder.ClickLogo");
    EXPECT_EQ(windows.FindRow(19)->key, "sendMessage.NoInternetConnectionAlertConnectYesNo");
    EXPECT_EQ(windows.FindRow(246)->key, "Prepaid.txtWebAddress");
    EXPECT_EQ(windows.FindRow(254)->key, "UsageReminder.lblLink1.lnk");
    for (int row = 260; row <= 266; ++row)
        EXPECT_EQ(windows.FindRow(row)->key.rfind("Help.", 0), 0u) << row;

    const CTextTable outlook = Outlook();
    EXPECT_EQ(outlook.FindRow(274)->key, "Help.ViewSMS");
    EXPECT_EQ(outlook.FindRow(275)->defaultText, "New SMS");
    EXPECT_EQ(outlook.FindRow(282)->defaultText, "Reply To Mobile");
    EXPECT_EQ(outlook.FindRow(286)->defaultText, "Create SMS");
    EXPECT_EQ(outlook.FindRow(287)->defaultText, "Compose a new SMS message");
    // The Outlook Express fill re-sets the web addresses but keeps their keys.
    for (int row : {254, 260, 261, 262, 263, 264, 265, 266}) {
        EXPECT_EQ(outlook.FindRow(row)->key, windows.FindRow(row)->key);
        EXPECT_NE(outlook.FindRow(row)->defaultText, windows.FindRow(row)->defaultText);
        EXPECT_EQ(outlook.FindRow(row)->defaultText.rfind("https://", 0), 0u);
    }
}

TEST(TextTableRows, SetTextRowReplacesButKeepsKeyAndTranslation) {
    CTextTable table;
    table.SetTextRow(7, "Original.Key", "one", "first", "Group A");
    table.SetTextRow(7, "Other.Key", "two", "second", "Group B");
    ASSERT_EQ(table.RowCount(), 1u);
    const TextRow* row = table.FindRow(7);
    EXPECT_EQ(row->key, "Original.Key");
    EXPECT_EQ(row->defaultText, "two");
    EXPECT_EQ(row->description, "second");
    EXPECT_EQ(row->group, "Group B");
}

TEST(TextTableGetText, TokensDefaultsAndUnknownRows) {
    CTextTable table = Windows();
    EXPECT_EQ(table.GetText(226), "Version: 2.0.353");
    EXPECT_EQ(table.GetText(3), "An internal error occured, if this error persists please "
                                "reistall Tidewell Windows\nClosing application");
    EXPECT_EQ(table.GetText(999), "");
    EXPECT_EQ(table.GetText(-1), "");
}

TEST(TextTableGetText, TranslationsWinAndSelfReferenceEnds) {
    const std::string dir = twtest::MakeTempDir("table");
    twtest::WriteFile(dir + "/twd.lang", "TWD.AppName=<appname> Plus <version>\n"
                                         "TWD.Version=<version>-<appname>\n"
                                         "About.lblVersion=V <version>\n");
    CTextTable table = Windows();
    std::ostringstream report;
    table.LoadLanguageFile(dir + "/twd.lang", report);
    EXPECT_EQ(table.GetText(0), "Tidewell Windows Plus 2.0.353-Tidewell Windows");
    EXPECT_EQ(table.GetText(226), "V 2.0.353-Tidewell Windows");
    EXPECT_EQ(table.GetText(30), "Tidewell Windows Plus 2.0.353");
}

TEST(TextTableGetText, EmptyNameRowFallsBackToTheProductName) {
    CTextTable table = Windows();
    const std::string dir = twtest::MakeTempDir("table");
    twtest::WriteFile(dir + "/twd.lang", "TWD.AppName=\n");
    std::ostringstream report;
    table.LoadLanguageFile(dir + "/twd.lang", report);
    EXPECT_EQ(table.GetText(30), "Tidewell Windows");
}

TEST(TextTableLanguageFile, ReportNamesInvalidDuplicateOverriddenAndUnknownEntries) {
    const std::string dir = twtest::MakeTempDir("table");
    twtest::WriteFile(dir + "/twd.lang", "# comment\r\n"
                                         "[section]\r\n"
                                         "   TWD.Customer = Acme \r\n"
                                         "no equals\r"
                                         "twd.customer=Second\n"
                                         "Not.AKey=value\n");
    twtest::WriteFile(dir + "/twdcompany.lang", "TWD.CUSTOMER=Company\n");
    CTextTable table = Windows();
    std::ostringstream report;
    table.LoadLanguageFile(dir + "/twd.lang", report);
    table.LoadLanguageFile(dir + "/twdcompany.lang", report);
    table.LoadLanguageFile(dir + "/absent.lang", report);

    const std::string stars(91, '*');
    const std::string expected =
        "\n" + stars + "\n***** Loading twd.lang\n\n" +
        "\tError: Invalid line detected: no equals" +
        "\tError: Duplicate entries detected for: twd.customer\n\t\tTranslation 1: "
        "Second\n\t\tTranslation 2:  Acme \n" +
        "\tOverriding value for TWD.Customer:\n\t\tPrevious translation (twd.lang):  Acme "
        "\n\t\tNew translation (twd.lang): Second\n" +
        "\n\t" + std::string(69, '-') +
        "\n\tWARNING: One or more entries are misspelled or not in use.\n\t         Correct or "
        "remove the following entries:\n\n" +
        "\ttwd.lang: Not.AKey=value\n" + "\n***** Done loading twd.lang\n" + stars + "\n\n\n" +
        "\n" + stars + "\n***** Loading twdcompany.lang\n\n" +
        "\tOverriding value for TWD.Customer:\n\t\tPrevious translation (twd.lang): "
        "Second\n\t\tNew translation (twdcompany.lang): Company\n" +
        "\n***** Done loading twdcompany.lang\n" + stars + "\n\n\n" + "\n" + stars +
        "\n***** Loading absent.lang\n\n" + "\tError: Could not open file: " + dir +
        "/absent.lang\n" + "\n***** Done loading absent.lang\n" + stars + "\n\n\n";
    EXPECT_EQ(report.str(), expected);

    const TextRow* row = table.FindRow(2);
    EXPECT_EQ(row->translation, "Company");
    EXPECT_EQ(row->sourceFile, "twdcompany.lang");
    EXPECT_EQ(row->defined, 1);
    EXPECT_EQ(table.GetText(2), "Company");
}

TEST(TextTableLanguageFile, MissingRowsReport) {
    CTextTable table;
    table.SetTextRow(0, "A.Key", "Alpha", "first row", "G");
    table.SetTextRow(1, "B.Key", "Beta", "second row", "G");
    std::ostringstream none;
    const std::string dir = twtest::MakeTempDir("table");
    twtest::WriteFile(dir + "/twd.lang", "a.key=x\n");
    table.LoadLanguageFile(dir + "/twd.lang", none);

    std::ostringstream report;
    table.WriteMissingRows(report);
    EXPECT_EQ(report.str(), "\n\n" + std::string(89, '-') +
                                "\nERROR: One or more required entries are not defined in any "
                                "language file.\nAdd the following lines:\n"
                                "\n\t# B.Key : second row\n\tB.Key=Beta\n");

    twtest::WriteFile(dir + "/more.lang", "B.KEY=y\n");
    table.LoadLanguageFile(dir + "/more.lang", none);
    std::ostringstream complete;
    table.WriteMissingRows(complete);
    EXPECT_EQ(complete.str(), "");
}

TEST(TextTableTemplate, HeaderGroupsAndRowsLineByLine) {
    CTextTable table;
    table.SetTextRow(0, "TWD.AppName", "Tidewell Windows", "Name", "Application global");
    table.SetTextRow(1, "Other.Key", "Text <appname>", "Other text", "Second group");
    table.SetTextRow(2, "TWD.Customer", "Quorvane", "Company", "Application global");
    table.SetEditionTexts("Tidewell Windows", "2.0.353");
    const std::string dashes(80, '-');
    const std::vector<std::string> expected = {
        "# Generated by: Tidewell Windows Version: 2.0.353",
        "",
        "# This is a template language file for this client",
        "",
        "# @client=Tidewell Windows",
        "# @version=2.0.353",
        "# @filename=default.lang",
        "# @customer=Quorvane",
        "# @language=English",
        "",
        "# Total:\t3 entries(s):",
        "",
        "",
        "",
        "",
        "# " + dashes,
        "# [ Application global ]",
        "# " + dashes,
        "",
        "# TWD.AppName : Name",
        "TWD.AppName=Tidewell Windows",
        "",
        "# TWD.Customer : Company",
        "TWD.Customer=Quorvane",
        "",
        "",
        "# " + dashes,
        "# [ Second group ]",
        "# " + dashes,
        "",
        "# Other.Key : Other text",
        "Other.Key=Text <appname>",
    };
    const std::string dir = twtest::MakeTempDir("template");
    ASSERT_TRUE(
        table.WriteLanguageTemplate(dir + "/default.lang", "default.lang", "Quorvane", "English"));
    const std::string text = twtest::ReadFile(dir + "/default.lang");
    EXPECT_EQ(Lines(text), expected);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_FALSE(table.WriteLanguageTemplate(dir + "/missing/default.lang", "default.lang",
                                             "Quorvane", "English"));
}

TEST(TextTableTemplate, FullTemplateReadsBackAsACompleteLanguageFile) {
    const CTextTable outlook = Outlook();
    const std::string text = outlook.LanguageTemplate("default.lang", "Quorvane", "English");
    EXPECT_NE(text.find("# Total:\t292 entries(s):\n\n\n"), std::string::npos);
    const std::string dir = twtest::MakeTempDir("template");
    twtest::WriteFile(dir + "/default.lang", text);

    // Loading the generated template defines every row with its default text.
    CTextTable table = Outlook();
    std::ostringstream report;
    table.LoadLanguageFile(dir + "/default.lang", report);
    EXPECT_EQ(report.str().find("Error"), std::string::npos) << report.str();
    EXPECT_EQ(report.str().find("WARNING"), std::string::npos);
    std::ostringstream missing;
    table.WriteMissingRows(missing);
    EXPECT_EQ(missing.str(), "");
    for (const auto& [number, row] : table.Rows())
        EXPECT_EQ(row.translation, row.defaultText) << row.key;
}

} // namespace

namespace {

// Damaged files of every kind: random bytes drawn mostly from the characters the readers
// look at. Neither reader may crash; what they cannot use is reported, never thrown.
TEST(LanguageFileReaders, RandomInputNeverBreaksThem) {
    const std::string dir = twtest::MakeTempDir("random");
    const std::string alphabet = "=#[] \t\r\n<>appnameversionewlkyKEY.\x01\xff\xc3\xa9";
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    CTextTable base = Windows();
    for (int round = 0; round < 200; ++round) {
        std::string content;
        const size_t length = next() % 400;
        for (size_t i = 0; i < length; ++i) {
            const uint32_t pick = next();
            content += (pick % 8 == 0) ? static_cast<char>(pick >> 8)
                                       : alphabet[(pick >> 8) % alphabet.size()];
        }
        const std::string path = dir + "/random.lang";
        twtest::WriteFile(path, content);

        CLangTranslator translator(CLangEdition("Tidewell Windows", "2.0.353", false),
                                   dir + "/language.log");
        EXPECT_TRUE(translator.ParseFile(path));
        translator.Translate("TWD.AppName", "<appname> <version><newline>");

        CTextTable table = base;
        std::ostringstream report;
        table.LoadLanguageFile(path, report);
        table.WriteMissingRows(report);
        for (const auto& [number, row] : table.Rows())
            table.GetText(number);
        EXPECT_NE(report.str().find("***** Done loading random.lang"), std::string::npos);
    }
}

} // namespace
