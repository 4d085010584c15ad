// The automation object on the session bus: the well-known name "QVMessenger.QVApplication",
// the object "/QVApplication" with the interface "QVMessenger.IQVApplication" and its one
// method ShowDlgSMS(s bstrNames, s bstrNumbers, s bstrMessage) -> i, which hands the texts to
// CQVApplication and answers its result.
//
// Register() connects to the session bus and asks for the name early in start-up, before the
// program knows whether it is the running instance; it may run before the Qt application
// exists. The name is requested in the queue: when another process owns it, this one waits
// behind it and gets it only once the owner lets it go, so a start that goes on to forward its
// verb never takes the name from the running instance. Calls are held until Serve(): the
// program's windows must be there to open the dialog (a call that started the program
// arrives while it starts). Revoke() lets the name go and withdraws the object; calls still
// held then get an error reply. Without a session bus, Register() says so and the program runs
// without automation.
//
// Everything runs on the thread that called Register() (the main thread), whose Qt event loop
// delivers the calls.
#pragma once

#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <vector>

class CQVApplication;

class CAutomationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "QVMessenger.IQVApplication")
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"QVMessenger.IQVApplication\">\n"
                "    <method name=\"ShowDlgSMS\">\n"
                "      <arg name=\"bstrNames\" type=\"s\" direction=\"in\"/>\n"
                "      <arg name=\"bstrNumbers\" type=\"s\" direction=\"in\"/>\n"
                "      <arg name=\"bstrMessage\" type=\"s\" direction=\"in\"/>\n"
                "      <arg name=\"result\" type=\"i\" direction=\"out\"/>\n"
                "    </method>\n"
                "  </interface>\n")

public:
    enum class State {
        NotRegistered, // no session bus, or the bus refused (logged)
        Owner,         // this process owns the name
        Queued,        // another process owns the name; this one waits behind it
    };

    explicit CAutomationServer(CQVApplication& object);
    ~CAutomationServer() override;
    CAutomationServer(const CAutomationServer&) = delete;
    CAutomationServer& operator=(const CAutomationServer&) = delete;

    State Register();
    // From now on calls are answered; the ones held so far are answered first, in order.
    void Serve();
    // Lets the name go and withdraws the object; held calls get an error reply.
    void Revoke();

    State CurrentState() const { return m_state; }
    // Calls held until Serve().
    std::size_t HeldCalls() const { return m_held.size(); }

public Q_SLOTS:
    int ShowDlgSMS(const QString& bstrNames, const QString& bstrNumbers,
                   const QString& bstrMessage);

private:
    int Call(const QString& names, const QString& numbers, const QString& message);

    CQVApplication& m_object;
    State m_state = State::NotRegistered;
    bool m_objectRegistered = false;
    bool m_serving = false;
    std::vector<QDBusMessage> m_held;
};
