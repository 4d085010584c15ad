// The small HTTP server that takes the gateway's delivery reports: GET requests on
// CKannelProtocol::ReportPath() whose request target CReportRequest reads. Anything
// else gets 404, 405 or 400 at once. Reports are handed to one writer thread: each call of the
// handler gets every report that arrived while the previous call ran (so they can be stored in
// one transaction) and answers one HTTP status per report (200 taken, 403 refused, ...); a
// report's caller hears that status only when the handler has returned. The server thread keeps
// reading other requests meanwhile. Runs from Start to Stop (libmicrohttpd).
#pragma once

#include "clientcore/CKannelProtocol.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct MHD_Daemon;
struct MHD_Connection;

class CReportListener {
public:
    using Handler =
        std::function<std::vector<int>(const std::vector<CKannelProtocol::Report>& reports)>;

    CReportListener() = default;
    ~CReportListener();
    CReportListener(const CReportListener&) = delete;
    CReportListener& operator=(const CReportListener&) = delete;

    // Listens on the IPv4 address and port. False with the reason when it cannot.
    bool Start(const std::string& address, std::uint16_t port, Handler handler, std::string& error);
    // Stops taking reports: those handed over are answered, later ones get 503 (the gateway
    // calls again); returns once no handler runs.
    void Stop();

    // Test and log seam: how many calls were refused as malformed (status 400).
    std::uint64_t Malformed() const { return m_malformed; }

    // Reads one request (`target` as in the request line): the HTTP status to answer with at
    // once, or 0 when the report went to the writer (the connection is suspended until the
    // writer answers). Called by the server thread only.
    static int Dispatch(void* context, MHD_Connection* connection, std::string_view target,
                        const char* method);

private:
    struct Stopper {
        void operator()(MHD_Daemon* daemon) const;
    };
    struct Waiting {
        MHD_Connection* connection;
        CKannelProtocol::Report report;
    };

    void Write();

    Handler m_handler;
    std::mutex m_lock; // guards the three below
    std::condition_variable m_arrived;
    std::vector<Waiting> m_waiting;
    bool m_closing = false;
    std::thread m_writer;
    std::unique_ptr<MHD_Daemon, Stopper> m_daemon;
    std::atomic<std::uint64_t> m_malformed{0};
};
