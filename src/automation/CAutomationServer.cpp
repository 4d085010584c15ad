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

// The error a held call gets when the program ends before it could answer.
const char* const kEndedError = "QVMessenger.Error.ProgramEnded";

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
    std::vector<QDBusMessage> held;
    held.swap(m_held);
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (const QDBusMessage& call : held) {
        const QList<QVariant> args = call.arguments();
        const int result =
            Call(args.value(0).toString(), args.value(1).toString(), args.value(2).toString());
        bus.send(result == automation::kInvalidArgument
                     ? call.createErrorReply(QDBusError::InvalidArgs, TooManyText())
                     : call.createReply(result));
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
    for (const QDBusMessage& call : m_held) {
        bus.send(call.createErrorReply(kEndedError,
                                       "The program ended before it could open the message"));
    }
    m_held.clear();
    m_state = State::NotRegistered;
    m_serving = false;
}

int CAutomationServer::ShowDlgSMS(const QString& bstrNames, const QString& bstrNumbers,
                                  const QString& bstrMessage) {
    if (!m_serving) {
        setDelayedReply(true);
        m_held.push_back(message());
        return automation::kSuccess;
    }
    const int result = Call(bstrNames, bstrNumbers, bstrMessage);
    if (result == automation::kInvalidArgument) {
        sendErrorReply(QDBusError::InvalidArgs, TooManyText());
    }
    return result;
}

int CAutomationServer::Call(const QString& names, const QString& numbers, const QString& message) {
    return m_object.ShowDlgSMS(names.toStdString(), numbers.toStdString(), message.toStdString());
}
