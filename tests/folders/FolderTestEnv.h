// Shared pieces of the folder dialog tests: a host with a real store in a private folder, a
// real settings store and reference map, a settable clock, a window that records what the
// dialogs broadcast, and record builders.
#pragma once

#include "app/CMsgRefMap.h"
#include "config/CQVRegClass.h"
#include "folders/IFolderHost.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "platform/Win.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace foldertest {

// The clock the records compare their due dates with; starts at 2026-01-10 12:00.
void SetNow(const std::string& dateTime);
void AdvanceMinutes(int minutes);

class TestHost : public IFolderHost {
public:
    TestHost();

    CMgmtMessages& Store() override { return *store; }
    CQVRegClass& Reg() override { return reg; }
    std::uint32_t MSGRefAdd(const CMessageRecord& record) override {
        return failReferences ? 0 : refs.Add(record);
    }
    bool SMSRefGetGuid(std::uint32_t key, CSMSRecord& out) override { return refs.Get(key, out); }
    bool MSGRefRemove(std::uint32_t key) override { return refs.Remove(key); }
    bool RequestAccountUpdate() override {
        ++accountUpdates;
        return true;
    }
    bool IsInternetAvailable() override { return online; }
    std::string GetInstallRoot() override { return {}; }
    bool RunMessageOptions(QWidget* parent, MessageOptionsValues& values) override;

    std::string folder;
    std::unique_ptr<CMgmtSMS> store;
    CQVRegClass reg;
    CMsgRefMap refs;
    bool failReferences = false;
    bool online = false;
    int accountUpdates = 0;

    // Message options: what the dialog was preset with, what it answers, and what happens
    // while it is open.
    int optionRuns = 0;
    MessageOptionsValues optionsSeen;
    bool optionsAnswer = true;
    MessageOptionsValues optionsResult;
    std::function<void()> whileOptionsOpen;
};

// A top-level platform window on the GUI thread that records the registered requests the
// dialogs broadcast.
class BroadcastRecorder {
public:
    BroadcastRecorder();
    ~BroadcastRecorder();
    // (message, wParam) in arrival order.
    std::vector<std::pair<win::UINT, win::WPARAM>> received;
    // Lets the queued broadcasts arrive (posts a marker to itself and waits for it).
    void Drain();
    size_t Count(win::UINT message) const;

private:
    win::HWND m_hwnd = 0;
    bool m_marker = false;
};

CSMSRecord Sms(const std::string& guid, const std::string& recipients, const std::string& text,
               const std::string& dateTime, std::int32_t status);

} // namespace foldertest
