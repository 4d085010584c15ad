// A core manager over a scripted client core, a real message store in a private folder and
// recorded settings; message boxes are scripted and the log is read back.
#pragma once

#include "FakeClientCore.h"

#include "log/LogManager.h"
#include "common/TestEnv.h"
#include "core/CMgmtCore.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "platform/MsgBox.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace coretest {

constexpr const char* kProduct = "Tidewell Windows";
constexpr const char* kAppId = "TidewellWindows2.0.353";
constexpr const char* kAccountsKey = "Software\\Quorvane\\Tidewell Windows\\2.0\\Accounts\\";

class CoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CLogManager::Instance().SetMinimumSeverity(LOG_SEV_TRACE);
        boxes = std::make_shared<win::ScriptedMessageBox>();
        win::SetMessageBoxBackend(boxes);
        folder = twtest::MakeTempDir("core");
        store = std::make_shared<CMgmtSMS>(folder);
        settings = std::make_shared<RecordingSettings>();
        settings->defaultAccount = "4711";
        settings->language = "en";
        settings->msisdnOriginator = "+447700900123";
        fake = std::make_shared<FakeClientCore>();
    }

    void TearDown() override {
        manager.reset();
        win::SetMessageBoxBackend(nullptr);
    }

    CMgmtCore& Start(bool monitor = false, CoreOptions options = {}) {
        options.startMonitor = monitor;
        if (options.localAddress == nullptr) {
            options.localAddress = std::make_shared<std::string>("192.0.2.7");
        }
        manager = std::make_unique<CMgmtCore>(settings, store, nullptr, kProduct, kAppId,
                                              kAccountsKey, fake, options);
        return *manager;
    }

    // The log written since the last call.
    std::string NewLog() {
        std::string all = twtest::ReadFile(CLogManager::Instance().FilePath());
        std::string fresh = all.size() >= m_logMark ? all.substr(m_logMark) : all;
        m_logMark = all.size();
        return fresh;
    }
    void MarkLog() { NewLog(); }

    static CSMSRecord Sms(const std::string& guid, const std::string& recipients,
                          std::int32_t status) {
        CSMSRecord r;
        r.GUID = guid;
        r.SetRecipients(recipients);
        r.Status = status;
        r.MessageText = "hello";
        r.FlashMode = "0";
        r.AccountID = "4711";
        r.SetDateTime();
        return r;
    }

    void Event(win::WPARAM code, const std::string& guid) {
        manager->OnCoreMessage(code, guid.c_str());
    }

    std::shared_ptr<win::ScriptedMessageBox> boxes;
    std::string folder;
    std::shared_ptr<CMgmtSMS> store;
    std::shared_ptr<RecordingSettings> settings;
    std::shared_ptr<FakeClientCore> fake;
    std::unique_ptr<CMgmtCore> manager;

private:
    std::size_t m_logMark = 0;
};

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace coretest
