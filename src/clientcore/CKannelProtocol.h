// The conversation with a Kannel gateway, declared once for both directions: the sendsms
// request the core makes (its parameters and the dlr-url that names the message, the part, the
// recipient, the report type and the message's secret), how Kannel's answers map to the send
// result's errors, and how the delivery reports that come back through the dlr-url read and
// map to status codes. Pure functions; no network.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CKannelProtocol {
public:
    // One sendsms request: one SMS (or one text Kannel joins) to every recipient.
    struct Submit {
        std::string sendUrl; // the gateway's sendsms address
        std::string user;
        std::string password;
        std::string from; // empty: the gateway's default sender
        std::vector<std::string> to;
        std::string text; // UTF-8
        bool ucs2 = false;
        bool flash = false;
        std::string callbackUrl; // where the core takes reports, e.g. "http://127.0.0.1:13080"
        std::string guid;
        std::string secret;
        std::int32_t part = 0;
    };
    // The full GET address of the request, every value percent-encoded.
    static std::string SubmitUrl(const Submit& submit);
    // The dlr-url of the request; Kannel fills in %p, %d and %A.
    static std::string ReportUrl(const Submit& submit);

    // How the core reads a sendsms answer.
    enum class Outcome { Accepted, Refused };
    struct Answer {
        Outcome outcome = Outcome::Refused;
        std::string label; // the send result's error label; empty when accepted
        std::string description;
    };
    // Why no HTTP answer came.
    enum class Failure { None, Unreachable, Dropped };
    // Maps an HTTP answer (status and body) or a failure to reach the gateway. `detail` is the
    // transport's own words for a failure.
    static Answer MapAnswer(long status, const std::string& body, Failure failure,
                            const std::string& detail = {});

    // The path the core listens on for delivery reports.
    static const char* ReportPath();
    // One delivery report as the gateway calls it back.
    struct Report {
        std::string guid;
        std::string secret;
        std::int32_t part = 0;
        std::string number;
        int type = 0;
        std::string answer; // Kannel's answer text (%A): the SMSC's words
    };
    // Reads the query parameters of a report call (already decoded); `get` returns a named
    // parameter or nothing. Nothing when a parameter is missing or malformed.
    template <class Get> static std::optional<Report> ReadReport(Get get);

    // What a report type means to the program: the status code and text of the delivery
    // report, and its rank (a report never replaces one of a higher rank; 3 is final).
    struct Status {
        int type;
        const char* code;
        const char* text;
        int rank;
    };
    // Nothing for a type the core does not know.
    static const Status* StatusOf(int type);
    static constexpr int kFinalRank = 3;

    // A fresh random secret of 32 hex digits.
    static std::string NewSecret();
    // Compares secrets in time that does not depend on where they differ.
    static bool SameSecret(const std::string& a, const std::string& b);
    // Percent-encoding of a query value (RFC 3986 unreserved characters stay).
    static std::string Escape(const std::string& text);

private:
    static std::optional<Report>
    Parse(const std::optional<std::string>& guid, const std::optional<std::string>& secret,
          const std::optional<std::string>& part, const std::optional<std::string>& number,
          const std::optional<std::string>& type, const std::optional<std::string>& answer);
};

template <class Get> std::optional<CKannelProtocol::Report> CKannelProtocol::ReadReport(Get get) {
    return Parse(get("m"), get("s"), get("n"), get("p"), get("t"), get("a"));
}
