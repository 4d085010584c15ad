// The requests and replies that processes of a session exchange, each declared once: one
// struct and one field list (`Fields`), which the writing side (WinIpcClient) and the reading
// side (WinIpcServer) both go through, so the two cannot disagree about the bytes.
//
// A request frame is the request's type byte followed by its fields in list order; a reply
// frame is the reply's fields alone. Field encodings (WinIpcWire): numbers little-endian,
// `bool` as one byte 0 or 1, texts as a 32-bit length and the bytes, a handle list as a
// 32-bit count and the handles, copy data as a present byte followed (when 1) by dwData and
// the bytes. Decoding is strict: a frame is accepted only when every field reads, every flag
// is 0 or 1 and no byte is left over, so what decodes encodes back to the same bytes.
#pragma once

#include "platform/Win.h"
#include "platform/WinIpcWire.h"

#include <cstdint>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

namespace win::detail {

// WM_COPYDATA bytes carried with a sent message.
struct WinIpcCopyData {
    bool present = false;
    std::uint64_t dwData = 0;
    std::string bytes;
    bool operator==(const WinIpcCopyData&) const = default;
};

// Top-level windows by class name and title (empty: any).
struct WinIpcFindRequest {
    static constexpr WinIpcRequest kType = WinIpcRequest::Find;
    std::string className;
    std::string title;
    bool firstOnly = false;
    template <class Self> static auto Fields(Self& s) {
        return std::tie(s.className, s.title, s.firstOnly);
    }
};
struct WinIpcFindReply {
    std::vector<std::uint32_t> handles;
    template <class Self> static auto Fields(Self& s) { return std::tie(s.handles); }
};

// A posted message; hwnd may be HWND_BROADCAST.
struct WinIpcPostRequest {
    static constexpr WinIpcRequest kType = WinIpcRequest::Post;
    std::uint32_t hwnd = 0;
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::uint64_t lParam = 0;
    template <class Self> static auto Fields(Self& s) {
        return std::tie(s.hwnd, s.message, s.wParam, s.lParam);
    }
};
struct WinIpcPostReply {
    bool ok = false;
    template <class Self> static auto Fields(Self& s) { return std::tie(s.ok); }
};

// A sent message; with copy data, lParam is 0 and the receiver points it at its own copy.
struct WinIpcSendRequest {
    static constexpr WinIpcRequest kType = WinIpcRequest::Send;
    std::uint32_t hwnd = 0;
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::uint64_t lParam = 0;
    WinIpcCopyData copy;
    template <class Self> static auto Fields(Self& s) {
        return std::tie(s.hwnd, s.message, s.wParam, s.lParam, s.copy);
    }
};
struct WinIpcSendReply {
    bool delivered = false;
    std::uint64_t result = 0;
    template <class Self> static auto Fields(Self& s) { return std::tie(s.delivered, s.result); }
};

// What another process may know of a window.
struct WinIpcInfoRequest {
    static constexpr WinIpcRequest kType = WinIpcRequest::Info;
    std::uint32_t hwnd = 0;
    template <class Self> static auto Fields(Self& s) { return std::tie(s.hwnd); }
};
struct WinIpcInfoReply {
    bool exists = false;
    std::uint32_t threadId = 0;
    std::uint32_t processId = 0;
    std::uint32_t parent = 0;
    std::string className;
    std::string title;
    template <class Self> static auto Fields(Self& s) {
        return std::tie(s.exists, s.threadId, s.processId, s.parent, s.className, s.title);
    }
};

// A new window title.
struct WinIpcSetTextRequest {
    static constexpr WinIpcRequest kType = WinIpcRequest::SetText;
    std::uint32_t hwnd = 0;
    std::string title;
    template <class Self> static auto Fields(Self& s) { return std::tie(s.hwnd, s.title); }
};
struct WinIpcSetTextReply {
    bool ok = false;
    template <class Self> static auto Fields(Self& s) { return std::tie(s.ok); }
};

// A get-message hook on a thread of the receiving process, with the module it is to load
// there (an absolute path) and the exported name of the procedure in it. The reply carries
// the hook handle (0: refused); the connection then stays open for as long as the hook
// lives: the installer ends the hook with a WinIpcUnhookRequest on it or by closing it (also
// by ending), and the receiving process closes it when the hook is removed there.
struct WinIpcHookRequest {
    static constexpr WinIpcRequest kType = WinIpcRequest::Hook;
    std::uint32_t threadId = 0;
    std::uint32_t hookKind = 0;
    std::string modulePath;
    std::string procName;
    template <class Self> static auto Fields(Self& s) {
        return std::tie(s.threadId, s.hookKind, s.modulePath, s.procName);
    }
};
struct WinIpcHookReply {
    std::uint32_t hook = 0;
    template <class Self> static auto Fields(Self& s) { return std::tie(s.hook); }
};

// Removes a hook of the receiving process: on the hook's own connection, or on a connection
// of its own.
struct WinIpcUnhookRequest {
    static constexpr WinIpcRequest kType = WinIpcRequest::Unhook;
    std::uint32_t hook = 0;
    template <class Self> static auto Fields(Self& s) { return std::tie(s.hook); }
};
struct WinIpcUnhookReply {
    bool ok = false;
    template <class Self> static auto Fields(Self& s) { return std::tie(s.ok); }
};

// Any request, as the server receives it.
using WinIpcAnyRequest =
    std::variant<WinIpcFindRequest, WinIpcPostRequest, WinIpcSendRequest, WinIpcInfoRequest,
                 WinIpcSetTextRequest, WinIpcHookRequest, WinIpcUnhookRequest>;

// Field encodings, one pair per field type.
void WinIpcPut(WinIpcWire& out, bool v);
void WinIpcPut(WinIpcWire& out, std::uint32_t v);
void WinIpcPut(WinIpcWire& out, std::uint64_t v);
void WinIpcPut(WinIpcWire& out, const std::string& v);
void WinIpcPut(WinIpcWire& out, const std::vector<std::uint32_t>& v);
void WinIpcPut(WinIpcWire& out, const WinIpcCopyData& v);
bool WinIpcGet(WinIpcWire& in, bool* v);
bool WinIpcGet(WinIpcWire& in, std::uint32_t* v);
bool WinIpcGet(WinIpcWire& in, std::uint64_t* v);
bool WinIpcGet(WinIpcWire& in, std::string* v);
bool WinIpcGet(WinIpcWire& in, std::vector<std::uint32_t>* v);
bool WinIpcGet(WinIpcWire& in, WinIpcCopyData* v);

// The fields of a request or reply, in list order.
template <class Message> void WinIpcPutFields(WinIpcWire& out, const Message& m) {
    std::apply([&out](const auto&... field) { (WinIpcPut(out, field), ...); }, Message::Fields(m));
}

// Reads every field of `m` and requires the frame to end there.
template <class Message> bool WinIpcGetFields(WinIpcWire& in, Message* m) {
    const bool ok = std::apply([&in](auto&... field) { return (WinIpcGet(in, &field) && ...); },
                               Message::Fields(*m));
    return ok && in.AtEnd();
}

template <class Request> std::string WinIpcEncodeRequest(const Request& request) {
    WinIpcWire out;
    out.PutU8(static_cast<std::uint8_t>(Request::kType));
    WinIpcPutFields(out, request);
    return out.Data();
}

std::string WinIpcEncodeRequest(const WinIpcAnyRequest& request);

// Decodes a request frame; false when its type is unknown (*unknownType set) or its fields
// do not read.
bool WinIpcDecodeRequest(const std::string& frame, WinIpcAnyRequest* request,
                         bool* unknownType = nullptr);

template <class Reply> std::string WinIpcEncodeReply(const Reply& reply) {
    WinIpcWire out;
    WinIpcPutFields(out, reply);
    return out.Data();
}

template <class Reply> bool WinIpcDecodeReply(std::string frame, Reply* reply) {
    WinIpcWire in(std::move(frame));
    return WinIpcGetFields(in, reply);
}

} // namespace win::detail
