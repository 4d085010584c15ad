#include "FolderTestEnv.h"

#include "GuiTestEnv.h"
#include "common/TestEnv.h"
#include "gui/CGuiMessages.h"

#include <atomic>
#include <cstdio>

namespace foldertest {
namespace {

std::atomic<long long> g_now{0};

MessageDateTime FakeNow() {
    return MessageDateTime(std::chrono::seconds(g_now.load()));
}

constexpr win::UINT kMarker = win::WM_USER + 321;

} // namespace

void SetNow(const std::string& dateTime) {
    CSMSRecord probe;
    probe.DateTime = dateTime;
    g_now = probe.GetDateTime().time_since_epoch().count();
    CMessageClock::SetNowFunction(&FakeNow);
}

void AdvanceMinutes(int minutes) {
    g_now += 60LL * minutes;
}

TestHost::TestHost() : folder(twtest::MakeTempDir("folders")) {
    store = std::make_unique<CMgmtSMS>(folder);
    SetNow("2026-01-10 12:00");
    // The per-account settings need a current account.
    reg.SetDefaultAccount("4711");
    reg.SetAlertListboxFlags({1, 1, 1, 1, 1, 1, 1, 1, 1});
    reg.SetSortListColumn(2);
    reg.SetSortListOrder(0);
}

bool TestHost::RunMessageOptions(QWidget*, MessageOptionsValues& values) {
    ++optionRuns;
    optionsSeen = values;
    if (whileOptionsOpen) {
        whileOptionsOpen();
    }
    if (!optionsAnswer) {
        return false;
    }
    values = optionsResult;
    return true;
}

BroadcastRecorder::BroadcastRecorder() {
    m_hwnd = win::CreateWindow(
        {"FolderTestRecorder", "folder test recorder", 0, 0},
        [this](win::HWND self, win::UINT msg, win::WPARAM wp, win::LPARAM lp) -> win::LRESULT {
            if (msg == kMarker) {
                m_marker = true;
            } else if (msg >= 0xC000) {
                received.emplace_back(msg, wp);
            }
            return win::DefWindowProc(self, msg, wp, lp);
        });
}

BroadcastRecorder::~BroadcastRecorder() {
    if (m_hwnd != 0) {
        win::DestroyWindow(m_hwnd);
    }
}

void BroadcastRecorder::Drain() {
    m_marker = false;
    win::PostMessage(m_hwnd, kMarker, 0, 0);
    guitest::SpinUntil([this] { return m_marker; });
}

size_t BroadcastRecorder::Count(win::UINT message) const {
    size_t count = 0;
    for (const auto& [msg, wp] : received) {
        count += msg == message ? 1 : 0;
    }
    return count;
}

CSMSRecord Sms(const std::string& guid, const std::string& recipients, const std::string& text,
               const std::string& dateTime, std::int32_t status) {
    CSMSRecord record;
    record.GUID = guid;
    record.SetRecipients(recipients);
    record.MessageText = text;
    record.DateTime = dateTime;
    record.Status = status;
    return record;
}

} // namespace foldertest
