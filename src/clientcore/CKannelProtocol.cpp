#include "clientcore/CKannelProtocol.h"

#include "clientcore/CServiceEngine.h"

#include <charconv>
#include <cstdio>
#include <random>
#include <sys/random.h>

namespace {

// The report types Kannel's dlr-mask 31 asks for, in the words the program shows.
const CKannelProtocol::Status kStatuses[] = {
    {8, "Paccepted", "Waiting: accepted by the operator's message centre", 1},
    {4, "Pbuffered", "Waiting: the message centre holds the message until the phone is reachable",
     2},
    {1, "Fdelivered", "Delivered", 3},
    {2, "Fundeliverable", "Not delivered: the number is not reachable", 3},
    {16, "Frejected", "Not delivered: the operator's message centre refused the message", 3},
};

// Kannel's answers: the leading number of a 2xx body that means the message is taken.
bool IsTaken(const std::string& body) {
    return body.rfind("0:", 0) == 0 || body.rfind("3:", 0) == 0;
}

std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find_first_of("\r\n"));
    return line.size() > 200 ? line.substr(0, 200) : line;
}

} // namespace

std::string CKannelProtocol::Escape(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

const char* CKannelProtocol::ReportPath() {
    return "/dlr";
}

std::string CKannelProtocol::ReportUrl(const Submit& s) {
    // The placeholders stay literal: Kannel replaces %p (the recipient), %d (the report type)
    // and %A (the SMSC's answer) when it calls back.
    return s.callbackUrl + ReportPath() + "?m=" + Escape(s.guid) + "&s=" + Escape(s.secret) +
           "&n=" + std::to_string(s.part) + "&p=%p&t=%d&a=%A";
}

std::string CKannelProtocol::SubmitUrl(const Submit& s) {
    std::string to;
    for (const std::string& number : s.to) {
        if (!to.empty()) {
            to += ' ';
        }
        to += number;
    }
    std::string url = s.sendUrl;
    url += url.find('?') == std::string::npos ? '?' : '&';
    url += "username=" + Escape(s.user) + "&password=" + Escape(s.password);
    if (!s.from.empty()) {
        url += "&from=" + Escape(s.from);
    }
    url += "&to=" + Escape(to) + "&text=" + Escape(s.text) + "&charset=UTF-8";
    url += s.ucs2 ? "&coding=2" : "&coding=0";
    if (s.flash) {
        url += "&mclass=0";
    }
    url += "&dlr-mask=31&dlr-url=" + Escape(ReportUrl(s));
    return url;
}

CKannelProtocol::Answer CKannelProtocol::MapAnswer(long status, const std::string& body,
                                                   Failure failure, const std::string& detail) {
    auto refused = [](const char* label, std::string description) {
        return Answer{Outcome::Refused, label, std::move(description)};
    };
    std::string said = FirstLine(body);
    if (failure == Failure::Unreachable) {
        return refused("Server not found", "The SMS gateway could not be reached" +
                                               (detail.empty() ? "" : ": " + detail) + ".");
    }
    if (failure == Failure::Dropped) {
        return refused("Server not avail", "The SMS gateway closed the connection" +
                                               (detail.empty() ? "" : ": " + detail) + ".");
    }
    if (status >= 200 && status < 300 && IsTaken(said)) {
        return Answer{Outcome::Accepted, {}, {}};
    }
    if (status == 403) {
        return refused(
            "Not allowed to send",
            "Not allowed to send: the SMS gateway refused the user name or password (\"" + said +
                "\").");
    }
    if (status >= 500 || status == 0) {
        return refused("Server not avail",
                       "The SMS gateway is not available at the moment (\"" + said + "\").");
    }
    return refused("Refused by gateway", "The SMS gateway refused the message: \"" + said + "\".");
}

const CKannelProtocol::Status* CKannelProtocol::StatusOf(int type) {
    for (const Status& status : kStatuses) {
        if (status.type == type) {
            return &status;
        }
    }
    return nullptr;
}

std::optional<CKannelProtocol::Report> CKannelProtocol::Parse(
    const std::optional<std::string>& guid, const std::optional<std::string>& secret,
    const std::optional<std::string>& part, const std::optional<std::string>& number,
    const std::optional<std::string>& type, const std::optional<std::string>& answer) {
    // A missing secret reads as an empty one, which no message has: such a report is refused
    // as forged, not merely malformed.
    if (!guid || !part || !number || !type || !CServiceEngine::IsGuid(*guid) || number->empty()) {
        return std::nullopt;
    }
    auto integer = [](const std::string& text, int& value) {
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        return ec == std::errc() && end == text.data() + text.size() && value >= 0;
    };
    Report r;
    r.guid = *guid;
    r.secret = secret.value_or("");
    r.number = *number;
    r.answer = answer.value_or("");
    if (!integer(*part, r.part) || !integer(*type, r.type)) {
        return std::nullopt;
    }
    return r;
}

std::string CKannelProtocol::NewSecret() {
    // 128 bits from the kernel's generator: a secret nobody can guess from earlier ones.
    unsigned char bytes[16] = {};
    std::size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    if (got < sizeof bytes) {
        std::random_device device; // getrandom is missing: the library's source instead
        for (unsigned char& b : bytes) {
            b = static_cast<unsigned char>(device());
        }
    }
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : bytes) {
        text.push_back(kHex[b >> 4]);
        text.push_back(kHex[b & 15]);
    }
    return text;
}

bool CKannelProtocol::SameSecret(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return diff == 0;
}
