#include "oebridge/SmsMessage.h"

#include <cstring>

void SmsMessage::SetSender(std::string text) {
    m_sender = std::move(text);
    m_packed = false;
}
void SmsMessage::SetRecipients(std::string text) {
    m_recipients = std::move(text);
    m_packed = false;
}
void SmsMessage::SetText(std::string text) {
    m_text = std::move(text);
    m_packed = false;
}
void SmsMessage::SetDate(std::string text) {
    m_date = std::move(text);
    m_packed = false;
}

win::COPYDATASTRUCT SmsMessage::Pack(std::uint32_t action) {
    // A fresh object has no buffer yet although nothing changed: build one then too.
    if (!m_packed || m_buffer.empty()) {
        m_buffer.clear();
        for (const std::string* p : {&m_sender, &m_recipients, &m_text, &m_date}) {
            m_buffer += *p;
            m_buffer += '\0';
        }
        m_packed = true;
    }
    m_action = action;
    win::COPYDATASTRUCT descriptor;
    descriptor.dwData = action;
    descriptor.cbData = static_cast<win::DWORD>(m_buffer.size());
    descriptor.lpData = m_buffer.data();
    return descriptor;
}

std::uint32_t SmsMessage::Unpack(const win::COPYDATASTRUCT& descriptor) {
    const char* data = static_cast<const char*>(descriptor.lpData);
    std::size_t size = data != nullptr ? descriptor.cbData : 0;
    std::string* parts[] = {&m_sender, &m_recipients, &m_text, &m_date};
    std::size_t pos = 0;
    for (std::string* p : parts) {
        if (pos >= size) {
            p->clear();
            continue;
        }
        const void* end = std::memchr(data + pos, '\0', size - pos);
        std::size_t length =
            end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - (data + pos))
                           : size - pos;
        p->assign(data + pos, length);
        pos += length + 1;
    }
    m_packed = false;
    m_action = static_cast<std::uint32_t>(descriptor.dwData);
    return m_action;
}
