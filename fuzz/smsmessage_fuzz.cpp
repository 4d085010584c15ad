// WM_COPYDATA bytes of a mail-client click: the four texts unpacked and packed again give the
// input up to its fourth terminator, with the terminators a short buffer lacks added.
#include "FuzzCheck.h"

#include "oebridge/SmsMessage.h"

#include <algorithm>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::Bytes(data, size);
    // The last byte picks the identifier, so it travels too.
    const std::uint32_t action = size > 0 ? data[size - 1] : 0;
    win::COPYDATASTRUCT descriptor;
    descriptor.dwData = action;
    descriptor.cbData = static_cast<win::DWORD>(size);
    // libFuzzer's own buffer, sized exactly: a read past cbData is caught.
    descriptor.lpData = size > 0 ? data : nullptr;
    SmsMessage message;
    fuzz::Check(message.Unpack(descriptor) == action, "the identifier is returned");

    std::string expected;
    int terminators = 0;
    for (char c : bytes) {
        if (terminators == 4) {
            break;
        }
        expected += c;
        terminators += c == '\0' ? 1 : 0;
    }
    expected.append(static_cast<std::size_t>(4 - terminators), '\0');

    const win::COPYDATASTRUCT packed = message.Pack(action);
    const std::string repacked(static_cast<const char*>(packed.lpData), packed.cbData);
    fuzz::Check(repacked == expected, "unpacked texts pack to the input's first four texts");
    fuzz::Check(packed.dwData == action, "the identifier is packed");
    SmsMessage again;
    again.Unpack(packed);
    fuzz::Check(again.GetSender() == message.GetSender() &&
                    again.GetRecipients() == message.GetRecipients() &&
                    again.GetText() == message.GetText() && again.GetDate() == message.GetDate(),
                "packed texts unpack the same");
    return 0;
}
