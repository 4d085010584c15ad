// The small HTTP server that takes the gateway's delivery reports: GET requests on
// CKannelProtocol::ReportPath() whose query parameters are read with CKannelProtocol and handed
// to the handler, which answers with the HTTP status to send (200 taken, 403 refused, ...).
// Anything else gets 404 or 400. Runs its own thread (libmicrohttpd) from Start to Stop.
#pragma once

#include "clientcore/CKannelProtocol.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct MHD_Daemon;

class CReportListener {
public:
    using Handler = std::function<int(const CKannelProtocol::Report& report)>;

    CReportListener() = default;
    ~CReportListener();
    CReportListener(const CReportListener&) = delete;
    CReportListener& operator=(const CReportListener&) = delete;

    // Listens on the IPv4 address and port. False with the reason when it cannot.
    bool Start(const std::string& address, std::uint16_t port, Handler handler, std::string& error);
    // Stops taking reports; returns once no handler runs.
    void Stop();

    // Test and log seam: how many calls were refused as malformed (status 400).
    std::uint64_t Malformed() const { return m_malformed; }

private:
    struct Stopper {
        void operator()(MHD_Daemon* daemon) const;
    };

public:
    // Reads one request and asks the handler; the HTTP status to answer with. Called by the
    // server thread only.
    static int Dispatch(void* context, void* connection, const char* url, const char* method);

private:
    Handler m_handler;
    std::unique_ptr<MHD_Daemon, Stopper> m_daemon;
    std::atomic<std::uint64_t> m_malformed{0};
};
