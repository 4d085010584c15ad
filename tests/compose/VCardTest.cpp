// The vCard reader and writer over the three dialects, damaged input and byte-exact rewriting.
#include "ComposeTestUtil.h"
#include "compose/CVCardReader.h"
#include "compose/CVCardWriter.h"

#include <gtest/gtest.h>

namespace {

using twtest::Fixture;

struct Parsed {
    std::vector<CVCard> cards;
    std::vector<CVCardReader::Damage> damage;
    std::vector<std::string> gaps;
};

Parsed Parse(const std::string& text) {
    Parsed parsed;
    CVCardReader::Parse(text, parsed.cards, parsed.damage, &parsed.gaps);
    return parsed;
}

const CVCard& ByName(const Parsed& parsed, const std::string& name) {
    for (const CVCard& card : parsed.cards) {
        if (card.DisplayName() == name) {
            return card;
        }
    }
    ADD_FAILURE() << "no card " << name;
    static CVCard none;
    return none;
}

// Every byte of the input is either in a gap or in a card's raw bytes, in order.
std::string Reassemble(const Parsed& parsed) {
    std::string text;
    for (std::size_t i = 0; i < parsed.cards.size(); ++i) {
        text += parsed.gaps[i] + parsed.cards[i].Raw();
    }
    return text + parsed.gaps.back();
}

TEST(VCardReader, Version21QuotedPrintableCharsetsAndBareParameters) {
    const Parsed parsed = Parse(Fixture("contacts-21.vcf"));
    ASSERT_EQ(parsed.cards.size(), 5u);
    EXPECT_TRUE(parsed.damage.empty());

    const CVCard& anna = parsed.cards[0];
    EXPECT_EQ(anna.Version(), "2.1");
    EXPECT_EQ(anna.Mobile(), "0170 1111111"); // the CELL one, not the HOME one before it

    const CVCard& juergen = parsed.cards[1];
    EXPECT_EQ(juergen.FormattedName(), "J\xc3\xbcrgen M\xc3\xbcller");
    EXPECT_EQ(juergen.FamilyName(), "M\xc3\xbcller");
    EXPECT_EQ(juergen.GivenName(), "J\xc3\xbcrgen");
    const CVCardProperty* note = juergen.Find("NOTE");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->Text("2.1"),
              "First line\r\nSecond line, long enough to need a soft line break: caf\xc3\xa9");
    EXPECT_TRUE(note->params.empty()); // ENCODING and CHARSET are not kept as parameters

    const CVCard& zoe = parsed.cards[2];
    EXPECT_EQ(zoe.FormattedName(), "Zo\xc3\xab \xe2\x80\x9cZee\xe2\x80\x9d Dubois");
    EXPECT_EQ(zoe.Mobile(), "0172 3333333"); // the preferred cell number wins
    EXPECT_EQ(zoe.Uid(), "");
    EXPECT_EQ(zoe.EntryId().rfind("x-tw-", 0), 0u);

    EXPECT_EQ(parsed.cards[3].Mobile(), "0173 4444444"); // untyped TEL, not the WORK one
    EXPECT_EQ(parsed.cards[4].Mobile(), "");             // only a work number
}

TEST(VCardReader, Version30FoldingEscapesGroupsAndLineFeeds) {
    const Parsed parsed = Parse(Fixture("contacts-30.vcf"));
    ASSERT_EQ(parsed.cards.size(), 3u);
    const CVCard& john = parsed.cards[0];
    EXPECT_EQ(john.LineEnd(), "\n");
    EXPECT_EQ(john.Mobile(), "+1 202 555 0101");
    EXPECT_EQ(john.GivenName(), "John");
    EXPECT_EQ(john.Find("ORG")->Components("3.0"),
              (std::vector<std::string>{"Acme, Inc.", "Sales"}));
    EXPECT_EQ(john.Find("NOTE")->Text("3.0"),
              "Line one\nLine two, with comma; and semicolon \\ backslash and a folded tail");
    const CVCardProperty* custom = john.Find("X-CUSTOM");
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->ParamValues("X-PARAM"), std::vector<std::string>{"a:b"});
    const CVCardProperty* tel = john.Find("TEL");
    EXPECT_EQ(tel->group, "item1");
    EXPECT_TRUE(tel->HasType("voice"));
    EXPECT_TRUE(tel->IsPreferred());
    EXPECT_EQ(john.Find("PHOTO")->value.find('\n'), std::string::npos);
    EXPECT_EQ(john.EntryId(), "3F2504E0-4F89-11D3-9A0C-0305E82C3301");

    EXPECT_EQ(parsed.cards[1].FormattedName(), "Siobh\xc3\xa1n O'Brien");
    EXPECT_EQ(parsed.cards[1].Mobile(), "0174 5550102"); // TYPE=cell,voice

    const CVCard& team = parsed.cards[2];
    EXPECT_TRUE(team.IsGroup());
    EXPECT_EQ(team.MemberUris().size(), 2u);
}

TEST(VCardReader, Version40QuotedTypeListsUrisAndGroups) {
    const Parsed parsed = Parse(Fixture("contacts-40.vcf"));
    ASSERT_EQ(parsed.cards.size(), 11u);
    EXPECT_EQ(ByName(parsed, "Alice Archer").Mobile(), "+49 160 1000001");
    EXPECT_EQ(ByName(parsed, "Bob Baker").Mobile(), "+49-160-1000002");
    EXPECT_EQ(ByName(parsed, "Bob Baker").EntryId(), "a0000000-0000-4000-8000-000000000002");
    EXPECT_EQ(ByName(parsed, "Carol Clark").Mobile(), "");
    const CVCard& outer = ByName(parsed, "Outer");
    EXPECT_TRUE(outer.IsGroup());
    EXPECT_EQ(outer.MemberUris(),
              (std::vector<std::string>{"urn:uuid:b0000000-0000-4000-8000-000000000004",
                                        "mailto:dave@example.org",
                                        "urn:uuid:ffffffff-0000-4000-8000-00000000dead"}));
    EXPECT_FALSE(ByName(parsed, "Alice Archer").IsGroup());
}

TEST(VCardReader, SmallSyntaxCases) {
    // Lower-case markers, a tab fold, an escaped ";" inside N, a name taken from N alone.
    const Parsed parsed = Parse("begin:vcard\r\nversion:3.0\r\nn:Doe\\;Smith;Jane;;;\r\n"
                                "tel;type=CELL:0176\r\n\t1234567\r\nend:vcard\r\n");
    ASSERT_EQ(parsed.cards.size(), 1u);
    EXPECT_EQ(parsed.cards[0].FamilyName(), "Doe;Smith");
    EXPECT_EQ(parsed.cards[0].DisplayName(), "Jane Doe;Smith");
    EXPECT_EQ(parsed.cards[0].Mobile(), "01761234567");

    // A byte order mark before the first card is kept, not taken for text.
    const std::string bom = "\xEF\xBB\xBF"
                            "BEGIN:VCARD\r\nFN:Marked\r\nEND:VCARD\r\n";
    const Parsed marked = Parse(bom);
    ASSERT_EQ(marked.cards.size(), 1u);
    EXPECT_EQ(marked.gaps[0], "\xEF\xBB\xBF");
    EXPECT_EQ(Reassemble(marked), bom);

    // Text that is not UTF-8 and names no character set reads as Windows-1252.
    const Parsed latin = Parse("BEGIN:VCARD\nVERSION:3.0\nFN:Ren\xe9\nEND:VCARD\n");
    ASSERT_EQ(latin.cards.size(), 1u);
    EXPECT_EQ(latin.cards[0].FormattedName(), "Ren\xc3\xa9");
}

TEST(VCardReader, DamagedCardsAreSkippedAndTheRestIsRead) {
    const std::string text = Fixture("damaged.vcf");
    const Parsed parsed = Parse(text);
    ASSERT_EQ(parsed.cards.size(), 2u);
    EXPECT_EQ(parsed.cards[0].FormattedName(), "Good One");
    EXPECT_EQ(parsed.cards[1].FormattedName(), "Good Two");
    ASSERT_EQ(parsed.damage.size(), 4u);
    EXPECT_EQ(parsed.damage[0].reason, "no END:VCARD before the next card");
    EXPECT_EQ(parsed.damage[1].reason, "a line without \":\"");
    EXPECT_EQ(parsed.damage[2].reason, "an unclosed quoted parameter");
    EXPECT_EQ(parsed.damage[3].reason, "no END:VCARD");
    EXPECT_EQ(parsed.damage[0].line, 8);
    // Nothing is lost: damaged cards and stray text are kept in the gaps.
    EXPECT_EQ(Reassemble(parsed), text);
}

// Lines the writer would turn into card markers: an empty group before a name and a BEGIN or
// END line with parameters damage their card instead of being read as properties.
TEST(VCardReader, LinesThatWouldBeWrittenAsMarkersDamageTheCard) {
    const std::string text = "BEGIN:VCARD\r.BEGIN:VCARD\rEND:VCARD\r\n"
                             "BEGIN:VCARD\r\nEND;CHARSET=:VCARD\rEND:VCARD\r\n"
                             "BEGIN:VCARD\r\nFN:Kept\r\nEND:VCARD\r\n";
    const Parsed parsed = Parse(text);
    ASSERT_EQ(parsed.cards.size(), 1u);
    EXPECT_EQ(parsed.cards[0].FormattedName(), "Kept");
    ASSERT_EQ(parsed.damage.size(), 2u);
    EXPECT_EQ(parsed.damage[0].reason, "a line without group name");
    EXPECT_EQ(parsed.damage[1].reason, "a damaged BEGIN or END line");
    EXPECT_EQ(parsed.damage[1].line, 2);
    EXPECT_EQ(Reassemble(parsed), text);
}

TEST(VCardWriter, UnchangedCardsAreWrittenByteForByte) {
    for (const char* name : {"contacts-21.vcf", "contacts-30.vcf", "contacts-40.vcf"}) {
        const std::string text = Fixture(name);
        const Parsed parsed = Parse(text);
        EXPECT_EQ(Reassemble(parsed), text) << name;
        EXPECT_EQ(CVCardWriter::Write(parsed.cards), text) << name; // no stray text in these
    }
}

TEST(VCardWriter, EditingKeepsEveryOtherPropertyByteForByte) {
    const std::string text = Fixture("contacts-30.vcf");
    Parsed parsed = Parse(text);
    CVCard& john = parsed.cards[0];
    john.SetMobile("+1 202 555 0177");
    john.SetFormattedName("John Q. Smith, Jr.");
    const std::string written = CVCardWriter::Write(parsed.cards);

    // The untouched cards and every property not edited keep their bytes.
    const Parsed original = Parse(text);
    for (const CVCardProperty& property : original.cards[0].Properties()) {
        if (property.name != "FN" && !(property.name == "TEL" && property.group == "item1")) {
            EXPECT_NE(written.find(property.raw), std::string::npos) << property.name;
        }
    }
    EXPECT_NE(written.find(parsed.cards[1].Raw()), std::string::npos);
    EXPECT_NE(written.find("item1.TEL;TYPE=CELL;TYPE=VOICE;TYPE=pref:+1 202 555 0177\n"),
              std::string::npos);
    EXPECT_NE(written.find("FN:John Q. Smith\\, Jr.\n"), std::string::npos);

    const Parsed again = Parse(written);
    ASSERT_EQ(again.cards.size(), 3u);
    EXPECT_EQ(again.cards[0].Mobile(), "+1 202 555 0177");
    EXPECT_EQ(again.cards[0].FormattedName(), "John Q. Smith, Jr.");
    EXPECT_EQ(again.cards[0].Find("PHOTO")->value, john.Find("PHOTO")->value);
}

TEST(VCardWriter, FormatsChangedLinesForEachVersion) {
    const std::string longName =
        "M\xc3\xbc\xc3\x9f\xc3\xa9 " + std::string(90, 'x') + ", \xe2\x82\xac; end";
    for (const char* version : {"2.1", "3.0", "4.0"}) {
        CVCard card = CVCard::NewCard(version, false);
        card.SetFormattedName(longName);
        card.SetName("Fam;ily", "Gi\\ven");
        card.SetMobile("0170 555");
        const std::string written = CVCardWriter::Write({card});
        const Parsed parsed = Parse(written);
        ASSERT_EQ(parsed.cards.size(), 1u) << version;
        EXPECT_TRUE(parsed.damage.empty());
        EXPECT_EQ(parsed.cards[0].FormattedName(), longName) << version;
        EXPECT_EQ(parsed.cards[0].FamilyName(), "Fam;ily") << version;
        EXPECT_EQ(parsed.cards[0].GivenName(), "Gi\\ven") << version;
        EXPECT_EQ(parsed.cards[0].Mobile(), "0170 555") << version;
        EXPECT_EQ(parsed.cards[0].EntryId(), card.EntryId()) << version;
        if (std::string(version) == "2.1") {
            // 8-bit text in vCard 2.1 goes quoted-printable, lines stay short.
            EXPECT_NE(written.find("FN;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:M=C3=BC"),
                      std::string::npos);
        }
        std::size_t start = 0;
        while (start < written.size()) {
            const std::size_t end = written.find("\r\n", start);
            EXPECT_LE(end - start, 76u) << version << ": " << written.substr(start, end - start);
            start = end + 2;
        }
    }
}

TEST(VCardWriter, ParameterListsAreWrittenAsTheyWereRead) {
    // Taking the quoted-printable encoding out of a list leaves the rest of that list a
    // parameter of its own, not a part of the list before it.
    const std::string text =
        "BEGIN:VCARD\r\nVERSION:3.0\r\n"
        "NOTE;TYPE=a,b;ENCODING=QUOTED-PRINTABLE,8BIT;X-K=\"p,q\":caf=C3=A9\r\n"
        "TEL;TYPE=cell;TYPE=voice:0170 1\r\nEND:VCARD\r\n";
    Parsed parsed = Parse(text);
    ASSERT_EQ(parsed.cards.size(), 1u);
    for (CVCardProperty& property : parsed.cards[0].MutableProperties()) {
        property.raw.clear();
    }
    const std::string written = CVCardWriter::Write(parsed.cards);
    EXPECT_NE(written.find("NOTE;TYPE=a,b;ENCODING=8BIT;X-K=\"p,q\":caf\xc3\xa9\r\n"),
              std::string::npos)
        << written;
    EXPECT_NE(written.find("TEL;TYPE=cell;TYPE=voice:0170 1\r\n"), std::string::npos) << written;
    const Parsed again = Parse(written);
    ASSERT_EQ(again.cards.size(), 1u);
    EXPECT_TRUE(again.cards[0].SameMeaning(parsed.cards[0]));
}

TEST(VCardWriter, MembersFollowTheGroupsDialect) {
    Parsed parsed = Parse(Fixture("contacts-30.vcf"));
    CVCard& team = parsed.cards[2];
    team.SetMemberUris({"urn:uuid:siobhan-30"});
    const std::string written = CVCardWriter::Write(parsed.cards);
    EXPECT_NE(written.find("X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:siobhan-30\n"), std::string::npos);
    EXPECT_EQ(Parse(written).cards[2].MemberUris(),
              std::vector<std::string>{"urn:uuid:siobhan-30"});

    CVCard group = CVCard::NewCard("4.0", true);
    group.SetMemberUris({"urn:uuid:x", "urn:uuid:y"});
    const Parsed fresh = Parse(CVCardWriter::Write({group}));
    EXPECT_TRUE(fresh.cards[0].IsGroup());
    EXPECT_EQ(fresh.cards[0].Find("KIND")->value, "group");
    EXPECT_EQ(fresh.cards[0].MemberUris().size(), 2u);
}

} // namespace
