// Desktop notifications through the session's notification service (the freedesktop.org
// interface org.freedesktop.Notifications on the D-Bus session bus, reached with Qt DBus).
// The dialog manager uses it for the tray balloon where the notification area shows none.
//
// IsAvailable tells whether the bus answers and the service runs or can be started by the
// bus (a short call to the bus daemon, never to the service). Notify is asynchronous and never blocks the GUI thread: it asks the service for its
// capabilities, then sends the notification with the program's name and icon and the
// "desktop-entry" hint; the body is escaped when the service reads markup, and a "default"
// action is offered when the service has actions. When the user activates a notification this
// object sent, `onClick` runs (on the GUI thread). A failed call is logged (category GUI);
// Notify returns false only when nothing could be sent. ChooseRoute decides where a balloon
// goes: the tray icon's own balloon first, then the notification service, else nowhere (the
// caller logs what it would have shown).
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <set>
#include <string>

class CDesktopNotifier : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";

    enum class Route { TrayBalloon, DesktopNotification, None };
    static Route ChooseRoute(bool trayIconShown, bool trayHasBalloons, bool notificationsAvailable);

    // `appName` and `iconName` go with every notification; `desktopId` names the desktop
    // entry (without ".desktop").
    CDesktopNotifier(QDBusConnection bus, std::string appName, std::string iconName,
                     std::string desktopId, std::function<void()> onClick);
    ~CDesktopNotifier() override;

    bool IsAvailable() const;
    bool Notify(const std::string& title, const std::string& text, int timeoutMs);

    // The body as it is sent to a service that reads markup (or not).
    static QString Body(const std::string& text, bool serviceReadsMarkup);

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    void Send(const std::string& title, const std::string& text, int timeoutMs,
              const QStringList& capabilities);

    QDBusConnection m_bus;
    std::string m_appName;
    std::string m_iconName;
    std::string m_desktopId;
    std::function<void()> m_onClick;
    // Notifications this object sent that are still open.
    std::set<uint> m_open;
};
