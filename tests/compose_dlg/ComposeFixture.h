// A compose dialog over real settings, store and template store in private folders, with
// recipients from a small address book, scripted message boxes and a recording shell.
#pragma once

#include "compose/CDlgNewSMS.h"
#include "config/CQVRegClass.h"
#include "messages/CMgmtMessages.h"
#include "platform/MsgBox.h"
#include "platform/Shell.h"
#include "templates/CTemplateHandler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace composetest {

// Contacts "Ann Smith (+4917011111)" and "Bob Jones (+4917022222)", and the group "Team" of
// Ann, Bob and Cy Lee (+4917033333). Typed numbers must be international.
class FakeRecipients : public IRecipientSource {
public:
    FakeRecipients();
    std::vector<std::string> KnownEntries() override;
    void Split(const std::string& text, std::vector<std::string>& valid,
               std::vector<std::string>& invalid) override;
    int Count(const std::vector<std::string>& valid) override;
    RecipientResolution Resolve(const std::vector<std::string>& valid) override;
    std::string ConvertToMsisdn(const std::string& text) override;
    bool AcceptTypedEntry(const std::string& entry) override;
    bool RemoveEntry(const std::string& entry) override;

    std::vector<std::string> known;
    std::vector<RecipientContact> contacts;
};

class ComposeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A dialog in `mode` for the reference, shown.
    std::unique_ptr<CDlgNewSMS> Open(int mode = CDlgNewSMS::MODE_NEW, std::uint32_t ref = 0);
    ComposeServices Services();
    void SetRoot(const std::string& name, std::uint32_t value);
    void Type(QWidget* field, const QString& text);
    void SendKeys(CDlgNewSMS& dialog);
    std::vector<std::string> BoxTexts() const;
    std::vector<std::unique_ptr<CMessageRecord>> Outbox();

    CQVRegClass reg;
    std::string dataFolder;
    std::unique_ptr<CMgmtMessages> store;
    std::unique_ptr<CTemplateHandler> templates;
    std::shared_ptr<FakeRecipients> recipients;
    std::shared_ptr<win::ScriptedMessageBox> boxes;
    std::shared_ptr<platform::RecordingShell> shell;
    std::map<std::uint32_t, CSMSRecord> references;
    bool internet = true;
    bool modem = false;
    int wakes = 0;
    int accountUpdates = 0;
    int connects = 0;
    std::uint32_t tick = 5000;
};

} // namespace composetest
