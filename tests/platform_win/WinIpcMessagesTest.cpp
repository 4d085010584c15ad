// The requests and replies between processes: one declaration read and written by both sides,
// and a reader that accepts exactly what the writer produces.
#include "platform/WinIpcMessages.h"
#include "common/FuzzSeed.h"

#include <gtest/gtest.h>

#include <string>

using namespace win::detail;

namespace {

WinIpcSendRequest SendWithCopy() {
    WinIpcSendRequest send;
    send.hwnd = 0x10002;
    send.message = win::WM_COPYDATA;
    send.wParam = 7;
    send.copy.present = true;
    send.copy.dwData = 2;
    send.copy.bytes = std::string("Ann\0+44\0Hi\0\0", 12);
    return send;
}

// Every request kind with its fields filled; each is also kept as a fuzz seed.
std::vector<WinIpcAnyRequest> Requests() {
    WinIpcFindRequest find;
    find.className = "TidewellMain";
    find.title = "Tidewell";
    find.firstOnly = true;
    WinIpcPostRequest post;
    post.hwnd = win::HWND_BROADCAST;
    post.message = 0xC123;
    post.wParam = 0xFFFFFFFFFFFFFFFFull;
    post.lParam = 42;
    WinIpcInfoRequest info;
    info.hwnd = 0x20001;
    WinIpcSetTextRequest setText;
    setText.hwnd = 0x20001;
    setText.title = "New title";
    WinIpcHookRequest hook;
    hook.threadId = 4242;
    hook.hookKind = 3;
    hook.modulePath = "/opt/tidewell/libtwox.so";
    hook.procName = "GetMsgProc";
    WinIpcUnhookRequest unhook;
    unhook.hook = 0x30007;
    return {find, post, SendWithCopy(), WinIpcSendRequest{}, info, setText, hook, unhook};
}

} // namespace

TEST(WinIpcMessages, EveryRequestReadsBackAsWritten) {
    for (const WinIpcAnyRequest& request : Requests()) {
        const std::string frame = WinIpcEncodeRequest(request);
        twtest::SaveFuzzSeed("winipc", frame);
        WinIpcAnyRequest decoded;
        ASSERT_TRUE(WinIpcDecodeRequest(frame, &decoded)) << "kind " << request.index();
        ASSERT_EQ(decoded.index(), request.index());
        EXPECT_EQ(WinIpcEncodeRequest(decoded), frame);
    }
    WinIpcAnyRequest decoded;
    ASSERT_TRUE(WinIpcDecodeRequest(WinIpcEncodeRequest(SendWithCopy()), &decoded));
    const auto& send = std::get<WinIpcSendRequest>(decoded);
    EXPECT_EQ(send.copy, SendWithCopy().copy);
    EXPECT_EQ(send.lParam, 0u);
}

TEST(WinIpcMessages, RepliesReadBackAsWritten) {
    WinIpcInfoReply info;
    info.exists = true;
    info.threadId = 11;
    info.processId = 12;
    info.parent = 13;
    info.className = "Edit";
    info.title = "Recipients";
    const std::string frame = WinIpcEncodeReply(info);
    twtest::SaveFuzzSeed("winipc", frame);
    WinIpcInfoReply back;
    ASSERT_TRUE(WinIpcDecodeReply(frame, &back));
    EXPECT_EQ(back.title, "Recipients");
    EXPECT_EQ(back.parent, 13u);

    WinIpcFindReply found;
    found.handles = {0x10001, 0x10002};
    WinIpcFindReply foundBack;
    twtest::SaveFuzzSeed("winipc", WinIpcEncodeReply(found));
    ASSERT_TRUE(WinIpcDecodeReply(WinIpcEncodeReply(found), &foundBack));
    EXPECT_EQ(foundBack.handles, found.handles);
}

TEST(WinIpcMessages, MalformedFramesAreRefused) {
    bool unknownType = false;
    WinIpcAnyRequest decoded;
    EXPECT_FALSE(WinIpcDecodeRequest(std::string(), &decoded, &unknownType));
    EXPECT_FALSE(unknownType);
    EXPECT_FALSE(WinIpcDecodeRequest(std::string(1, '\x09'), &decoded, &unknownType));
    EXPECT_TRUE(unknownType);

    WinIpcFindRequest find;
    find.title = "x";
    std::string frame = WinIpcEncodeRequest(find);
    // A flag byte other than 0 or 1, a byte left over, a frame cut short.
    std::string badFlag = frame;
    badFlag.back() = '\x02';
    EXPECT_FALSE(WinIpcDecodeRequest(badFlag, &decoded, &unknownType));
    EXPECT_FALSE(unknownType);
    EXPECT_FALSE(WinIpcDecodeRequest(frame + '\0', &decoded));
    EXPECT_FALSE(WinIpcDecodeRequest(frame.substr(0, frame.size() - 1), &decoded));

    // A handle count the frame cannot hold is refused before anything is set aside for it.
    WinIpcFindReply reply;
    EXPECT_FALSE(WinIpcDecodeReply(std::string("\xFF\xFF\xFF\x7F\x01\x00\x00\x00", 8), &reply));
}
