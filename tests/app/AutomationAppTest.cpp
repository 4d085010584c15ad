// Automation end to end on a private session bus, with the real D-Bus tools as the other
// program: the object's introspection, calls that become referenced records and open the
// compose dialog, activation through the file the register switch writes, one instance,
// the unregister switch, and a start without a bus.
#include "SessionBus.h"
#include "WelcomeAnswer.h"
#include "app/CEditionValues.h"
#include "app/CTidewellWindowsApp.h"
#include "automation/AutomationIds.h"
#include "automation/CAutomationRegistration.h"
#include "automation/CAutomationServer.h"
#include "automation/CQVApplication.h"
#include "common/TestEnv.h"
#include "compose/CAutoCompleteEdit.h"
#include "compose/CDlgNewSMS.h"
#include "log/LogManager.h"
#include "messages/CSMSRecord.h"
#include "platform/MsgBox.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

using twtest::ClientResult;
using twtest::RunClient;

namespace {

std::string Program() {
    return twtest::BinDir() + "/tidewell";
}

std::string LogText() {
    return twtest::ReadFile(std::string(std::getenv("TMPDIR")) + "/Quorvane/TWD.log");
}

std::vector<std::string> Call(const std::string& names, const std::string& numbers,
                              const std::string& message) {
    return {"gdbus",
            "call",
            "--session",
            "--timeout",
            "60",
            "--dest",
            automation::kBusName,
            "--object-path",
            automation::kObjectPath,
            "--method",
            std::string(automation::kInterface) + "." + automation::kMethod,
            names,
            numbers,
            message};
}

std::vector<std::string> BusQuery(const std::string& method, const std::string& arg) {
    return {"gdbus",
            "call",
            "--session",
            "--dest",
            "org.freedesktop.DBus",
            "--object-path",
            "/org/freedesktop/DBus",
            "--method",
            "org.freedesktop.DBus." + method,
            arg};
}

// The home country of the user is GB, so that national numbers convert.
void UseHomeCountryGB() {
    CEditionValues::Select(false);
    platform::RegKey root;
    ASSERT_TRUE(root.Create(platform::RegRoot::CurrentUser, CEditionValues::Get().countryCodeKey));
    ASSERT_TRUE(root.SetString("HomeCountry", "GB"));
}

// The record parked under some key whose text is `text`.
std::optional<CSMSRecord> Parked(CTidewellWindowsApp& app, const std::string& text) {
    for (std::uint32_t key = 1; key < 32; ++key) {
        CSMSRecord record;
        if (app.SMSRefGetGuid(key, record) && record.MessageText == text) {
            return record;
        }
    }
    return std::nullopt;
}

std::vector<std::string> Numbers(const CSMSRecord& record) {
    std::vector<std::string> list;
    for (const MessageRecipient& r : record.Recipients) {
        list.push_back(r.Number);
    }
    return list;
}

// Runs the Qt loop until `done` holds (or the time is up); each pass waits for events.
bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    check.start(10);
    bool timedOut = false;
    QTimer::singleShot(timeoutMs, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    if (!done()) {
        loop.exec();
    }
    return !timedOut || done();
}

// An open compose dialog whose text is `text` (or, with `prefix`, starts with it).
CDlgNewSMS* ComposeDialogWithText(const QString& text, bool prefix = false) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<CDlgNewSMS*>(widget);
        const QString body = dialog != nullptr ? dialog->Body()->toPlainText() : QString();
        if (dialog != nullptr && dialog->isVisible() &&
            (prefix ? body.startsWith(text) : body == text)) {
            return dialog;
        }
    }
    return nullptr;
}

// Waits for a top-level window of that title in any process of the session, looking again at
// each tick of a platform timer of this thread. 0 when none appears in time.
win::HWND WaitForWindow(const std::string& title, int timeoutMs) {
    win::HWND found = win::FindWindow("", title);
    const win::HWND ticks =
        win::CreateWindow({"AutomationTestTicks", "", 0, 0}, win::DefWindowProc);
    win::SetTimer(ticks, 1, 10);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    win::MSG msg;
    while (found == 0 && std::chrono::steady_clock::now() < end && win::GetMessage(&msg, ticks)) {
        if (msg.message == win::WM_TIMER) {
            found = win::FindWindow("", title);
        }
    }
    win::KillTimer(ticks, 1);
    win::DestroyWindow(ticks);
    return found;
}

class AutomationApp : public ::testing::Test {
protected:
    void SetUp() override {
        twtest::UsePrivateFolders(twtest::MakeTempDir("automation"));
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        UseHomeCountryGB();
    }
};

} // namespace

TEST_F(AutomationApp, CallsOverTheBusBecomeRecordsAndOpenTheComposeDialog) {
    twtest::PrivateSessionBus bus;
    ASSERT_FALSE(bus.Address().empty()) << "dbus-run-session did not start a bus";

    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    {
        WelcomeAnswer next(win::IDOK);
        ASSERT_TRUE(app.InitInstance());
    }
    ASSERT_NE(app.Automation(), nullptr);
    EXPECT_EQ(app.Automation()->CurrentState(), CAutomationServer::State::Owner);
    win::SetMessageBoxBackend(std::make_shared<win::ScriptedMessageBox>());

    // What a D-Bus tool shows of the object.
    ClientResult intro = RunClient({"gdbus", "introspect", "--session", "--xml", "--dest",
                                    automation::kBusName, "--object-path", automation::kObjectPath},
                                   true);
    ASSERT_EQ(intro.exitCode, 0) << intro.output;
    EXPECT_NE(intro.output.find("<interface name=\"QVMessenger.IQVApplication\">\n"
                                "    <method name=\"ShowDlgSMS\">\n"
                                "      <arg name=\"bstrNames\" type=\"s\" direction=\"in\"/>\n"
                                "      <arg name=\"bstrNumbers\" type=\"s\" direction=\"in\"/>\n"
                                "      <arg name=\"bstrMessage\" type=\"s\" direction=\"in\"/>\n"
                                "      <arg name=\"result\" type=\"i\" direction=\"out\"/>\n"
                                "    </method>"),
              std::string::npos)
        << intro.output;

    // Two names, three numbers with an empty part between the first two: the third one is
    // listed bare. National numbers convert with the home country.
    ClientResult first =
        RunClient(Call("Ann;Bob", "07400 123456; ;+44 7400 123457;07400 123458", "Hello"), true);
    EXPECT_EQ(first.output, "(0,)\n");
    // A name of letters and digits keeps its letters, one of digits only leaves its number
    // bare; a number that does not convert stays as given.
    ClientResult second =
        RunClient(Call("R2D2;4711;Cy", "07400 123456;07400 123457;12", "Droids"), true);
    EXPECT_EQ(second.output, "(0,)\n");
    // No numbers: a record without recipients, the dialog still opens with the text.
    ClientResult third = RunClient(Call("Ann", "", "Just the text"), true);
    EXPECT_EQ(third.output, "(0,)\n");

    // The line the README shows: 07700 900xxx numbers are reserved for drama, no valid mobile
    // numbers, so the national one stays as written.
    EXPECT_EQ(RunClient(Call("Ann;Bob", "+447700900123;07700 900456", "Readme"), true).output,
              "(0,)\n");
    auto readme = Parked(app, "Readme");
    ASSERT_TRUE(readme);
    EXPECT_EQ(Numbers(*readme),
              (std::vector<std::string>{"Ann (+447700900123)", "Bob (07700 900456)"}));

    auto hello = Parked(app, "Hello");
    ASSERT_TRUE(hello);
    EXPECT_EQ(Numbers(*hello), (std::vector<std::string>{"Ann (+447400123456)",
                                                         "Bob (+447400123457)", "+447400123458"}));
    auto droids = Parked(app, "Droids");
    ASSERT_TRUE(droids);
    EXPECT_EQ(Numbers(*droids),
              (std::vector<std::string>{"RD (+447400123456)", "+447400123457", "Cy (12)"}));
    auto bare = Parked(app, "Just the text");
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->Recipients.empty());

    // "QVShowNewSMS" reached the hidden window: the compose dialogs open prefilled.
    ASSERT_TRUE(RunLoopUntil([] { return ComposeDialogWithText("Hello") != nullptr; }));
    EXPECT_EQ(ComposeDialogWithText("Hello")->Recipients()->Recipients(),
              "Ann (+447400123456);Bob (+447400123457);+447400123458;");
    ASSERT_TRUE(RunLoopUntil([] { return ComposeDialogWithText("Just the text") != nullptr; }));
    EXPECT_EQ(ComposeDialogWithText("Just the text")->Recipients()->Recipients(), "");

    // Megabytes over the bus (too long for a command line: through a second connection of
    // this process): names and text of megabytes.
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");
    ASSERT_TRUE(client.isConnected());
    auto callBig = [&](const std::string& names, const std::string& numbers, const QString& text) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(automation::kBusName, automation::kObjectPath,
                                           automation::kInterface, automation::kMethod);
        call << QString::fromStdString(names) << QString::fromStdString(numbers) << text;
        QDBusPendingCallWatcher watcher(client.asyncCall(call, 120000));
        EXPECT_TRUE(RunLoopUntil([&] { return watcher.isFinished(); }, 120000));
        return QDBusPendingReply<int>(watcher);
    };
    std::string names;
    while (names.size() < (2u << 20)) {
        names += "Name 7;";
    }
    std::string numbers;
    for (unsigned i = 0; i < 100; ++i) {
        numbers += "07400 1" + std::to_string(10000 + i) + ";";
    }
    const QString bigText(3 << 20, QChar(u'\u00e9'));
    QDBusPendingReply<int> reply = callBig(names, numbers, bigText);
    ASSERT_TRUE(reply.isValid()) << reply.error().message().toStdString();
    EXPECT_EQ(reply.value(), 0);
    // The text as far as the compose dialog could ever keep it.
    const QString keptText = bigText.left(32767);
    auto big = Parked(app, keptText.toStdString());
    ASSERT_TRUE(big);
    ASSERT_EQ(big->Recipients.size(), 100u);
    EXPECT_EQ(big->Recipients.front().Number, "Name (+447400110000)");
    EXPECT_EQ(big->Recipients.back().Number, "Name (+447400110099)");
    EXPECT_TRUE(RunLoopUntil(
        [&] { return ComposeDialogWithText(bigText.left(10), true) != nullptr; }, 120000));

    // A megabyte of numbers is more than a message can go to: an error, nothing parked.
    std::string tooMany;
    while (tooMany.size() < (1u << 20)) {
        tooMany += "07400 123456;";
    }
    QDBusPendingReply<int> refused = callBig("", tooMany, "Too many");
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().type(), QDBusError::InvalidArgs);
    EXPECT_EQ(refused.error().message(), "A message can go to at most 1000 recipients");
    EXPECT_FALSE(Parked(app, "Too many"));
    QDBusConnection::disconnectFromBus("client");

    // The name goes at exit.
    app.ExitInstance();
    win::SetMessageBoxBackend(nullptr);
    ClientResult owner = RunClient(BusQuery("NameHasOwner", automation::kBusName), false);
    EXPECT_EQ(owner.output, "(false,)\n");
}

// The object on the bus by itself: requests that arrive before the program is up are answered
// at once and carried out when it serves; too many recipients are refused either way.
TEST_F(AutomationApp, RequestsWaitUntilTheProgramServes) {
    twtest::PrivateSessionBus bus;
    ASSERT_FALSE(bus.Address().empty());
    int argc = 1;
    char name[] = "automation-test";
    char* argv[] = {name, nullptr};
    QCoreApplication qt(argc, argv);

    std::vector<CSMSRecord> parked;
    CQVApplication::Host host;
    host.convertNumber = [](const std::string& n) {
        return n == "07400 123456" ? "+447400123456" : "";
    };
    host.msgRefAdd = [&](const CMessageRecord& record) {
        parked.push_back(static_cast<const CSMSRecord&>(record));
        return static_cast<std::uint32_t>(parked.size());
    };
    std::vector<std::uint32_t> announced;
    host.announce = [&](std::uint32_t key) { announced.push_back(key); };
    CQVApplication object(std::move(host));
    CAutomationServer server(object);
    ASSERT_EQ(server.Register(), CAutomationServer::State::Owner);

    EXPECT_EQ(RunClient(Call("Ann", "07400 123456", "Early"), true).output, "(0,)\n");
    EXPECT_EQ(server.KeptRequests(), 1u);
    EXPECT_TRUE(parked.empty()) << "nothing is built before the program serves";
    std::string tooMany;
    for (unsigned i = 0; i <= automation::kMaxRecipients; ++i) {
        tooMany += "1;";
    }
    ClientResult refused = RunClient(Call("", tooMany, "x"), true);
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.output.find("org.freedesktop.DBus.Error.InvalidArgs: A message can go to at "
                                  "most 1000 recipients"),
              std::string::npos)
        << refused.output;
    EXPECT_EQ(server.KeptRequests(), 1u);

    server.Serve();
    ASSERT_EQ(parked.size(), 1u);
    ASSERT_EQ(parked[0].Recipients.size(), 1u);
    EXPECT_EQ(parked[0].Recipients[0].Number, "Ann (+447400123456)");
    EXPECT_EQ(parked[0].MessageText, "Early");
    EXPECT_EQ(announced, (std::vector<std::uint32_t>{1}));

    EXPECT_EQ(RunClient(Call("", "07400 999", "Later"), true).output, "(0,)\n");
    ASSERT_EQ(parked.size(), 2u) << "once serving, a request is carried out during the call";
    EXPECT_EQ(parked[1].Recipients[0].Number, "07400 999");

    server.Revoke();
    EXPECT_EQ(RunClient(BusQuery("NameHasOwner", automation::kBusName), false).output,
              "(false,)\n");
}

TEST_F(AutomationApp, StartWithoutSessionBusLogsAndRunsOn) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS",
             ("unix:path=" + twtest::PrivateRoot() + "/no-bus-here").c_str(), 1);
    const char* argv[] = {"tidewell"};
    CTidewellWindowsApp app(1, argv);
    WelcomeAnswer close(win::IDCANCEL);
    ASSERT_TRUE(app.InitInstance()) << "start-up goes on without automation";
    EXPECT_EQ(app.Automation(), nullptr);
    EXPECT_NE(app.Gui(), nullptr);
    const std::string log = twtest::ReadFile(CLogManager::Instance().FilePath());
    EXPECT_NE(log.find("Automation is not available: no session bus"), std::string::npos) << log;
    app.ExitInstance();
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

// The program as other programs meet it: registered by its switch, started by the bus for a
// call, one instance, unregistered by its switch.
TEST_F(AutomationApp, RegisteredProgramIsStartedByACallAndUnregisteredBySwitch) {
    // The bus starts after the private folders are in place: it reads activation files from
    // this test's data folder.
    twtest::PrivateSessionBus bus;
    ASSERT_FALSE(bus.Address().empty());

    ClientResult reg = RunClient({Program(), "/RegServer"}, false);
    ASSERT_EQ(reg.exitCode, 0) << reg.output;
    const std::string service = CAutomationRegistration::ServiceFilePath();
    EXPECT_EQ(twtest::ReadFile(service),
              "[D-BUS Service]\nName=QVMessenger.QVApplication\nExec=" + Program() + "\n");
    EXPECT_EQ(RunClient(BusQuery("NameHasOwner", automation::kBusName), false).output, "(false,)\n")
        << "registering does not take the name";

    // Whatever happens below, a program the bus started does not outlive the test.
    struct EndStarted {
        ~EndStarted() {
            if (pid_t left = twtest::BusNameOwnerPid(automation::kBusName); left > 0) {
                ::kill(left, SIGKILL);
            }
        }
    } endStarted;

    // The call starts the program and is answered at once; the request waits until the
    // program is up (a new user first answers the first-start window), then the compose
    // dialog opens: a platform window of that title in the started program.
    {
        WelcomeAnswer next(win::IDOK);
        ClientResult call =
            RunClient(Call("Ann;Bob", "+447700900123;07700 900456", "Hello"), false);
        ASSERT_EQ(call.output, "(0,)\n") << LogText();
        EXPECT_NE(WaitForWindow("New SMS", 30000), 0u) << LogText();
        EXPECT_TRUE(next.Answered());
    }
    const pid_t started = twtest::BusNameOwnerPid(automation::kBusName);
    ASSERT_GT(started, 0);

    // A second start finds the name taken, hands its verb to the running instance and ends
    // (its log lines are lost: the running instance holds the log); the name stays where it
    // was.
    ClientResult second = RunClient({Program(), "NewMessage"}, false);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(twtest::BusNameOwnerPid(automation::kBusName), started);

    // Ending the program lets the name go.
    EXPECT_EQ(RunClient({Program(), "ShutdownNow"}, false).exitCode, 0);
    ASSERT_TRUE(twtest::WaitForProcessEnd(started, 30000));
    const std::string log = LogText();
    EXPECT_NE(log.find("Automation name QVMessenger.QVApplication released"), std::string::npos)
        << log;
    EXPECT_EQ(RunClient(BusQuery("NameHasOwner", automation::kBusName), false).output,
              "(false,)\n");

    // Unregistered (another spelling of the switch): no activation file, no class; the
    // AppID keys stay.
    ClientResult unreg = RunClient({Program(), "-UNREGSERVER"}, false);
    EXPECT_EQ(unreg.exitCode, 0) << unreg.output;
    EXPECT_FALSE(std::filesystem::exists(service));
    EXPECT_FALSE(platform::RegKeyExists(
        platform::RegRoot::CurrentUser,
        CAutomationRegistration::ClassesKey(std::string("CLSID\\") + automation::kClassId)));
    EXPECT_TRUE(platform::RegKeyExists(
        platform::RegRoot::CurrentUser,
        CAutomationRegistration::ClassesKey(std::string("AppID\\") + automation::kAppId)));
    // Without the file the bus cannot start the program any more.
    ClientResult refused = RunClient(Call("", "+447700900123", "x"), false);
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.output.find("ServiceUnknown"), std::string::npos) << refused.output;
}
