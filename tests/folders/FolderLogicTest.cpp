// The rules behind the folder list and the status list, without widgets: comparisons of
// the sortable list, the row of each record status, and the status fallback texts.
#include "FolderTestEnv.h"

#include "folders/CFolderRows.h"
#include "folders/CFolderUi.h"
#include "folders/CSortCompare.h"
#include "folders/CSortListCtrl.h"
#include "folders/CStatusRows.h"
#include "messages/CMMSRecord.h"

#include <gtest/gtest.h>

using foldertest::SetNow;
using foldertest::Sms;

namespace {

int Cmp(const std::string& a, const std::string& b) {
    const auto textCompare = [&](size_t, size_t) {
        return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    };
    const int c = CSortCompare::Compare(CSortCompare::Prepare(a), CSortCompare::Prepare(b), 0, 1,
                                        textCompare);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::vector<std::string> Sorted(const std::vector<std::string>& texts, bool ascending) {
    std::vector<SortCell> cells;
    for (const auto& t : texts) {
        cells.push_back(CSortCompare::Prepare(t));
    }
    auto order = CSortCompare::SortRows(
        cells, ascending, [&](size_t a, size_t b) { return texts[a].compare(texts[b]); });
    std::vector<std::string> out;
    for (size_t i : order) {
        out.push_back(texts[i]);
    }
    return out;
}

TEST(SortCompare, NumbersCompareByValueNotText) {
    EXPECT_EQ(Cmp("9", "10"), -1);
    EXPECT_EQ(Cmp("10", "9"), 1);
    EXPECT_EQ(Cmp("007", "7"), 0);
    // Longer than any machine integer.
    EXPECT_EQ(Cmp("123456789012345678901234567890", "123456789012345678901234567891"), -1);
    EXPECT_EQ(Sorted({"100", "9", "20", "0"}, true),
              (std::vector<std::string>{"0", "9", "20", "100"}));
    EXPECT_EQ(Sorted({"100", "9", "20", "0"}, false),
              (std::vector<std::string>{"100", "20", "9", "0"}));
}

TEST(SortCompare, FirstCellDecidesTheKindOfComparison) {
    // An all-digit first cell compares numerically, the other read like atoi.
    EXPECT_EQ(Cmp("5", "abc"), 1);    // 5 against 0
    EXPECT_EQ(Cmp("5", "+12 x"), -1); // 5 against 12
    EXPECT_EQ(Cmp("", "3"), -1);      // empty counts as digits, value 0
    EXPECT_EQ(Cmp("12", "-4"), 1);
    // The same pair the other way round is compared as text.
    EXPECT_EQ(Cmp("abc", "5"), 1);
    // A date first cell reads the other one with the date pattern.
    EXPECT_EQ(Cmp("2005-06-01 14:05", "2005-6-1 9:00"), 1);
    EXPECT_EQ(Cmp("2005-06-01 09:05", "2005-6-1 10:00"), -1);
}

TEST(SortCompare, DatesCompareByTheirNumbers) {
    EXPECT_TRUE(CSortCompare::IsDateForm("2005-06-01 14:05"));
    EXPECT_FALSE(CSortCompare::IsDateForm("2005-06-01 14:5"));
    EXPECT_FALSE(CSortCompare::IsDateForm("2005/06/01 14:05"));
    EXPECT_EQ(Cmp("2005-06-01 14:05", "2005-06-01 14:06"), -1);
    EXPECT_EQ(Cmp("2006-01-01 00:00", "2005-12-31 23:59"), 1);
    EXPECT_EQ(Cmp("2005-06-01 14:05", "2005-06-01 14:05"), 0);
    EXPECT_EQ(
        Sorted({"2005-06-01 14:05", "1899-12-30 00:00", "2026-01-10 12:00"}, false),
        (std::vector<std::string>{"2026-01-10 12:00", "2005-06-01 14:05", "1899-12-30 00:00"}));
}

TEST(SortCompare, MixedColumnSortsWithoutFaultAndKeepsEveryRow) {
    // A relation where the first cell decides is not a strict order; sorting must still
    // return every row exactly once.
    std::vector<std::string> texts;
    for (int i = 0; i < 500; ++i) {
        switch (i % 4) {
        case 0:
            texts.push_back(std::to_string(i * 7919 % 1000));
            break;
        case 1:
            texts.push_back("+49" + std::to_string(i));
            break;
        case 2:
            texts.push_back("2005-06-0" + std::to_string(i % 9 + 1) + " 14:05");
            break;
        default:
            texts.push_back(i % 8 == 3 ? "" : "text" + std::to_string(i));
            break;
        }
    }
    for (bool ascending : {true, false}) {
        auto out = Sorted(texts, ascending);
        auto a = out, b = texts;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b);
    }
}

TEST(FolderRows, IconAndCommentFollowTheStatus) {
    SetNow("2026-01-10 12:00");
    const FolderCommentTexts texts;
    const auto row = [&](std::int32_t status, const std::string& when, const std::string& error) {
        CSMSRecord r = Sms("g", "+111;+222", "hi", when, status);
        r.ErrorText = error;
        return CFolderRows::Build(r, 4, texts);
    };
    const std::string past = "2026-01-10 11:00";
    const std::string future = "2026-01-10 13:00";
    struct Case {
        std::int32_t status;
        std::string when;
        std::string error;
        int icon;
        std::string comment;
    } cases[] = {
        {1, past, "", ICON_MESSAGE, "Sent"},
        {2, past, "Rejected", ICON_ERROR, "Rejected"},
        {3, future, "", ICON_SCHEDULED, "Scheduled"},
        {3, past, "Awaiting server connection...", ICON_MESSAGE, "Awaiting server connection..."},
        {3, past, "", ICON_MESSAGE, "Sending..."},
        {4, past, "", ICON_MESSAGE, "Sending..."},
        {5, past, "", ICON_MESSAGE, "Sent, awaiting status..."},
        {9, past, "", ICON_MESSAGE, ""},
    };
    for (const Case& c : cases) {
        FolderRow r = row(c.status, c.when, c.error);
        EXPECT_EQ(r.icon, c.icon) << "status " << c.status;
        EXPECT_EQ(r.cells[COL_COMMENT], c.comment) << "status " << c.status;
        EXPECT_EQ(r.cells[COL_TO], "+111,+222");
        EXPECT_EQ(r.cells[COL_GUID], "g");
        EXPECT_EQ(r.cells[COL_SENT], c.when);
    }
    // MMS rows take their icons from the MMS offset.
    CMMSRecord mms;
    mms.Status = 2;
    mms.MessageText = "picture";
    FolderRow r = CFolderRows::Build(mms, 4, texts);
    EXPECT_EQ(r.icon, 4 + ICON_ERROR);
    EXPECT_EQ(r.cells[COL_MESSAGE], "picture");
}

TEST(FolderRows, MessageCellIsOneTrimmedLine) {
    EXPECT_EQ(CFolderRows::MessageCell(" \tHello\nworld\n\t "), "Hello world");
    EXPECT_EQ(CFolderRows::MessageCell("a\r\nb"), "a  b");
    EXPECT_EQ(CFolderRows::MessageCell("\n\n"), "");
}

TEST(FolderRows, ColumnLayoutText) {
    auto columns = CSortListCtrl::ParseColumnLayout("To,150;Message,210;Sent,150;GUID,0;A,b,9;");
    ASSERT_EQ(columns.size(), 5u);
    EXPECT_EQ(columns[0], (std::pair<std::string, int>{"To", 150}));
    EXPECT_EQ(columns[3], (std::pair<std::string, int>{"GUID", 0}));
    EXPECT_EQ(columns[4], (std::pair<std::string, int>{"A,b", 9}));
    EXPECT_EQ(CSortListCtrl::ParseColumnLayout("X,zz;").at(0).second, 0);
}

TEST(StatusRows, FallbackTextsForRecipientsWithoutStatus) {
    SetNow("2026-01-10 12:00");
    const StatusFallbackTexts texts;
    CSMSRecord r = Sms("g", "+111,+222", "", "2026-01-10 13:00", 3);
    auto rows = CStatusRows::Build(r, false, texts);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (CStatusRows::Row{"+111", "Scheduled"}));
    EXPECT_EQ(rows[1].second, "Scheduled");

    r.DateTime = "2026-01-10 11:00"; // due, not yet sent
    EXPECT_EQ(CStatusRows::Build(r, false, texts)[0].second, "Awaiting internet connection...");
    EXPECT_EQ(CStatusRows::Build(r, true, texts)[0].second, "Not avalible");
    r.Status = 5;
    r.Recipients[1].StatusText = "Delivered";
    r.Recipients[1].Final = true;
    rows = CStatusRows::Build(r, false, texts);
    EXPECT_EQ(rows[0].second, "Not avalible");
    EXPECT_EQ(rows[1].second, "Delivered");
}

} // namespace

namespace {

TEST(FolderUi, DateTimeRoundTripWithQt) {
    CSMSRecord probe;
    probe.DateTime = "2026-02-28 23:59";
    const QDateTime q = CFolderUi::ToQDateTime(probe.GetDateTime());
    EXPECT_EQ(q.toString("yyyy-MM-dd HH:mm").toStdString(), "2026-02-28 23:59");
    EXPECT_EQ(CFolderUi::FromQDateTime(q), probe.GetDateTime());
    const QDateTime leap(QDate(2028, 2, 29), QTime(7, 5, 30));
    EXPECT_EQ(CFolderUi::ToQDateTime(CFolderUi::FromQDateTime(leap)), leap);
}

} // namespace
