#include "gui/CDesktopNotifier.h"

#include "log/LogManager.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QVariantMap>

namespace {

const char* const kWhere = "CDesktopNotifier";

} // namespace

CDesktopNotifier::Route CDesktopNotifier::ChooseRoute(bool trayIconShown, bool trayHasBalloons,
                                                      bool notificationsAvailable) {
    if (trayIconShown && trayHasBalloons) {
        return Route::TrayBalloon;
    }
    return notificationsAvailable ? Route::DesktopNotification : Route::None;
}

CDesktopNotifier::CDesktopNotifier(QDBusConnection bus, std::string appName, std::string iconName,
                                   std::string desktopId, std::function<void()> onClick)
    : m_bus(std::move(bus)), m_appName(std::move(appName)), m_iconName(std::move(iconName)),
      m_desktopId(std::move(desktopId)), m_onClick(std::move(onClick)) {
    if (!m_bus.isConnected()) {
        return;
    }
    m_bus.connect(kService, kPath, kInterface, "ActionInvoked", this,
                  SLOT(OnActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, "NotificationClosed", this,
                  SLOT(OnClosed(uint, uint)));
}

CDesktopNotifier::~CDesktopNotifier() {
    if (m_bus.isConnected()) {
        m_bus.disconnect(kService, kPath, kInterface, "ActionInvoked", this,
                         SLOT(OnActionInvoked(uint, QString)));
        m_bus.disconnect(kService, kPath, kInterface, "NotificationClosed", this,
                         SLOT(OnClosed(uint, uint)));
    }
}

bool CDesktopNotifier::IsAvailable() const {
    if (!m_bus.isConnected() || m_bus.interface() == nullptr) {
        return false;
    }
    if (m_bus.interface()->isServiceRegistered(kService).value()) {
        return true;
    }
    // A service the bus starts on the first call counts too.
    QDBusMessage list =
        QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "ListActivatableNames");
    QDBusReply<QStringList> names = m_bus.call(list, QDBus::Block, 2000);
    return names.isValid() && names.value().contains(kService);
}

QString CDesktopNotifier::Body(const std::string& text, bool serviceReadsMarkup) {
    const QString body = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return serviceReadsMarkup ? body.toHtmlEscaped() : body;
}

bool CDesktopNotifier::Notify(const std::string& title, const std::string& text, int timeoutMs) {
    if (!m_bus.isConnected()) {
        Log(kWhere, "No session bus: notification not sent", LOG_CAT_GUI, LOG_SEV_ERROR);
        return false;
    }
    QDBusMessage ask =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, "GetCapabilities");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, title, text, timeoutMs](QDBusPendingCallWatcher* call) {
                QDBusPendingReply<QStringList> reply = *call;
                call->deleteLater();
                if (reply.isError()) {
                    // An old service without the call still shows plain notifications.
                    Log(kWhere,
                        "The notification service gave no capabilities: " +
                            reply.error().message().toStdString(),
                        LOG_CAT_GUI, LOG_SEV_INFO);
                }
                Send(title, text, timeoutMs, reply.isError() ? QStringList() : reply.value());
            });
    return true;
}

void CDesktopNotifier::Send(const std::string& title, const std::string& text, int timeoutMs,
                            const QStringList& capabilities) {
    QStringList actions;
    if (capabilities.contains("actions")) {
        // The default action is what a click on the notification does.
        actions << "default" << QString::fromStdString(m_appName);
    }
    QVariantMap hints;
    hints.insert("desktop-entry", QString::fromStdString(m_desktopId));
    hints.insert("urgency", QVariant::fromValue<uchar>(1));
    QDBusMessage notify = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    notify << QString::fromStdString(m_appName) << uint(0) << QString::fromStdString(m_iconName)
           << QString::fromStdString(title) << Body(text, capabilities.contains("body-markup"))
           << actions << hints << qint32(timeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, title](QDBusPendingCallWatcher* call) {
                QDBusPendingReply<uint> reply = *call;
                call->deleteLater();
                if (reply.isError()) {
                    Log(kWhere,
                        "The notification service refused \"" + title +
                            "\": " + reply.error().message().toStdString(),
                        LOG_CAT_GUI, LOG_SEV_ERROR);
                    return;
                }
                m_open.insert(reply.value());
                Log(kWhere, "Notification shown: " + title, LOG_CAT_GUI, LOG_SEV_TRACE);
            });
}

void CDesktopNotifier::OnActionInvoked(uint id, const QString& action) {
    // The signal goes to every client of the service: only ours count.
    if (m_open.count(id) == 0 || action != "default") {
        return;
    }
    if (m_onClick) {
        m_onClick();
    }
}

void CDesktopNotifier::OnClosed(uint id, uint /*reason*/) {
    m_open.erase(id);
}
