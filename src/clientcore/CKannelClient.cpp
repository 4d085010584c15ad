#include "clientcore/CKannelClient.h"

#include <curl/curl.h>

#include <mutex>

namespace {

constexpr long kConnectTimeoutMs = 5000;
constexpr long kRequestTimeoutMs = 20000;
constexpr std::size_t kMaxBody = 4096;

std::once_flag g_curlInit;

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* context) {
    auto* body = static_cast<std::string*>(context);
    std::size_t bytes = size * count;
    if (body->size() < kMaxBody) {
        body->append(data, std::min(bytes, kMaxBody - body->size()));
    }
    return bytes;
}

// Which transport failures mean the gateway is not there and which that it dropped the request.
CKannelProtocol::Failure Classify(CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return CKannelProtocol::Failure::None;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return CKannelProtocol::Failure::Dropped;
    default: // refused, unresolved, timed out, TLS failures
        return CKannelProtocol::Failure::Unreachable;
    }
}

} // namespace

void CKannelClient::Closer::operator()(void* curl) const {
    curl_easy_cleanup(static_cast<CURL*>(curl));
}

CKannelClient::CKannelClient() {
    std::call_once(g_curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_curl.reset(curl_easy_init());
}

CKannelClient::~CKannelClient() = default;

CKannelProtocol::Answer CKannelClient::Send(const std::string& url) {
    CURL* curl = static_cast<CURL*>(m_curl.get());
    if (curl == nullptr) {
        return CKannelProtocol::MapAnswer(0, {}, CKannelProtocol::Failure::Unreachable,
                                          "the HTTP client could not start");
    }
    std::string body;
    char detail[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, kRequestTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    CURLcode rc = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    std::string why = detail[0] != '\0' ? std::string(detail) : curl_easy_strerror(rc);
    return CKannelProtocol::MapAnswer(status, body, Classify(rc), rc == CURLE_OK ? "" : why);
}
