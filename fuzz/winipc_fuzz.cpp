// Frames another process of the session may send (requests) or answer (replies): whatever
// decodes encodes back to the same bytes.
#include "FuzzCheck.h"

#include "platform/WinIpcMessages.h"

#include <string>

namespace {

using namespace win::detail;

template <class Reply> void CheckReply(const std::string& frame) {
    Reply reply;
    if (WinIpcDecodeReply(frame, &reply)) {
        fuzz::Check(WinIpcEncodeReply(reply) == frame, "a decoded reply re-encodes the same");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string frame(fuzz::Bytes(data, size));
    WinIpcAnyRequest request;
    bool unknownType = false;
    if (WinIpcDecodeRequest(frame, &request, &unknownType)) {
        fuzz::Check(WinIpcEncodeRequest(request) == frame, "a decoded request re-encodes the same");
    } else {
        fuzz::Check(!unknownType || size > 0, "an empty frame has no type");
    }
    CheckReply<WinIpcFindReply>(frame);
    CheckReply<WinIpcPostReply>(frame);
    CheckReply<WinIpcSendReply>(frame);
    CheckReply<WinIpcInfoReply>(frame);
    CheckReply<WinIpcSetTextReply>(frame);
    CheckReply<WinIpcHookReply>(frame);
    CheckReply<WinIpcUnhookReply>(frame);
    return 0;
}
