#include "automation/CAutomationServer.h"

#include "automation/AutomationIds.h"
#include "automation/CQVApplication.h"
#include "log/LogManager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusReply>

namespace {

const char* const kRegister = "CAutomationServer::Register";
const char* const kRevoke = "CAutomationServer::Revoke";

// The error text of a refused call (the one reason the object refuses one).
QString TooManyText() {
    return QStringLiteral("A message can go to at most %1 recipients")
        .arg(automation::kMaxRecipients);
}

} // namespace

CAutomationServer::CAutomationServer(CQVApplication& object) : m_object(object) {}

CAutomationServer::~CAutomationServer() {
    Revoke();
}

CAutomationServer::State CAutomationServer::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Log(kRegister,
            "Automation is not available: no session bus (" +
                bus.lastError().message().toStdString() + ")",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return m_state = State::NotRegistered;
    }
    // The object first, so that the first call after the name is ours finds it.
    if (!bus.registerObject(automation::kObjectPath, this, QDBusConnection::ExportAllSlots)) {
        Log(kRegister,
            std::string("Automation is not available: the object ") + automation::kObjectPath +
                " cannot be registered",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return m_state = State::NotRegistered;
    }
    m_objectRegistered = true;
    QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(automation::kBusName,
                                         QDBusConnectionInterface::QueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        Log(kRegister,
            std::string("Automation is not available: the bus refused the name ") +
                automation::kBusName + " (" + reply.error().message().toStdString() + ")",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        bus.unregisterObject(automation::kObjectPath);
        m_objectRegistered = false;
        return m_state = State::NotRegistered;
    }
    if (reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        Log(kRegister, std::string("Automation object registered as ") + automation::kBusName,
            LOG_CAT_APPLICATION, LOG_SEV_INFO);
        return m_state = State::Owner;
    }
    Log(kRegister,
        std::string("The name ") + automation::kBusName +
            " belongs to another process; waiting behind it",
        LOG_CAT_APPLICATION, LOG_SEV_INFO);
    return m_state = State::Queued;
}

void CAutomationServer::Serve() {
    m_serving = true;
    std::vector<Request> kept;
    kept.swap(m_kept);
    for (const Request& request : kept) {
        m_object.ShowDlgSMS(request.names, request.numbers, request.message);
    }
}

void CAutomationServer::Revoke() {
    if (m_state == State::NotRegistered && !m_objectRegistered) {
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (m_state != State::NotRegistered) {
        // Gives the name up, or leaves the queue for it.
        bus.interface()->unregisterService(automation::kBusName);
        Log(kRevoke, std::string("Automation name ") + automation::kBusName + " released",
            LOG_CAT_APPLICATION, LOG_SEV_INFO);
    }
    if (m_objectRegistered) {
        bus.unregisterObject(automation::kObjectPath);
        m_objectRegistered = false;
    }
    if (!m_kept.empty()) {
        Log(kRevoke,
            std::to_string(m_kept.size()) +
                " automation request(s) dropped: the program ended before its windows were up",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        m_kept.clear();
    }
    m_state = State::NotRegistered;
    m_serving = false;
}

int CAutomationServer::ShowDlgSMS(const QString& bstrNames, const QString& bstrNumbers,
                                  const QString& bstrMessage) {
    Request request{bstrNames.toStdString(), bstrNumbers.toStdString(), bstrMessage.toStdString()};
    if (CQVApplication::TooManyRecipients(request.numbers)) {
        sendErrorReply(QDBusError::InvalidArgs, TooManyText());
        return automation::kInvalidArgument;
    }
    if (!m_serving) {
        Log("CAutomationServer::ShowDlgSMS", "Request kept until the program has started",
            LOG_CAT_APPLICATION, LOG_SEV_INFO);
        m_kept.push_back(std::move(request));
        return automation::kSuccess;
    }
    return m_object.ShowDlgSMS(request.names, request.numbers, request.message);
}
