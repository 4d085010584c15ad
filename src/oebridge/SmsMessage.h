// The four texts of a mail-client message that travel with a click: sender, recipients,
// message text and date, and their packed form for WM_COPYDATA (each text followed by one
// zero byte, in that order, nothing else). The copy-data identifier carries the kind of
// click: 0 open, 1 reply, 2 forward.
#pragma once

#include "platform/Win.h"

#include <cstdint>
#include <string>

class SmsMessage {
public:
    SmsMessage() = default;
    virtual ~SmsMessage() = default;
    SmsMessage(const SmsMessage&) = default;
    SmsMessage& operator=(const SmsMessage&) = default;

    const std::string& GetSender() const { return m_sender; }
    const std::string& GetRecipients() const { return m_recipients; }
    const std::string& GetText() const { return m_text; }
    const std::string& GetDate() const { return m_date; }
    void SetSender(std::string text);
    void SetRecipients(std::string text);
    void SetText(std::string text);
    void SetDate(std::string text);

    // Builds the packed buffer when the texts changed since the last call, stores `action`
    // and returns the descriptor (valid while this object lives and is not changed).
    win::COPYDATASTRUCT Pack(std::uint32_t action);
    // Fills the four texts from a received buffer and returns its identifier. Texts missing
    // at the end of a short or unterminated buffer stay empty; nothing is read past cbData.
    std::uint32_t Unpack(const win::COPYDATASTRUCT& descriptor);

private:
    std::string m_sender;
    std::string m_recipients;
    std::string m_text;
    std::string m_date;
    bool m_packed = true;
    std::uint32_t m_action = 0;
    // The packed form; never empty once built (four terminators at least).
    std::string m_buffer;
};
