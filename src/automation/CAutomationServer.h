// The automation object on the session bus: the well-known name "QVMessenger.QVApplication",
// the object "/QVApplication" with the interface "QVMessenger.IQVApplication" and its one
// method ShowDlgSMS(s bstrNames, s bstrNumbers, s bstrMessage) -> i, which hands the texts to
// CQVApplication and answers its result.
//
// Register() connects to the session bus and asks for the name early in start-up, before the
// program knows whether it is the running instance; it may run before the Qt application
// exists. The name is requested in the queue: when another process owns it, this one waits
// behind it and gets it only once the owner lets it go, so a start that goes on to forward its
// verb never takes the name from the running instance.
//
// A call that arrives before Serve() (the call that made the bus start the program arrives
// while it starts, maybe while a new user reads the first-start window) is answered at once
// and its request kept: the record is built and announced at Serve(), once the country-code
// library and the program's windows are there. Like every call, it answers 0 without waiting
// for the dialog. Requests with more recipients than a message can go to are refused with the
// error org.freedesktop.DBus.Error.InvalidArgs, kept or not. Revoke() lets the name go and
// withdraws the object; requests still kept then are dropped (logged). Without a session bus,
// Register() says so and the program runs without automation.
//
// Everything runs on the thread that called Register() (the main thread), whose Qt event loop
// delivers the calls.
#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>

#include <string>
#include <vector>

class CQVApplication;

class CAutomationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    // The interface and method names of AutomationIds.h, spelt out: moc takes literals only.
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
    // From now on requests are carried out as they come; the ones kept so far first, in order.
    void Serve();
    // Lets the name go and withdraws the object; kept requests are dropped.
    void Revoke();

    State CurrentState() const { return m_state; }
    // Requests kept until Serve().
    std::size_t KeptRequests() const { return m_kept.size(); }

public Q_SLOTS:
    int ShowDlgSMS(const QString& bstrNames, const QString& bstrNumbers,
                   const QString& bstrMessage);

private:
    struct Request {
        std::string names;
        std::string numbers;
        std::string message;
    };

    CQVApplication& m_object;
    State m_state = State::NotRegistered;
    bool m_objectRegistered = false;
    bool m_serving = false;
    std::vector<Request> m_kept;
};
