#include "platform/WinIpcMessages.h"

#include <array>
#include <utility>

namespace win::detail {

void WinIpcPut(WinIpcWire& out, bool v) {
    out.PutU8(v ? 1 : 0);
}

void WinIpcPut(WinIpcWire& out, std::uint32_t v) {
    out.PutU32(v);
}

void WinIpcPut(WinIpcWire& out, std::uint64_t v) {
    out.PutU64(v);
}

void WinIpcPut(WinIpcWire& out, const std::string& v) {
    out.PutText(v);
}

void WinIpcPut(WinIpcWire& out, const std::vector<std::uint32_t>& v) {
    out.PutU32(static_cast<std::uint32_t>(v.size()));
    for (std::uint32_t h : v) {
        out.PutU32(h);
    }
}

void WinIpcPut(WinIpcWire& out, const WinIpcCopyData& v) {
    WinIpcPut(out, v.present);
    if (v.present) {
        out.PutU64(v.dwData);
        out.PutBytes(v.bytes.data(), v.bytes.size());
    }
}

bool WinIpcGet(WinIpcWire& in, bool* v) {
    std::uint8_t byte = 0;
    if (!in.GetU8(&byte) || byte > 1) {
        return false;
    }
    *v = byte == 1;
    return true;
}

bool WinIpcGet(WinIpcWire& in, std::uint32_t* v) {
    return in.GetU32(v);
}

bool WinIpcGet(WinIpcWire& in, std::uint64_t* v) {
    return in.GetU64(v);
}

bool WinIpcGet(WinIpcWire& in, std::string* v) {
    return in.GetText(v);
}

bool WinIpcGet(WinIpcWire& in, std::vector<std::uint32_t>* v) {
    std::uint32_t count = 0;
    // Each handle takes four bytes: a count the frame cannot hold is refused before any
    // memory is set aside for it.
    if (!in.GetU32(&count) || count > in.Remaining() / 4) {
        return false;
    }
    v->resize(count);
    for (std::uint32_t& h : *v) {
        if (!in.GetU32(&h)) {
            return false;
        }
    }
    return true;
}

bool WinIpcGet(WinIpcWire& in, WinIpcCopyData* v) {
    if (!WinIpcGet(in, &v->present)) {
        return false;
    }
    if (!v->present) {
        v->dwData = 0;
        v->bytes.clear();
        return true;
    }
    return in.GetU64(&v->dwData) && in.GetText(&v->bytes, WinIpcWire::kMaxFrame);
}

std::string WinIpcEncodeRequest(const WinIpcAnyRequest& request) {
    return std::visit([](const auto& r) { return WinIpcEncodeRequest(r); }, request);
}

namespace {

using RequestDecoder = bool (*)(WinIpcWire& in, WinIpcAnyRequest* request);

template <class Request> bool DecodeAs(WinIpcWire& in, WinIpcAnyRequest* request) {
    Request decoded;
    if (!WinIpcGetFields(in, &decoded)) {
        return false;
    }
    *request = std::move(decoded);
    return true;
}

struct DecoderEntry {
    WinIpcRequest type;
    RequestDecoder decode;
};

// One entry per alternative of WinIpcAnyRequest, found by the request's type byte.
template <std::size_t... I> constexpr auto MakeDecoders(std::index_sequence<I...>) {
    return std::array<DecoderEntry, sizeof...(I)>{
        DecoderEntry{std::variant_alternative_t<I, WinIpcAnyRequest>::kType,
                     &DecodeAs<std::variant_alternative_t<I, WinIpcAnyRequest>>}...};
}

constexpr auto kDecoders =
    MakeDecoders(std::make_index_sequence<std::variant_size_v<WinIpcAnyRequest>>());

} // namespace

bool WinIpcDecodeRequest(const std::string& frame, WinIpcAnyRequest* request, bool* unknownType) {
    if (unknownType != nullptr) {
        *unknownType = false;
    }
    WinIpcWire in(frame);
    std::uint8_t type = 0;
    if (!in.GetU8(&type)) {
        return false;
    }
    for (const DecoderEntry& entry : kDecoders) {
        if (static_cast<std::uint8_t>(entry.type) == type) {
            return entry.decode(in, request);
        }
    }
    if (unknownType != nullptr) {
        *unknownType = true;
    }
    return false;
}

} // namespace win::detail
