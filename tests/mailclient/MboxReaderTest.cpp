// The mbox reader of the stand-in mail client: separators, folding, encodings, the list's date
// form, and damaged folders (which must give every mail that can be found, never a crash).
#include "mailclient/MboxReader.h"
#include "mailclient/MailDate.h"
#include "mailclient/MailText.h"

#include "platform/StringUtil.h"
#include "platform/Utf8.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

using namespace mailclient;

namespace {

std::string Sample() {
    return twtest::ReadFile(std::string(TW_MAILCLIENT_TEST_DATA) + "/sample.mbox");
}

} // namespace

TEST(MboxReader, ReadsTheSampleFolderWithFoldingAndEveryEncoding) {
    const std::string bytes = Sample();
    ASSERT_FALSE(bytes.empty());
    MboxContents folder = ReadMbox(bytes);
    EXPECT_TRUE(folder.problems.empty()) << folder.problems.front();
    ASSERT_EQ(folder.mails.size(), 3u);

    const MailItem& sms = folder.mails[0];
    EXPECT_EQ(sms.from, "+447700900123@sms.example.com");
    EXPECT_EQ(SenderDisplay(sms.from), "+447700900123@sms.example.com");
    EXPECT_EQ(sms.to, "Ada Lovelace <ada@example.org>");
    EXPECT_EQ(sms.subject, "Running late, see you at the station");
    EXPECT_EQ(sms.date, "Tue, 08 Dec 2026 14:05:33 +0000");
    EXPECT_EQ(sms.body, "Running late, see you at the station at eight.\n");
    EXPECT_FALSE(sms.read);

    const MailItem& qp = folder.mails[1];
    EXPECT_EQ(SenderDisplay(qp.from), "Grace Hopper");
    EXPECT_EQ(qp.subject, "Caf\xC3\xA9 on Friday");
    EXPECT_EQ(qp.body, "Shall we meet at the caf\xC3\xA9 on Friday? I can bring the notes.\n"
                       "From the minutes: nothing urgent.\n");
    EXPECT_TRUE(qp.read);

    const MailItem& multi = folder.mails[2];
    EXPECT_EQ(SenderDisplay(multi.from), "Example News");
    EXPECT_EQ(multi.body, "This week: three new articles.");
}

TEST(MboxReader, SeparatorsNeedAnEmptyLineBeforeThemAndCrLfIsAccepted) {
    // A "From " line inside a body that does not follow an empty line is text, not a new mail.
    const std::string bytes = "From a@x Mon Dec  7 10:00:00 2026\r\n"
                              "From: a@x\r\n"
                              "Subject: one\r\n"
                              "\r\n"
                              "first line\r\n"
                              "From here on it is the body\r\n"
                              "\r\n"
                              "From b@x Mon Dec  7 11:00:00 2026\r\n"
                              "From: b@x\r\n"
                              "\r\n"
                              "second\r\n";
    MboxContents folder = ReadMbox(bytes);
    ASSERT_EQ(folder.mails.size(), 2u);
    EXPECT_EQ(folder.mails[0].body, "first line\nFrom here on it is the body\n");
    EXPECT_EQ(folder.mails[1].from, "b@x");
    EXPECT_EQ(folder.mails[1].body, "second\n");
}

TEST(MboxReader, DamagedFoldersKeepEveryMailThatCanBeFound) {
    // No separator at the start, a header line without a colon, a continuation with nothing
    // to continue, a multipart mail without boundary, invalid UTF-8 in a header, zero bytes.
    std::string bytes = "  continued nothing\n"
                        "Subject: bare mail\n"
                        "this is not a header\n"
                        "\n"
                        "body of the bare mail\n"
                        "\n"
                        "From x Mon Dec  7 10:00:00 2026\n"
                        "Subject: bad \xFF\xFE bytes\n"
                        "Content-Type: multipart/mixed\n"
                        "\n"
                        "no parts\n"
                        "\n"
                        "From y Mon Dec  7 10:00:00 2026\n"
                        "Subject: =?utf-8?B?broken?= =?nonsense\n"
                        "Content-Transfer-Encoding: base64\n"
                        "\n"
                        "####\x00====\n";
    bytes.push_back('\0');
    MboxContents folder = ReadMbox(bytes);
    ASSERT_EQ(folder.mails.size(), 3u);
    EXPECT_FALSE(folder.problems.empty());
    EXPECT_EQ(folder.mails[0].subject, "bare mail");
    EXPECT_EQ(folder.mails[0].body, "body of the bare mail\n");
    EXPECT_TRUE(platform::IsValidUtf8(folder.mails[1].subject));
    EXPECT_EQ(folder.mails[1].subject, "bad \xEF\xBF\xBD\xEF\xBF\xBD bytes");
    EXPECT_TRUE(folder.mails[1].body.empty());
    EXPECT_TRUE(platform::IsValidUtf8(folder.mails[2].subject));

    // Every prefix of a folder reads without harm (cut-off files are the common damage).
    const std::string sample = Sample();
    for (std::size_t n = 0; n <= sample.size(); n += 7) {
        MboxContents part = ReadMbox(std::string_view(sample).substr(0, n));
        for (const MailItem& mail : part.mails) {
            EXPECT_TRUE(platform::IsValidUtf8(mail.body));
            EXPECT_TRUE(platform::IsValidUtf8(mail.subject));
        }
    }
    EXPECT_TRUE(ReadMbox("").mails.empty());
    EXPECT_TRUE(ReadMbox("\n\n\n").mails.empty());
}

TEST(MboxReader, MissingFileIsAnError) {
    MboxContents folder;
    std::string error;
    EXPECT_FALSE(ReadMboxFile(twtest::PrivateRoot() + "/no-such.mbox", folder, error));
    EXPECT_NE(error.find("no-such.mbox"), std::string::npos);
    EXPECT_FALSE(ReadMboxFile(twtest::PrivateRoot(), folder, error));
    EXPECT_TRUE(ReadMboxFile(std::string(TW_MAILCLIENT_TEST_DATA) + "/sample.mbox", folder, error));
    EXPECT_EQ(folder.mails.size(), 3u);
}

TEST(MailText, TransferEncodingsAndCharsetsKeepWhatTheyCannotDecode) {
    EXPECT_EQ(DecodeQuotedPrintable("a=3Db=\r\nc =G1 end="), "a=bc =G1 end=");
    EXPECT_EQ(DecodeQuotedPrintable("a_b", true), "a b");
    EXPECT_EQ(DecodeBase64("SGVs\nbG8=garbage"), "Hello");
    EXPECT_EQ(DecodeBase64("SGVsbA"), "Hell");
    EXPECT_EQ(ToUtf8("caf\xE9", "ISO-8859-1"), "caf\xC3\xA9");
    EXPECT_EQ(ToUtf8("\x80", "windows-1252"), "\xE2\x82\xAC");
    EXPECT_EQ(ToUtf8("\xC3(", "utf-8"), "\xEF\xBF\xBD(");
    // Blanks between two encoded words vanish; other text stays.
    EXPECT_EQ(DecodeEncodedWords("=?UTF-8?Q?a?= =?UTF-8?B?Yg==?= c =?x?Z?y?="), "ab c =?x?Z?y?=");
    EXPECT_EQ(DecodeEncodedWords("plain =?utf-8?q?unterminated"), "plain =?utf-8?q?unterminated");
}

TEST(MailDate, ListShowsTheShortFormOrTheHeaderAsWritten) {
    EXPECT_EQ(ListDateText("Tue, 08 Dec 2026 14:05:33 +0000"), "08/12/2026 14:05");
    EXPECT_EQ(ListDateText("8 Dec 26 9:05 GMT"), "08/12/2026 09:05");
    EXPECT_EQ(ListDateText("Wed, 29 Feb 2024 23:59:60 +0100"), "29/02/2024 23:59");
    EXPECT_EQ(ListDateText("Thu, 29 Feb 2025 10:00 +0100"), "Thu, 29 Feb 2025 10:00 +0100");
    EXPECT_EQ(ListDateText(" yesterday "), "yesterday");
    EXPECT_EQ(ListDateText("Tue, 08 Foo 2026 14:05"), "Tue, 08 Foo 2026 14:05");
    EXPECT_EQ(ListDateText("Tue, 08 Dec 2026 24:00"), "Tue, 08 Dec 2026 24:00");
    EXPECT_EQ(ListDateText(""), "");
}

TEST(MboxReader, NestedPartsQuotingLevelsAndMailsWithoutBodies) {
    const std::string bytes = "From a Mon Dec  7 10:00:00 2026\n"
                              "Subject: nested\n"
                              "Content-Type: multipart/mixed; boundary=outer\n"
                              "\n"
                              "--outer\n"
                              "Content-Type: multipart/alternative; boundary=\"in ner\"\n"
                              "\n"
                              "--in ner\n"
                              "Content-Type: text/html\n"
                              "\n"
                              "<b>html</b>\n"
                              "--in ner\n"
                              "Content-Type: text/plain; charset=windows-1252\n"
                              "\n"
                              "price \x80 5\n"
                              ">>From two quotes\n"
                              "--in ner--\n"
                              "--outer--\n"
                              "\n"
                              "From b Mon Dec  7 10:00:00 2026\n"
                              "Subject: headers only\n"
                              "\n"
                              "From c Mon Dec  7 10:00:00 2026\n"
                              "From: \"\" <c@x>\n"
                              "Content-Type: image/png\n"
                              "\n"
                              "PNGDATA\n";
    MboxContents folder = ReadMbox(bytes);
    ASSERT_EQ(folder.mails.size(), 3u);
    EXPECT_EQ(folder.mails[0].body, "price \xE2\x82\xAC 5\n>From two quotes\n");
    EXPECT_EQ(folder.mails[1].subject, "headers only");
    EXPECT_TRUE(folder.mails[1].body.empty());
    // No text part: no body, and the address stands for an empty display name.
    EXPECT_TRUE(folder.mails[2].body.empty());
    EXPECT_EQ(SenderDisplay(folder.mails[2].from), "c@x");
    EXPECT_EQ(SenderDisplay("Name Only (comment) "), "Name Only");
}

TEST(MboxWriter, WrittenFoldersReadBackTheSameMails) {
    // The sample, and mails whose texts would break a plain header or body: line ends, a
    // "From " body line, encoded-word syntax, an empty mail, zero bytes, base64 padding of
    // every length.
    std::vector<MailItem> mails = ReadMbox(Sample()).mails;
    MailItem odd;
    odd.from = "\"A, B\" <a@example.org>";
    odd.subject = std::string("=?utf-8?Q?not_a_word?= line\nend \xC3\xA4") + '\0' + "!";
    odd.body = "From here\n>From there\n\nend\n";
    odd.read = true;
    mails.push_back(odd);
    mails.push_back(MailItem{});
    for (const char* body : {"a", "ab", "abc", "abcd"}) {
        MailItem mail;
        mail.to = body;
        mail.body = body;
        mails.push_back(mail);
    }
    const MboxContents again = ReadMbox(WriteMbox(mails));
    EXPECT_TRUE(again.problems.empty()) << again.problems.front();
    ASSERT_EQ(again.mails.size(), mails.size());
    for (std::size_t i = 0; i < mails.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(again.mails[i].from, mails[i].from);
        EXPECT_EQ(again.mails[i].to, mails[i].to);
        EXPECT_EQ(again.mails[i].subject, mails[i].subject);
        EXPECT_EQ(again.mails[i].date, mails[i].date);
        EXPECT_EQ(again.mails[i].body, mails[i].body);
        EXPECT_EQ(again.mails[i].read, mails[i].read);
    }
    EXPECT_EQ(EncodeBase64(""), "");
    EXPECT_EQ(EncodeBase64(std::string_view("\xFF\x00", 2)), "/wA=");
    EXPECT_EQ(DecodeBase64(EncodeBase64(std::string("\0\x01\xFE", 3))),
              std::string("\0\x01\xFE", 3));
}

TEST(MboxReader, HeaderNamesInAnyCaseFirstValueCountsFoldingStaysWithItsHeader) {
    const std::string bytes = "From a Mon Dec  7 10:00:00 2026\n"
                              "X-Long: first\n"
                              "  continued elsewhere\n"
                              "SUBJECT: one\n"
                              "\ttwo\n"
                              "subject: ignored\n"
                              " also ignored\n"
                              "from: =?UTF-8?Q?J=C3=B6rg?=\n"
                              " <j@x>\n"
                              "CONTENT-type: TEXT/PLAIN; CHARSET=\" ISO-8859-1\"\n"
                              "Content-Transfer-Encoding: QUOTED-PRINTABLE\n"
                              "status: =?us-ascii?B?Uk8=?=\n"
                              "\n"
                              "caf=E9 =\n"
                              "au lait\n";
    const MboxContents folder = ReadMbox(bytes);
    EXPECT_TRUE(folder.problems.empty()) << folder.problems.front();
    ASSERT_EQ(folder.mails.size(), 1u);
    EXPECT_EQ(folder.mails[0].subject, "one two");
    EXPECT_EQ(folder.mails[0].from, "J\xC3\xB6rg <j@x>");
    EXPECT_EQ(folder.mails[0].body, "caf\xC3\xA9 au lait\n");
    // "R" only once the encoded word is decoded.
    EXPECT_TRUE(folder.mails[0].read);
}

TEST(MboxReader, ProblemsNameTheMailTheyBelongTo) {
    std::string bytes = "  stray\n"
                        "Subject: bare\n"
                        "\n"
                        "body\n"
                        "\n"
                        "From x Mon Dec  7 10:00:00 2026\n"
                        "no colon here\n"
                        "Content-Type: multipart/mixed\n"
                        "\n"
                        "parts?\n"
                        "\n"
                        "From y Mon Dec  7 10:00:00 2026\n"
                        "\n"
                        "text\n";
    bytes.push_back('\0');
    const MboxContents folder = ReadMbox(bytes);
    ASSERT_EQ(folder.mails.size(), 3u);
    const std::vector<std::string> expected = {
        "the folder holds zero bytes",
        "text before the first \"From \" line read as a mail",
        "mail 1: continuation line without a header skipped",
        "mail 2: header line without a name skipped",
        "mail 2: multipart body without a usable boundary",
        "mail 3: no headers"};
    EXPECT_EQ(folder.problems, expected);
    EXPECT_EQ(folder.mails[0].subject, "bare");
    // The zero byte stays, on a line of its own.
    EXPECT_EQ(folder.mails[2].body, std::string("text\n\0\n", 7));
}

TEST(MboxReader, QuotedParametersLoseTheirEscapes) {
    const std::string bytes = "From a Mon Dec  7 10:00:00 2026\n"
                              "Content-Type: multipart/alternative; boundary=\"a\\\"b\\\\c\"\n"
                              "\n"
                              "--a\"b\\c\n"
                              "Content-Type: text/plain; charset=\"win\\dows-1252\"\n"
                              "\n"
                              "\x80 5\n"
                              "--a\"b\\c--\n";
    const MboxContents folder = ReadMbox(bytes);
    ASSERT_EQ(folder.mails.size(), 1u);
    EXPECT_EQ(folder.mails[0].body, "\xE2\x82\xAC 5\n");
}

TEST(MboxReader, EachReadStandsAlone) {
    // Reads share buffers between them; a large folder (its buffers are let go afterwards)
    // and a small one, in turn, give what each gives on its own.
    std::string large = "From a Mon Dec  7 10:00:00 2026\n"
                        "Content-Transfer-Encoding: base64\n"
                        "\n";
    for (int i = 0; i < 70000; ++i) {
        large += "eA==\n";
    }
    const std::string small = "From b Mon Dec  7 10:00:00 2026\n"
                              "Subject: small\n"
                              "Content-Transfer-Encoding: base64\n"
                              "\n"
                              "c21h\n"
                              "bGw=\n";
    const MboxContents first = ReadMbox(small);
    ASSERT_EQ(first.mails.size(), 1u);
    EXPECT_EQ(first.mails[0].body, "small");
    for (int round = 0; round < 2; ++round) {
        const MboxContents big = ReadMbox(large);
        ASSERT_EQ(big.mails.size(), 1u);
        EXPECT_EQ(big.mails[0].body, "x");
        const MboxContents again = ReadMbox(small);
        ASSERT_EQ(again.mails.size(), 1u);
        EXPECT_EQ(again.mails[0].subject, "small");
        EXPECT_EQ(again.mails[0].body, "small");
    }
}

TEST(MailText, Base64SkipsDamageAnywhereAndAppendsToWhatIsThere) {
    std::string all;
    for (int c = 0; c < 256; ++c) {
        all.push_back(static_cast<char>(c));
    }
    const std::string encoded = EncodeBase64(all);
    EXPECT_EQ(DecodeBase64(encoded), all);
    // A stray character inside a group or between groups changes nothing.
    const std::string text = EncodeBase64("Hello, world!");
    for (std::size_t at = 0; at < text.find('='); ++at) {
        for (const char* stray : {"\n", "#", " ", "\xC3\xA9"}) {
            std::string damaged = text;
            damaged.insert(at, stray);
            EXPECT_EQ(DecodeBase64(damaged), "Hello, world!") << at << stray;
        }
    }
    std::string out = "kept:";
    AppendDecodedBase64(out, "SGk=");
    AppendBase64(out, "Hi");
    AppendToUtf8(out, "\xE9", "latin1");
    EXPECT_EQ(out, "kept:HiSGk=\xC3\xA9");
}

TEST(MailText, Utf8RepairAtEveryPlaceOfAWord) {
    // The scans go eight bytes at a time: a bad byte, a character cut off at the end and one
    // that spans two words, at every place.
    for (std::size_t at = 0; at < 20; ++at) {
        std::string text(20, 'a');
        text[at] = '\xFF';
        std::string expected(20, 'a');
        expected.replace(at, 1, "\xEF\xBF\xBD");
        EXPECT_EQ(ToUtf8(text, "utf-8"), expected) << at;
        EXPECT_FALSE(platform::IsValidUtf8(text)) << at;

        std::string cut(at, 'a');
        cut += "\xC3";
        EXPECT_FALSE(platform::IsValidUtf8(cut)) << at;
        std::string whole(at, 'a');
        whole += "\xE2\x82\xAC" + std::string(9, 'b');
        EXPECT_TRUE(platform::IsValidUtf8(whole)) << at;
        EXPECT_EQ(ToUtf8(whole, "utf-8"), whole);
    }
    for (int c = 0; c < 256; ++c) {
        const bool space =
            c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
        EXPECT_EQ(platform::IsSpace(static_cast<char>(c)), space) << c;
    }
}
