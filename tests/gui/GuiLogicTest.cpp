// The dialog manager's plain logic: reminder dates, show signals, dialog kinds, layout lines.
#include "gui/CDialogKinds.h"
#include "gui/CGuiText.h"
#include "gui/CLayoutVisibility.h"
#include "gui/CShowSignal.h"
#include "gui/CTrayIcon.h"
#include "gui/CUsageReminder.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

std::time_t LocalTime(int day, int month, int year, int hour = 0, int minute = 0, int sec = 0) {
    std::tm tm{};
    tm.tm_mday = day;
    tm.tm_mon = month - 1;
    tm.tm_year = year - 1900;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = sec;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

UsageReminderSettings Settings(const std::string& lastUsed, long span = 5) {
    UsageReminderSettings s;
    s.disable = "0";
    s.alertListbox = "1,1,1,1,1,1,1,1,1";
    s.timeSpanDays = span;
    s.lastUsed = lastUsed;
    return s;
}

using D = CUsageReminder::Decision;

} // namespace

TEST(UsageReminder, RemindsOnceTheSpanHasPassed) {
    std::time_t now = LocalTime(10, 3, 2026, 9, 30);
    // LastUsed counts from the start of its day; the time after the date is ignored.
    EXPECT_EQ(CUsageReminder::Decide(Settings("5-3-2026 23:59"), now), D::Remind);
    EXPECT_EQ(CUsageReminder::Decide(Settings("6-3-2026 0:0"), now), D::TooSoon);
    EXPECT_EQ(CUsageReminder::Decide(Settings("5-3-2026"), LocalTime(9, 3, 2026, 23, 59, 59)),
              D::TooSoon);
    EXPECT_EQ(CUsageReminder::Decide(Settings("5-3-2026"), LocalTime(10, 3, 2026)), D::Remind);
    // Across a month and a year end.
    EXPECT_EQ(CUsageReminder::Decide(Settings("28-12-2025", 5), LocalTime(2, 1, 2026)), D::Remind);
    EXPECT_EQ(CUsageReminder::Decide(Settings("28-2-2026", 2), LocalTime(2, 3, 2026)), D::Remind);
}

TEST(UsageReminder, SettingsThatStopIt) {
    std::time_t now = LocalTime(10, 3, 2026, 12);
    UsageReminderSettings s = Settings("1-1-2026");
    s.disable = "1";
    EXPECT_EQ(CUsageReminder::Decide(s, now), D::Disabled);
    s.disable = "";
    EXPECT_EQ(CUsageReminder::Decide(s, now), D::Disabled);
    s = Settings("1-1-2026");
    s.alertListbox = "1,1,1,1,1,1,1,1,0";
    EXPECT_EQ(CUsageReminder::Decide(s, now), D::AlertOff);
    s.alertListbox = "0,0,0,0,0,0,0,0,1";
    EXPECT_EQ(CUsageReminder::Decide(s, now), D::Remind);
    EXPECT_EQ(CUsageReminder::Decide(Settings("1-1-2026", 0), now), D::TooSoon);
    EXPECT_EQ(CUsageReminder::Decide(Settings("1-1-2026", -3), now), D::TooSoon);
    // A date in the future never reminds.
    EXPECT_EQ(CUsageReminder::Decide(Settings("1-1-2030"), now), D::TooSoon);
}

TEST(UsageReminder, DamagedLastUsedNeverReminds) {
    std::time_t now = LocalTime(10, 3, 2026);
    for (const char* text : {"", "garbage", "31-2-2026", "0-1-2026", "1-13-2026", "12-2026",
                             "1-1-99999", "-5-3-2026"}) {
        EXPECT_EQ(CUsageReminder::Decide(Settings(text), now), D::NoLastUsed) << text;
    }
}

TEST(UsageReminder, WholeDaysAndFlags) {
    std::time_t from = LocalTime(1, 6, 2026);
    EXPECT_EQ(CUsageReminder::WholeDaysBetween(from, from + 86400 - 1), 0);
    EXPECT_EQ(CUsageReminder::WholeDaysBetween(from, from + 86400), 1);
    EXPECT_EQ(CUsageReminder::WholeDaysBetween(from, from + 3 * 86400 + 5), 3);
    // Truncated toward zero, so two days back count as -1: still "too soon".
    EXPECT_EQ(CUsageReminder::WholeDaysBetween(from, from - 2 * 86400), -1);

    EXPECT_EQ(CUsageReminder::AlertFlag("1,0,1,1,1,1,1,1,0", 8), 0);
    EXPECT_EQ(CUsageReminder::AlertFlag("1,0,1,1,1,1,1,1,0", 1), 0);
    // A short or damaged list keeps the default (1) for the missing flags.
    EXPECT_EQ(CUsageReminder::AlertFlag("1,0", 8), 1);
    EXPECT_EQ(CUsageReminder::AlertFlag("", 8), 1);
    EXPECT_EQ(CUsageReminder::AlertFlag("1,x,0,0,0,0,0,0,0", 8), 1);
}

TEST(UsageReminder, LastUsedTextRoundTrip) {
    std::time_t when = LocalTime(3, 7, 2026, 8, 5);
    EXPECT_EQ(CUsageReminder::FormatLastUsed(when), "3-7-2026 8:5");
    auto parsed = CUsageReminder::ParseLastUsed("3-7-2026 8:5");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, LocalTime(3, 7, 2026));
}

TEST(ShowSignal, WakesOneWaiterOrStaysPending) {
    CShowSignal signal;
    EXPECT_FALSE(signal.Set().has_value());
    EXPECT_TRUE(signal.IsPending());
    // A session that starts waiting takes the pending signal, and only one does.
    EXPECT_TRUE(signal.AddWaiter(7));
    EXPECT_FALSE(signal.AddWaiter(8));
    EXPECT_FALSE(signal.IsPending());
    // The longest waiter wakes first and queues up behind the others.
    EXPECT_EQ(signal.Set(), 7u);
    EXPECT_EQ(signal.Set(), 8u);
    EXPECT_EQ(signal.Set(), 7u);
    signal.RemoveWaiter(7);
    EXPECT_EQ(signal.Set(), 8u);
    signal.RemoveWaiter(8);
    EXPECT_EQ(signal.WaiterCount(), 0u);
    EXPECT_FALSE(signal.Set().has_value());
}

TEST(DialogKinds, TableOfKinds) {
    for (int type : {0, 2, 4, 5, 7, 8}) {
        EXPECT_TRUE(CDialogKinds::IsPerRequest(type)) << type;
        ASSERT_TRUE(CDialogKinds::Launch(type).has_value());
    }
    for (int type : {1, 3}) {
        EXPECT_TRUE(CDialogKinds::IsAvailable(type));
        EXPECT_FALSE(CDialogKinds::IsPerRequest(type));
    }
    for (int type : {6, 9, 10, 11, 12, -1}) {
        EXPECT_FALSE(CDialogKinds::IsAvailable(type)) << type;
        EXPECT_FALSE(CDialogKinds::Launch(type).has_value());
    }
    EXPECT_FALSE(CDialogKinds::Launch(0)->alwaysNewSession);
    EXPECT_TRUE(CDialogKinds::Launch(2)->sentTable);
    EXPECT_FALSE(CDialogKinds::Launch(8)->sentTable);
    EXPECT_EQ(CDialogKinds::LogName(4), "NewSMS (Forward) dialog");
    EXPECT_EQ(CDialogKinds::SignalFor(0), ShowSignalKind::NewSMS);
    EXPECT_EQ(CDialogKinds::SignalFor(4), ShowSignalKind::Shared);
    EXPECT_EQ(CDialogKinds::SignalFor(1), ShowSignalKind::Folders);
    EXPECT_EQ(CDialogKinds::SignalFor(3), ShowSignalKind::Options);
}

TEST(LayoutVisibility, ValuesAndMissingFile) {
    EXPECT_TRUE(CLayoutVisibility().Shows("lblInfo2"));
    CLayoutVisibility layout({{"lblTitle", "10,10,300,20"},
                              {" LBLINFO2 ", "1"},
                              {"lblInfo3", "0"},
                              {"lblInfo4", "0,0,0,0"},
                              {"lblInfo5", ""},
                              {"lblInfo6", "10,10,0,20"}});
    EXPECT_TRUE(layout.Shows("lblTitle"));
    EXPECT_TRUE(layout.Shows("lblInfo2"));
    EXPECT_FALSE(layout.Shows("lblInfo3"));
    EXPECT_FALSE(layout.Shows("lblInfo4"));
    EXPECT_FALSE(layout.Shows("lblInfo5"));
    EXPECT_FALSE(layout.Shows("lblInfo6"));
    EXPECT_FALSE(layout.Shows("lblLink9")); // not named in the file
    // No install root, or no file in it: the default layout, without any box.
    EXPECT_FALSE(CLayoutVisibility::Load("", "about.cfg").HasFile());
    EXPECT_FALSE(CLayoutVisibility::Load("/nonexistent/root", "about.cfg").HasFile());
}

TEST(GuiText, ToolTipCutToSixtyFourCharacters) {
    std::string longText(80, 'a');
    EXPECT_EQ(CTrayIcon::CutToolTip(longText).size(), 64u);
    EXPECT_EQ(CTrayIcon::CutToolTip("Tidewell Windows"), "Tidewell Windows");
    // Characters, not bytes: a multi-byte character is never split.
    std::string umlauts;
    for (int i = 0; i < 70; ++i) {
        umlauts += "\xC3\xBC";
    }
    std::string cut = CTrayIcon::CutToolTip(umlauts);
    EXPECT_EQ(cut.size(), 128u);
    EXPECT_EQ(CGuiText::CutChars("ab\xC3\xBC"
                                 "cd",
                                 3),
              "ab\xC3\xBC");
}
