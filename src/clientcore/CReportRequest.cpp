#include "clientcore/CReportRequest.h"

#include <utility>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::string CReportRequest::Decode(std::string_view text, bool plusIsBlank) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(plusIsBlank && c == '+' ? ' ' : c);
    }
    return out;
}

std::optional<std::string> CReportRequest::Argument(std::string_view query, std::string_view name) {
    std::size_t pos = 0;
    while (pos <= query.size()) {
        std::size_t end = query.find('&', pos);
        if (end == std::string_view::npos) {
            end = query.size();
        }
        const std::string_view argument = query.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t equals = argument.find('=');
        const std::string_view rawName = argument.substr(0, equals);
        // Names are short: most arguments differ already before decoding.
        if (rawName.find_first_of("%+") == std::string_view::npos ? rawName != name
                                                                  : Decode(rawName, true) != name) {
            continue;
        }
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        std::string value = Decode(argument.substr(equals + 1), true);
        if (value.find('\0') != std::string::npos) {
            return std::nullopt;
        }
        return value;
    }
    return std::nullopt;
}

CReportRequest::Reading CReportRequest::Read(std::string_view target,
                                             CKannelProtocol::Report& report) {
    const std::size_t question = target.find('?');
    const std::string_view path = target.substr(0, question);
    if (Decode(path, false) != CKannelProtocol::ReportPath()) {
        return Reading::UnknownPath;
    }
    const std::string_view query =
        question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
    auto read =
        CKannelProtocol::ReadReport([query](const char* name) { return Argument(query, name); });
    if (!read) {
        return Reading::Malformed;
    }
    report = std::move(*read);
    return Reading::Report;
}
