// The four texts of a mail-client message and their packed copy-data form.
#include "common/FuzzSeed.h"
#include "oebridge/SmsMessage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

SmsMessage Filled() {
    SmsMessage m;
    m.SetSender("Ann <ann@example.org>");
    m.SetRecipients("+447700900111; +447700900222");
    m.SetText("Hello there");
    m.SetDate("08/12/2026 10:15");
    return m;
}

} // namespace

TEST(SmsMessage, PackLaysOutFourZeroTerminatedTextsAndUnpackReadsThemBack) {
    SmsMessage m = Filled();
    win::COPYDATASTRUCT d = m.Pack(2);
    EXPECT_EQ(d.dwData, 2u);
    const std::string expected = std::string("Ann <ann@example.org>") + '\0' +
                                 "+447700900111; +447700900222" + '\0' + "Hello there" + '\0' +
                                 "08/12/2026 10:15" + '\0';
    ASSERT_EQ(d.cbData, expected.size());
    EXPECT_EQ(std::string(static_cast<const char*>(d.lpData), d.cbData), expected);
    twtest::SaveFuzzSeed("smsmessage", expected);

    SmsMessage received;
    EXPECT_EQ(received.Unpack(d), 2u);
    EXPECT_EQ(received.GetSender(), m.GetSender());
    EXPECT_EQ(received.GetRecipients(), m.GetRecipients());
    EXPECT_EQ(received.GetText(), m.GetText());
    EXPECT_EQ(received.GetDate(), m.GetDate());
}

TEST(SmsMessage, EmptyTextsAndRepacking) {
    SmsMessage empty;
    win::COPYDATASTRUCT d = empty.Pack(0);
    EXPECT_EQ(d.cbData, 4u) << "four terminators and nothing else";

    SmsMessage m = Filled();
    win::COPYDATASTRUCT first = m.Pack(1);
    // Packing again without a change reuses the buffer; a setter makes the next pack fresh.
    EXPECT_EQ(m.Pack(1).lpData, first.lpData);
    m.SetText("Changed");
    win::COPYDATASTRUCT second = m.Pack(1);
    SmsMessage back;
    back.Unpack(second);
    EXPECT_EQ(back.GetText(), "Changed");
    EXPECT_EQ(back.GetSender(), "Ann <ann@example.org>");
}

TEST(SmsMessage, ShortOrUnterminatedBuffersNeverReadPastTheirSize) {
    const char bytes[] = {'a', 'b', '\0', 'c', 'd'}; // two texts, the second unterminated
    win::COPYDATASTRUCT d;
    d.dwData = 1;
    d.cbData = sizeof bytes;
    d.lpData = bytes;
    SmsMessage m = Filled();
    EXPECT_EQ(m.Unpack(d), 1u);
    EXPECT_EQ(m.GetSender(), "ab");
    EXPECT_EQ(m.GetRecipients(), "cd");
    EXPECT_EQ(m.GetText(), "");
    EXPECT_EQ(m.GetDate(), "");

    win::COPYDATASTRUCT none;
    none.cbData = 50; // a size without data
    EXPECT_EQ(m.Unpack(none), 0u);
    EXPECT_EQ(m.GetSender(), "");
}
