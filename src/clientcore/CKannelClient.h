// The HTTP side of sending through Kannel: makes one sendsms request and reads the answer with
// the rules of CKannelProtocol. One client per thread; it keeps its connection to the gateway
// open between requests. http and https (libcurl).
#pragma once

#include "clientcore/CKannelProtocol.h"

#include <memory>
#include <string>

class CKannelClient {
public:
    CKannelClient();
    ~CKannelClient();
    CKannelClient(const CKannelClient&) = delete;
    CKannelClient& operator=(const CKannelClient&) = delete;

    // Makes the GET request `url` and maps the answer; never throws.
    CKannelProtocol::Answer Send(const std::string& url);

private:
    struct Closer {
        void operator()(void* curl) const;
    };
    std::unique_ptr<void, Closer> m_curl;
};
