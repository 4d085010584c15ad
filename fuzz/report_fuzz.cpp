// The gateway's delivery-report calls: a request target read into a report is written again
// through the dlr-url the core gives the gateway (its placeholders filled as the gateway fills
// them, every value percent-encoded) and reads back to the same report.
#include "FuzzCheck.h"

#include "clientcore/CReportRequest.h"

#include <string>

namespace {

bool Same(const CKannelProtocol::Report& a, const CKannelProtocol::Report& b) {
    return a.guid == b.guid && a.secret == b.secret && a.part == b.part && a.number == b.number &&
           a.type == b.type && a.answer == b.answer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CKannelProtocol::Report report;
    if (CReportRequest::Read(fuzz::Bytes(data, size), report) != CReportRequest::Reading::Report) {
        return 0;
    }
    CKannelProtocol::Submit submit;
    submit.guid = report.guid;
    submit.secret = report.secret;
    submit.part = report.part;
    std::string call = CKannelProtocol::ReportUrl(submit);
    const std::string placeholders = "&p=%p&t=%d&a=%A";
    fuzz::Check(
        call.size() >= placeholders.size() &&
            call.compare(call.size() - placeholders.size(), placeholders.size(), placeholders) == 0,
        "the dlr-url ends in the gateway's placeholders");
    call.resize(call.size() - placeholders.size());
    call += "&p=" + CKannelProtocol::Escape(report.number) + "&t=" + std::to_string(report.type) +
            "&a=" + CKannelProtocol::Escape(report.answer);
    CKannelProtocol::Report again;
    fuzz::Check(CReportRequest::Read(call, again) == CReportRequest::Reading::Report,
                "the gateway's call for a report reads");
    fuzz::Check(Same(again, report), "the gateway's call reads back to the same report");
    return 0;
}
