// One delivery-report call of the gateway as it arrives: the request target of the HTTP
// request line ("/dlr?m=…&s=…&n=…&p=…&t=…&a=…", still percent-encoded) read into a
// CKannelProtocol::Report. The path is decoded before it is compared with
// CKannelProtocol::ReportPath(); query arguments are split at "&" and "=" and decoded ("%XX"
// and "+" for a blank; a "%" without two hex digits stays as it is); the first argument of a
// name counts, one without "=" has no value. A value that decodes to a zero byte makes the
// call malformed. Pure functions on bytes in memory; the listener reads every call with them.
#pragma once

#include "clientcore/CKannelProtocol.h"

#include <optional>
#include <string>
#include <string_view>

class CReportRequest {
public:
    enum class Reading {
        Report,      // `report` holds the call's report
        UnknownPath, // not the report path (the listener answers 404)
        Malformed,   // a parameter is missing or malformed (400)
    };

    // Reads the request target of one call.
    static Reading Read(std::string_view target, CKannelProtocol::Report& report);

    // The value of the query argument `name` of `query` (the text after "?"), decoded;
    // nothing when the argument is missing, has no "=" or decodes to a zero byte.
    static std::optional<std::string> Argument(std::string_view query, std::string_view name);
    // Percent-decoding; with `plusIsBlank` a "+" reads as a blank (query arguments).
    static std::string Decode(std::string_view text, bool plusIsBlank);
};
