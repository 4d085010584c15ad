#include "ComposeFixture.h"

#include "GuiTestEnv.h"
#include "common/TestEnv.h"
#include "compose/CTypedRecipients.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

namespace composetest {

FakeRecipients::FakeRecipients() {
    contacts = {{"+4917011111", "Ann Smith", "Ann", "Smith"},
                {"+4917022222", "Bob Jones", "Bob", "Jones"},
                {"+4917033333", "Cy Lee", "Cy", "Lee"}};
    known = {"Ann Smith (+4917011111)", "Bob Jones (+4917022222)", "Team"};
}

std::vector<std::string> FakeRecipients::KnownEntries() {
    return known;
}

void FakeRecipients::Split(const std::string& text, std::vector<std::string>& valid,
                           std::vector<std::string>& invalid) {
    for (std::string& piece : CTypedRecipients::Pieces(text)) {
        bool isKnown = false;
        for (const std::string& entry : known) {
            isKnown = isKnown || CTypedRecipients::EqualsNoCase(entry, piece);
        }
        (isKnown ? valid : invalid).push_back(piece);
    }
}

int FakeRecipients::Count(const std::vector<std::string>& valid) {
    int count = 0;
    for (const std::string& entry : valid) {
        count += CTypedRecipients::EqualsNoCase(entry, "Team") ? 3 : 1;
    }
    return count;
}

RecipientResolution FakeRecipients::Resolve(const std::vector<std::string>& valid) {
    RecipientResolution result;
    for (const std::string& entry : valid) {
        if (CTypedRecipients::EqualsNoCase(entry, "Team")) {
            result.contacts.insert(result.contacts.end(), contacts.begin(), contacts.end());
        } else if (CTypedRecipients::EqualsNoCase(entry, known[0])) {
            result.contacts.push_back(contacts[0]);
        } else if (CTypedRecipients::EqualsNoCase(entry, known[1])) {
            result.contacts.push_back(contacts[1]);
        } else if (std::string number = ConvertToMsisdn(entry); !number.empty()) {
            result.numbers.push_back(number);
        }
    }
    return result;
}

std::string FakeRecipients::ConvertToMsisdn(const std::string& text) {
    return CTypedRecipients::InternationalOnly(text);
}

bool FakeRecipients::AcceptTypedEntry(const std::string& entry) {
    if (ConvertToMsisdn(entry).empty()) {
        return false;
    }
    known.push_back(entry);
    return true;
}

bool FakeRecipients::RemoveEntry(const std::string&) {
    return false;
}

void ComposeTest::SetUp() {
    twtest::UsePrivateFolders(twtest::MakeTempDir("compose"));
    reg.SetDefaultAccount("4711");
    reg.SetAccountType("prepaid");
    reg.SetPrepaidBalance(100);
    reg.SetMsisdnOriginator("+4917099999");
    reg.SetReplyOriginator("Inbox");
    reg.SetTextOriginator("Tidewell");
    reg.SetEnableSignature(0);
    dataFolder = twtest::MakeTempDir("data");
    store = std::make_unique<CMgmtMessages>(dataFolder);
    templates = std::make_unique<CTemplateHandler>(dataFolder);
    recipients = std::make_shared<FakeRecipients>();
    boxes = std::make_shared<win::ScriptedMessageBox>();
    win::SetMessageBoxBackend(boxes);
    shell = std::make_shared<platform::RecordingShell>();
    platform::SetShellBackend(shell);
}

void ComposeTest::TearDown() {
    win::SetMessageBoxBackend(nullptr);
    platform::SetShellBackend(nullptr);
    guitest::Spin(5);
}

ComposeServices ComposeTest::Services() {
    ComposeServices services;
    services.reg = &reg;
    services.store = store.get();
    services.templates = templates.get();
    services.recipients = recipients;
    services.lookupReference = [this](std::uint32_t key, CSMSRecord& out) {
        auto it = references.find(key);
        if (it == references.end()) {
            return false;
        }
        out = it->second;
        return true;
    };
    services.accountId = [] { return std::string("4711"); };
    services.internetAvailable = [this](bool* hasModem) {
        *hasModem = modem;
        return internet;
    };
    services.attemptConnect = [this] { ++connects; };
    services.wakeOutbox = [this] { ++wakes; };
    services.requestAccountUpdate = [this] { ++accountUpdates; };
    services.tickCount = [this] { return tick; };
    return services;
}

std::unique_ptr<CDlgNewSMS> ComposeTest::Open(int mode, std::uint32_t ref) {
    auto dialog = std::make_unique<CDlgNewSMS>(mode, ref, Services());
    dialog->show();
    dialog->activateWindow();
    guitest::Spin(5);
    return dialog;
}

void ComposeTest::SetRoot(const std::string& name, std::uint32_t value) {
    reg.WriteDWORD(value, reg.GetRootPaths().rootWithSeparator, name);
}

void ComposeTest::Type(QWidget* field, const QString& text) {
    field->setFocus();
    // QTest knows only Latin-1 keys; any other character arrives as the text of a key event,
    // as an input method delivers it.
    for (char32_t c : text.toUcs4()) {
        if (c < 0x7F) {
            QTest::keyClicks(field, QString(QChar(static_cast<char16_t>(c))));
        } else {
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString::fromUcs4(&c, 1),
                                Qt::NoModifier);
        }
    }
}

void ComposeTest::SendKeys(CDlgNewSMS& dialog) {
    QTest::keyClick(dialog.Body(), Qt::Key_Return, Qt::ControlModifier);
}

std::vector<std::string> ComposeTest::BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& call : boxes->Calls()) {
        texts.push_back(call.text);
    }
    return texts;
}

std::vector<std::unique_ptr<CMessageRecord>> ComposeTest::Outbox() {
    MessageRecordList list;
    store->OutboxGetRecords(list, 0);
    return list;
}

} // namespace composetest
