// The program killed at random instants while it sends a batch of due messages: whatever the
// instant, no message is lost, stranded or sent twice, and the folder files stay readable.
//
// The number of kills is TW_CRASH_KILLS (20 by default), the seed of the instants
// TW_CRASH_SEED (fixed by default, so a failure can be replayed).
#include "app/CEditionValues.h"
#include "common/TestEnv.h"
#include "common/Wait.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "platform/MsgBox.h"
#include "platform/Registry.h"
#include "platform/Win.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr int kMessages = 30;

pid_t Start(const std::vector<std::string>& args) {
    return twtest::Spawn(twtest::BinDir() + "/tidewell", args);
}

int WaitFor(pid_t pid, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    return twtest::WaitForExit(pid, limit);
}

bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    return twtest::WaitUntil(condition, limit, std::chrono::milliseconds(20));
}

std::string DataFolder() {
    return std::string(std::getenv("XDG_DATA_HOME")) + "/TWD";
}

// The records of a folder file; an absent file is an empty folder. False when the file is
// there but cannot be read.
bool ReadFolder(const std::string& name, MessageRecordList& records, std::string& error) {
    records.clear();
    const std::string path = DataFolder() + "/" + name;
    if (!std::filesystem::exists(path)) {
        return true;
    }
    return CMgmtMessages::ReadFolderData(twtest::ReadFile(path), records, error);
}

const std::string& Text(const CMessageRecord& record) {
    return dynamic_cast<const CSMSRecord&>(record).MessageText;
}

int EnvInt(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

std::int64_t Query(const std::string& sql) {
    sqlite3* db = nullptr;
    std::int64_t value = -1;
    const std::string path = DataFolder() + "/service.db";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW) {
            value = sqlite3_column_int64(s, 0);
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return value;
}

class Crash : public ::testing::Test {
protected:
    void SetUp() override {
        twtest::UsePrivateFolders(twtest::MakeTempDir("crash"));
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        CEditionValues::Select(false);
        const EditionValues& edition = CEditionValues::Get();
        // The embedded service at a tenth of its usual delays: final reports after 0.5 s.
        platform::RegKey core;
        ASSERT_TRUE(core.Create(platform::RegRoot::CurrentUser, edition.coreKey));
        ASSERT_TRUE(core.SetDWORD("ServiceDelayPercent", 10));
    }

    // Signs a new user up through the first-start window and ends the program.
    std::string SignUp() {
        pid_t first = Start({});
        EXPECT_GT(first, 0);
        win::HWND welcome = 0;
        EXPECT_TRUE(WaitUntil([&] { return (welcome = win::FindWindow("", "Welcome")) != 0; }));
        win::PostMessage(welcome, win::WM_COMMAND, win::IDOK, 0);
        EXPECT_TRUE(WaitUntil([] { return win::FindWindow("", "TWD_HIDDEN_WND") != 0; }));
        pid_t stop = Start({"ShutdownNow"});
        EXPECT_EQ(WaitFor(stop), 0);
        EXPECT_EQ(WaitFor(first), 0);
        platform::RegKey key;
        if (!key.Open(platform::RegRoot::CurrentUser, CEditionValues::Get().accountsKey)) {
            return "";
        }
        return key.QueryString("DefaultAccount").value_or("");
    }

    // Thirty due messages in the outbox, as the compose dialog leaves them.
    void FillOutbox(const std::string& account) {
        CMgmtSMS store(DataFolder(), StoreOptions{std::chrono::milliseconds(0)});
        for (int i = 0; i < kMessages; ++i) {
            CSMSRecord record;
            char number[32];
            std::snprintf(number, sizeof number, "+4477009002%02d", i);
            record.GUID = "compose-" + std::to_string(i);
            record.SetRecipients(number);
            record.MessageText = "Message " + std::to_string(i);
            record.AccountID = account;
            record.TruncateMode = 1;
            record.Status = MSGSTATUS_NOT_SENT;
            ASSERT_TRUE(store.OutboxAddRecord(record));
        }
    }

    // Every message is in exactly one place, or (a move cut short) in both folders under the
    // same GUID; nothing is lost and both files read.
    void ExpectFoldersWhole(int kill) {
        MessageRecordList outbox, sentbox;
        std::string error;
        ASSERT_TRUE(ReadFolder("outbox.dat", outbox, error)) << "kill " << kill << ": " << error;
        ASSERT_TRUE(ReadFolder("sentbox.dat", sentbox, error)) << "kill " << kill << ": " << error;
        std::map<std::string, std::vector<std::string>> places; // text -> GUIDs
        for (const auto& r : sentbox) {
            places[Text(*r)].push_back(r->GUID);
        }
        for (const auto& r : outbox) {
            places[Text(*r)].push_back(r->GUID);
        }
        EXPECT_EQ(places.size(), static_cast<std::size_t>(kMessages)) << "kill " << kill;
        for (const auto& [text, guids] : places) {
            EXPECT_TRUE(guids.size() == 1 || (guids.size() == 2 && guids[0] == guids[1]))
                << "kill " << kill << ": " << text << " stands " << guids.size() << " times";
        }
        for (const auto& entry : std::filesystem::directory_iterator(DataFolder())) {
            EXPECT_EQ(entry.path().string().find(".damaged"), std::string::npos)
                << entry.path().string();
        }
    }
};

TEST_F(Crash, KilledAtRandomInstantsEveryMessageEndsFinalOnce) {
    const std::string account = SignUp();
    ASSERT_FALSE(account.empty());
    FillOutbox(account);

    const int kills = EnvInt("TW_CRASH_KILLS", 20);
    std::mt19937 random(static_cast<unsigned>(EnvInt("TW_CRASH_SEED", 20261208)));
    // Start-up takes a while under the sanitizers: the instants cover it and the sending.
    std::uniform_int_distribution<int> instant(0, 1500);
    for (int kill = 0; kill < kills; ++kill) {
        pid_t pid = Start({});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(instant(random)));
        ::kill(pid, SIGKILL);
        ASSERT_GE(WaitFor(pid), 0);
        ExpectFoldersWhole(kill);
        if (HasFatalFailure()) {
            return;
        }
    }

    // Run to the end: every message final in the sentbox, the outbox empty. This run and the
    // one that ends it log into folders of their own, kept for a failure.
    const std::string tmp = std::getenv("TMPDIR");
    std::filesystem::create_directories(tmp + "/last");
    std::filesystem::create_directories(tmp + "/stop");
    ::setenv("TMPDIR", (tmp + "/last").c_str(), 1);
    pid_t last = Start({});
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ASSERT_GT(last, 0);
    MessageRecordList outbox, sentbox;
    std::string error;
    bool done = WaitUntil(
        [&] {
            if (!ReadFolder("outbox.dat", outbox, error) ||
                !ReadFolder("sentbox.dat", sentbox, error)) {
                return false;
            }
            if (!outbox.empty() || sentbox.size() != static_cast<std::size_t>(kMessages)) {
                return false;
            }
            for (const auto& r : sentbox) {
                if (r->Status != MSGSTATUS_FINAL) {
                    return false;
                }
            }
            return true;
        },
        std::chrono::seconds(60));
    // The files may have been final before this run began: it must be running (holding the
    // instance lock, showing its window) before it is asked to end.
    EXPECT_TRUE(WaitUntil([] { return win::FindWindow("", "TWD_HIDDEN_WND") != 0; }));
    ::setenv("TMPDIR", (tmp + "/stop").c_str(), 1);
    pid_t stop = Start({"ShutdownNow"});
    ::setenv("TMPDIR", tmp.c_str(), 1);
    EXPECT_EQ(WaitFor(stop), 0);
    const int lastCode = WaitFor(last);
    EXPECT_EQ(lastCode, 0) << twtest::ReadFile(tmp + "/last/Quorvane/TWD.log")
                           << twtest::ReadFile(tmp + "/stop/Quorvane/TWD.log");
    if (lastCode < 0) {
        ::kill(last, SIGKILL);
        WaitFor(last);
    }
    ASSERT_TRUE(done) << "outbox " << outbox.size() << ", sentbox " << sentbox.size();

    std::map<std::string, int> texts;
    for (const auto& r : sentbox) {
        ++texts[Text(*r)];
        EXPECT_EQ(r->Recipients.at(0).StatusText, "Delivered") << Text(*r);
    }
    EXPECT_EQ(texts.size(), static_cast<std::size_t>(kMessages));
    // The service accepted and charged each message once.
    EXPECT_EQ(Query("SELECT COUNT(*) FROM messages WHERE service_id IS NOT NULL"), kMessages);
    EXPECT_EQ(Query("SELECT COUNT(*) FROM messages"), kMessages);
    EXPECT_EQ(Query("SELECT balance FROM accounts"), 50 - kMessages);
}

TEST_F(Crash, ASecondStartWhileTheFirstIsStartingWaitsAndForwards) {
    pid_t first = Start({});
    ASSERT_GT(first, 0);
    win::HWND welcome = 0;
    ASSERT_TRUE(WaitUntil([&] { return (welcome = win::FindWindow("", "Welcome")) != 0; }));
    // The first start shows its welcome window and no hidden window yet: the second start
    // neither runs a program of its own (no second welcome window) nor gives up.
    pid_t second = Start({"NewMessage"});
    ASSERT_GT(second, 0);
    EXPECT_EQ(WaitFor(second, std::chrono::milliseconds(1500)), -1);
    std::vector<win::HWND> welcomes = win::EnumWindowsByClass(win::GetClassName(welcome));
    EXPECT_EQ(std::count_if(welcomes.begin(), welcomes.end(),
                            [](win::HWND w) { return win::GetWindowText(w) == "Welcome"; }),
              1);
    win::PostMessage(welcome, win::WM_COMMAND, win::IDOK, 0);
    EXPECT_EQ(WaitFor(second), 0) << "forwarded once the first instance shows its window";
    pid_t stop = Start({"ShutdownNow"});
    EXPECT_EQ(WaitFor(stop), 0);
    EXPECT_EQ(WaitFor(first), 0);
}

} // namespace
