// The network transport to a Kannel gateway: worker threads that take the engine's waiting
// requests and submit them with CKannelClient, and the listener that takes the gateway's
// delivery reports and hands them to the engine. Reports with a wrong or missing secret are
// refused and logged, never applied.
#pragma once

#include "clientcore/CCoreSettings.h"
#include "clientcore/CReportListener.h"
#include "clientcore/CServiceEngine.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CGatewayTransport {
public:
    // `log` takes one line about something the user or an administrator may want to know.
    using LogFn = std::function<void(const std::string& line)>;

    CGatewayTransport(CServiceEngine& engine, GatewaySettings settings, LogFn log);
    ~CGatewayTransport();
    CGatewayTransport(const CGatewayTransport&) = delete;
    CGatewayTransport& operator=(const CGatewayTransport&) = delete;

    // Starts listening for reports and the workers. False with the reason when the listener
    // cannot start.
    bool Start(std::string& error);
    // Ends the workers (a request under way is finished) and the listener.
    void Stop();
    // A request is waiting.
    void Wake();

private:
    void Work();
    CKannelProtocol::Submit SubmitFor(const GatewayRow& request) const;
    std::vector<int> OnReports(const std::vector<CKannelProtocol::Report>& reports);

    CServiceEngine& m_engine;
    const GatewaySettings m_settings;
    LogFn m_log;
    CReportListener m_listener;

    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::uint64_t m_wakes = 0;
    std::vector<std::thread> m_workers;
};
