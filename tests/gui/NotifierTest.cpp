// Desktop notifications: where a balloon goes, what the notification service receives, a
// click on a notification, a service that refuses, and the log line when nothing can show
// it. Runs on a private session bus (dbus-run-session) with a notification service of the
// test's own on a connection of its own.
#include "GuiTestEnv.h"

#include "gui/CDesktopNotifier.h"
#include "gui/CGuiMessages.h"
#include "gui/CMgmtGUI.h"
#include "gui/CUsageReminder.h"
#include "gui/GuiDefs.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

using namespace guitest;

namespace {

struct Received {
    QString appName;
    QString icon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    int timeout = 0;
};

// The service side of org.freedesktop.Notifications, as a desktop's notification daemon
// offers it.
class FakeNotifications : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList capabilities{"body", "actions", "body-markup"};
    bool refuse = false;
    std::vector<Received> received;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& appName, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        if (refuse) {
            sendErrorReply(QDBusError::AccessDenied, "notifications are switched off");
            return 0;
        }
        received.push_back({appName, icon, summary, body, actions, hints, timeout});
        return static_cast<uint>(received.size()) + 100;
    }
    void CloseNotification(uint) {}
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
        vendor = "test";
        version = "1";
        specVersion = "1.2";
        return "fake";
    }
};

class Service {
public:
    Service() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-service")) {}
    ~Service() {
        Stop();
        QDBusConnection::disconnectFromBus("fake-service");
    }
    bool Start() {
        return m_bus.registerObject(CDesktopNotifier::kPath, &fake,
                                    QDBusConnection::ExportAllSlots) &&
               m_bus.registerService(CDesktopNotifier::kService);
    }
    void Stop() {
        m_bus.unregisterService(CDesktopNotifier::kService);
        m_bus.unregisterObject(CDesktopNotifier::kPath);
    }
    void Signal(const char* name, uint id, const QVariant& second) {
        QDBusMessage signal =
            QDBusMessage::createSignal(CDesktopNotifier::kPath, CDesktopNotifier::kInterface, name);
        signal << id << second;
        m_bus.send(signal);
    }
    FakeNotifications fake;

private:
    QDBusConnection m_bus;
};

// The test main clears the bus address with the rest of the user's environment; the private
// bus dbus-run-session started for this process is kept here before main runs.
const std::string g_privateBus = [] {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return std::string(address != nullptr ? address : "");
}();

class NotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_privateBus.empty()) {
            ::setenv("DBUS_SESSION_BUS_ADDRESS", g_privateBus.c_str(), 1);
        }
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected())
            << "run under dbus-run-session: a private session bus is needed";
    }
};

} // namespace

TEST(BalloonRoute, TheTrayFirstThenTheNotificationServiceElseNowhere) {
    using R = CDesktopNotifier::Route;
    EXPECT_EQ(CDesktopNotifier::ChooseRoute(true, true, true), R::TrayBalloon);
    EXPECT_EQ(CDesktopNotifier::ChooseRoute(true, true, false), R::TrayBalloon);
    EXPECT_EQ(CDesktopNotifier::ChooseRoute(true, false, true), R::DesktopNotification);
    EXPECT_EQ(CDesktopNotifier::ChooseRoute(false, true, true), R::DesktopNotification)
        << "a hidden tray icon shows no balloon";
    EXPECT_EQ(CDesktopNotifier::ChooseRoute(false, false, true), R::DesktopNotification);
    EXPECT_EQ(CDesktopNotifier::ChooseRoute(true, false, false), R::None);
    EXPECT_EQ(CDesktopNotifier::ChooseRoute(false, false, false), R::None);
}

TEST(NotifierBody, EscapedOnlyForServicesThatReadMarkup) {
    EXPECT_EQ(CDesktopNotifier::Body("a <b> & c", true), QString("a &lt;b&gt; &amp; c"));
    EXPECT_EQ(CDesktopNotifier::Body("a <b> & c", false), QString("a <b> & c"));
    EXPECT_EQ(CDesktopNotifier::Body("Grüße", false), QString::fromUtf8("Grüße"));
}

TEST(NotifierWithoutBus, NothingIsSentAndNothingCrashes) {
    QDBusConnection none = QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "none");
    ASSERT_FALSE(none.isConnected());
    CDesktopNotifier notifier(none, "Tidewell", "icon", "id", nullptr);
    EXPECT_FALSE(notifier.IsAvailable());
    EXPECT_FALSE(notifier.Notify("title", "text", 1000));
    QDBusConnection::disconnectFromBus("none");
}

TEST_F(NotifierTest, TheServiceGetsTheNotificationAndItsClickComesBack) {
    Service service;
    int clicks = 0;
    CDesktopNotifier notifier(QDBusConnection::sessionBus(), "Tidewell", "com.quorvane.Tidewell",
                              "com.quorvane.Tidewell", [&] { ++clicks; });
    EXPECT_FALSE(notifier.IsAvailable()) << "no service on the bus yet";
    ASSERT_TRUE(service.Start());
    EXPECT_TRUE(notifier.IsAvailable());

    ASSERT_TRUE(notifier.Notify("Tidewell", "Write <one> & send", 30000));
    ASSERT_TRUE(SpinUntil([&] { return service.fake.received.size() == 1; }));
    const Received& got = service.fake.received[0];
    EXPECT_EQ(got.appName, "Tidewell");
    EXPECT_EQ(got.icon, "com.quorvane.Tidewell");
    EXPECT_EQ(got.summary, "Tidewell");
    EXPECT_EQ(got.body, "Write &lt;one&gt; &amp; send");
    EXPECT_EQ(got.timeout, 30000);
    ASSERT_EQ(got.actions.size(), 2);
    EXPECT_EQ(got.actions[0], "default");
    EXPECT_EQ(got.hints.value("desktop-entry").toString(), "com.quorvane.Tidewell");

    // Clicks on other programs' notifications, and other actions, are not ours.
    service.Signal("ActionInvoked", 999, QString("default"));
    service.Signal("ActionInvoked", 101, QString("other"));
    service.Signal("ActionInvoked", 101, QString("default"));
    ASSERT_TRUE(SpinUntil([&] { return clicks == 1; }));
    // Once closed, the notification gives no more clicks.
    service.Signal("NotificationClosed", 101, uint(2));
    service.Signal("ActionInvoked", 101, QString("default"));
    service.fake.capabilities = {"body"};
    ASSERT_TRUE(notifier.Notify("Second", "plain <text>", 1000));
    ASSERT_TRUE(SpinUntil([&] { return service.fake.received.size() == 2; }));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(service.fake.received[1].body, "plain <text>") << "no markup, no escapes";
    EXPECT_TRUE(service.fake.received[1].actions.isEmpty()) << "no actions offered";
}

TEST_F(NotifierTest, ARefusedNotificationIsLogged) {
    Service service;
    ASSERT_TRUE(service.Start());
    service.fake.refuse = true;
    CDesktopNotifier notifier(QDBusConnection::sessionBus(), "Tidewell", "i", "d", nullptr);
    const size_t before = LogCount("The notification service refused \"Refused title\"");
    ASSERT_TRUE(notifier.Notify("Refused title", "text", 1000));
    EXPECT_TRUE(SpinUntil([&] {
        return LogCount("The notification service refused \"Refused title\"") == before + 1;
    }));
}

namespace {

// The dialog manager on a desktop without a tray (the offscreen platform has none).
class ReminderTest : public NotifierTest {
protected:
    void SetUp() override {
        NotifierTest::SetUp();
        m_factory = MakeTestFactory();
        m_app.lastUsed = CUsageReminder::FormatLastUsed(std::time(nullptr) - 10 * 86400);
    }
    void TearDown() override { m_gui.reset(); }
    void Make() {
        m_gui = std::make_unique<CMgmtGUI>("NoShowDummy", m_app, m_factory);
        ASSERT_TRUE(SpinUntil([&] { return m_app.lastUsedStamps >= 1; }));
    }
    // What the reminder timer does when it fires.
    void FireReminder() {
        win::PostMessage(m_gui->HiddenWindow(), win::WM_TIMER, gui::TIMER_USAGE_REMINDER, 0);
    }

    FakeApp m_app;
    CDialogFactory m_factory;
    std::unique_ptr<CMgmtGUI> m_gui;
};

} // namespace

TEST_F(ReminderTest, WithoutATrayTheReminderBalloonIsADesktopNotification) {
    Service service;
    ASSERT_TRUE(service.Start());
    Make();
    EXPECT_FALSE(m_gui->IsTrayIconShown());
    FireReminder();
    ASSERT_TRUE(SpinUntil([&] { return service.fake.received.size() == 1; }));
    EXPECT_EQ(service.fake.received[0].summary, "Tidewell Windows");
    EXPECT_EQ(service.fake.received[0].body,
              "You have not sent a message for a while. Click here to write one.");
    // A click on it is a click on the balloon: a new message.
    service.Signal("ActionInvoked", 101, QString("default"));
    ASSERT_TRUE(SpinUntil([&] { return m_gui->ComposeTable().size() == 1; }));
}

TEST_F(ReminderTest, WithNeitherTheLogSaysWhatWouldHaveBeenShown) {
    // A start with the desktop: the usage reminder dialog would be a window, so it waits.
    struct DesktopStart : FakeApp {
        bool StartedWithDesktop() const override { return true; }
    } app;
    app.lastUsed = m_app.lastUsed;
    const size_t waits = LogCount("the usage reminder waits");
    m_gui = std::make_unique<CMgmtGUI>("NoShowDummy", app, m_factory);
    ASSERT_TRUE(SpinUntil([&] { return LogCount("the usage reminder waits") == waits + 1; }));

    const size_t before = LogCount("would have shown: Tidewell Windows: You have not sent");
    FireReminder();
    EXPECT_TRUE(SpinUntil([&] {
        return LogCount("would have shown: Tidewell Windows: You have not sent") == before + 1;
    }));
    m_gui.reset();
}

#include "NotifierTest.moc"
