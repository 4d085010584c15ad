#include "clientcore/CReportListener.h"

#include "clientcore/CReportRequest.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>
#include <new>
#include <string>
#include <utility>

namespace {

// How long the writer waits for more reports to store with the first one, and how many are
// enough to store at once.
constexpr int kGatherMs = 5;
constexpr std::size_t kGatherReports = 64;

// Sends a short plain-text answer for the status.
MHD_Result Reply(MHD_Connection* connection, int status) {
    static const struct {
        int status;
        const char* text;
    } kTexts[] = {{200, "ok\n"},       {403, "refused\n"},   {404, "unknown\n"},
                  {405, "only GET\n"}, {503, "try again\n"}, {400, "malformed report\n"}};
    const auto* entry = std::find_if(std::begin(kTexts), std::end(kTexts) - 1,
                                     [&](const auto& e) { return e.status == status; });
    MHD_Response* response = MHD_create_response_from_buffer(
        std::strlen(entry->text), const_cast<char*>(entry->text), MHD_RESPMEM_PERSISTENT);
    if (response == nullptr) {
        return MHD_NO;
    }
    MHD_add_response_header(response, "Content-Type", "text/plain");
    MHD_Result rc = MHD_queue_response(connection, static_cast<unsigned>(entry->status), response);
    MHD_destroy_response(response);
    return rc;
}

// What the server keeps of one request between the calls of the handler: the request target as
// it stood in the request line (libmicrohttpd hands the handler only the decoded path).
struct Call {
    std::string target;
    bool announced = false;
};

void* OnRequestLine(void* /*context*/, const char* uri, MHD_Connection* /*connection*/) {
    Call* call = new (std::nothrow) Call;
    if (call == nullptr) {
        return nullptr;
    }
    try {
        call->target = uri != nullptr ? uri : "";
    } catch (...) { // no memory: the handler closes the connection
        delete call;
        return nullptr;
    }
    return call;
}

void OnCompleted(void* /*context*/, MHD_Connection* /*connection*/, void** state,
                 MHD_RequestTerminationCode /*why*/) {
    delete static_cast<Call*>(*state);
    *state = nullptr;
}

MHD_Result OnRequest(void* context, MHD_Connection* connection, const char* /*url*/,
                     const char* method, const char* /*version*/, const char* /*upload*/,
                     std::size_t* uploadSize, void** state) {
    auto* call = static_cast<Call*>(*state);
    if (call == nullptr) {
        return MHD_NO; // no memory for the request: the connection is closed
    }
    // The first call only announces the request; answer on the second one, once any body
    // has been read (reports have none).
    if (!call->announced) {
        call->announced = true;
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        *uploadSize = 0;
        return MHD_YES;
    }
    int status = CReportListener::Dispatch(context, connection, call->target, method);
    return status == 0 ? MHD_YES : Reply(connection, status);
}

} // namespace

int CReportListener::Dispatch(void* context, MHD_Connection* connection, std::string_view target,
                              const char* method) {
    auto* self = static_cast<CReportListener*>(context);
    if (std::strcmp(method, "GET") != 0) {
        return 405;
    }
    CKannelProtocol::Report report;
    switch (CReportRequest::Read(target, report)) {
    case CReportRequest::Reading::UnknownPath:
        return 404;
    case CReportRequest::Reading::Malformed:
        ++self->m_malformed;
        return 400;
    case CReportRequest::Reading::Report:
        break;
    }
    std::lock_guard<std::mutex> guard(self->m_lock);
    if (self->m_closing) {
        return 503;
    }
    // Suspended before the writer can see it, so the writer's resume always follows.
    MHD_suspend_connection(connection);
    self->m_waiting.push_back({connection, std::move(report)});
    // The writer waits for the first report of a batch, then for a full batch or its time:
    // waking it for the reports in between would only cost a switch.
    if (self->m_waiting.size() == 1 || self->m_waiting.size() == kGatherReports) {
        self->m_arrived.notify_one();
    }
    return 0;
}

void CReportListener::Write() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (true) {
        m_arrived.wait(lock, [&] { return m_closing || !m_waiting.empty(); });
        if (m_waiting.empty()) {
            return; // closing, and every report handed over is answered
        }
        // Reports come in streams: the ones of the next few milliseconds share the batch and
        // its commit (each is answered that much later; the gateway's calls do not wait on
        // one another).
        m_arrived.wait_for(lock, std::chrono::milliseconds(kGatherMs),
                           [&] { return m_closing || m_waiting.size() >= kGatherReports; });
        std::vector<Waiting> batch = std::exchange(m_waiting, {});
        lock.unlock();
        std::vector<CKannelProtocol::Report> reports;
        reports.reserve(batch.size());
        for (Waiting& w : batch) {
            reports.push_back(std::move(w.report));
        }
        std::vector<int> statuses = m_handler(reports);
        for (std::size_t i = 0; i < batch.size(); ++i) {
            Reply(batch[i].connection, i < statuses.size() ? statuses[i] : 503);
            MHD_resume_connection(batch[i].connection);
        }
        lock.lock();
    }
}

void CReportListener::Stopper::operator()(MHD_Daemon* daemon) const {
    MHD_stop_daemon(daemon);
}

CReportListener::~CReportListener() {
    Stop();
}

bool CReportListener::Start(const std::string& address, std::uint16_t port, Handler handler,
                            std::string& error) {
    Stop();
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
        error = "\"" + address + "\" is not an IPv4 address";
        return false;
    }
    m_handler = std::move(handler);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_closing = false;
    }
    errno = 0;
    // One server thread reads every request; the writer answers the reports.
    MHD_Daemon* daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO | MHD_ALLOW_SUSPEND_RESUME, port, nullptr,
        nullptr, &OnRequest, this, MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&where),
        MHD_OPTION_URI_LOG_CALLBACK, &OnRequestLine, nullptr, MHD_OPTION_NOTIFY_COMPLETED,
        &OnCompleted, nullptr, MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(10),
        MHD_OPTION_END);
    if (daemon == nullptr) {
        int saved = errno;
        error = "cannot listen for delivery reports on " + address + ":" + std::to_string(port) +
                (saved != 0 ? std::string(": ") + std::strerror(saved) : std::string());
        return false;
    }
    m_daemon.reset(daemon);
    m_writer = std::thread([this] { Write(); });
    return true;
}

void CReportListener::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_closing = true;
        m_arrived.notify_all();
    }
    if (m_writer.joinable()) {
        m_writer.join();
    }
    // No connection is suspended any more: the daemon may stop.
    m_daemon.reset();
}
