#include "clientcore/CReportListener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>

namespace {

// Reports handled at once: while one batch is written the next one gathers.
constexpr unsigned kThreads = 4;

// Sends a short plain-text answer.
MHD_Result Reply(MHD_Connection* connection, unsigned status, const char* text) {
    MHD_Response* response = MHD_create_response_from_buffer(
        std::strlen(text), const_cast<char*>(text), MHD_RESPMEM_PERSISTENT);
    if (response == nullptr) {
        return MHD_NO;
    }
    MHD_add_response_header(response, "Content-Type", "text/plain");
    MHD_Result rc = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return rc;
}

MHD_Result OnRequest(void* context, MHD_Connection* connection, const char* url, const char* method,
                     const char* /*version*/, const char* /*upload*/, std::size_t* uploadSize,
                     void** state) {
    // The first call only announces the request; answer on the second one, once any body
    // has been read (reports have none).
    static int announced;
    if (*state == nullptr) {
        *state = &announced;
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        *uploadSize = 0;
        return MHD_YES;
    }
    int status = 0;
    status = CReportListener::Dispatch(context, connection, url, method);
    switch (status) {
    case 200:
        return Reply(connection, 200, "ok\n");
    case 403:
        return Reply(connection, 403, "refused\n");
    case 404:
        return Reply(connection, 404, "unknown\n");
    case 405:
        return Reply(connection, 405, "only GET\n");
    default:
        return Reply(connection, 400, "malformed report\n");
    }
}

} // namespace

int CReportListener::Dispatch(void* context, void* connection, const char* url,
                              const char* method) {
    auto* self = static_cast<CReportListener*>(context);
    auto* mhd = static_cast<MHD_Connection*>(connection);
    if (std::strcmp(method, "GET") != 0) {
        return 405;
    }
    if (std::strcmp(url, CKannelProtocol::ReportPath()) != 0) {
        return 404;
    }
    auto report = CKannelProtocol::ReadReport([&](const char* name) -> std::optional<std::string> {
        const char* value = MHD_lookup_connection_value(mhd, MHD_GET_ARGUMENT_KIND, name);
        if (value == nullptr) {
            return std::nullopt;
        }
        return std::string(value);
    });
    if (!report) {
        ++self->m_malformed;
        return 400;
    }
    return self->m_handler(*report);
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
    errno = 0;
    MHD_Daemon* daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO, port, nullptr, nullptr, &OnRequest, this,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&where), MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned>(10), MHD_OPTION_THREAD_POOL_SIZE, kThreads, MHD_OPTION_END);
    if (daemon == nullptr) {
        int saved = errno;
        error = "cannot listen for delivery reports on " + address + ":" + std::to_string(port) +
                (saved != 0 ? std::string(": ") + std::strerror(saved) : std::string());
        return false;
    }
    m_daemon.reset(daemon);
    return true;
}

void CReportListener::Stop() {
    m_daemon.reset();
}
