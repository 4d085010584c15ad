// The address book on disk: file and folder books, identifiers and members, saving changes
// without losing what the program does not read.
#include "ComposeTestUtil.h"
#include "compose/CVCardBook.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using twtest::CopyFixture;
using twtest::Fixture;
using twtest::MakeTempDir;
using twtest::ReadFile;
using twtest::WriteFile;

std::string Card(const std::string& body) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + body + "END:VCARD\r\n";
}

int NameIndex(const CVCardBook& book, const std::string& name) {
    for (std::size_t i = 0; i < book.Cards().size(); ++i) {
        if (book.Cards()[i].DisplayName() == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<std::string> MemberNames(const CVCardBook& book, const std::string& group) {
    std::vector<int> members;
    EXPECT_TRUE(book.Members(static_cast<std::size_t>(NameIndex(book, group)), members));
    std::vector<std::string> names;
    for (const int index : members) {
        names.push_back(book.Cards()[static_cast<std::size_t>(index)].DisplayName());
    }
    return names;
}

TEST(VCardBook, LoadResults) {
    CVCardBook book;
    EXPECT_EQ(book.Load(MakeTempDir("none") + "/missing.vcf"), CVCardBook::LoadResult::Missing);
    const std::string folder = MakeTempDir("results");
    WriteFile(folder + "/empty.vcf", "");
    EXPECT_EQ(book.Load(folder + "/empty.vcf"), CVCardBook::LoadResult::Ok);
    WriteFile(folder + "/notes.vcf", "just some notes\n");
    EXPECT_EQ(book.Load(folder + "/notes.vcf"), CVCardBook::LoadResult::NotAddressBook);
    EXPECT_TRUE(book.Cards().empty());
    EXPECT_EQ(book.Load(CopyFixture("damaged.vcf")), CVCardBook::LoadResult::Ok);
    EXPECT_EQ(book.Cards().size(), 2u);
    EXPECT_EQ(book.DamagedCards(), 4u);
}

TEST(VCardBook, FolderBookReadsEveryVcfFileInNameOrder) {
    const std::string folder = MakeTempDir("folder");
    WriteFile(folder + "/b.vcf", Card("FN:Second\r\nUID:two\r\n") + Card("FN:Third\r\n"));
    WriteFile(folder + "/a.VCF", Card("FN:First\r\nUID:one\r\n"));
    WriteFile(folder + "/readme.txt", Card("FN:Not A Card File\r\n"));
    WriteFile(folder + "/g.vcf", Card("FN:Group\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"
                                      "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:TWO\r\n"
                                      "X-ADDRESSBOOKSERVER-MEMBER:one\r\n"));
    CVCardBook book;
    ASSERT_EQ(book.Load(folder), CVCardBook::LoadResult::Ok);
    EXPECT_TRUE(book.IsFolder());
    ASSERT_EQ(book.Cards().size(), 4u);
    EXPECT_EQ(book.Cards()[0].DisplayName(), "First");
    EXPECT_EQ(book.Cards()[2].DisplayName(), "Third");
    // Members across files; "urn:uuid:" and letter case do not matter.
    EXPECT_EQ(MemberNames(book, "Group"), (std::vector<std::string>{"Second", "First"}));
}

TEST(VCardBook, IdentifiersAreUniqueAndStable) {
    const std::string folder = MakeTempDir("ids");
    const std::string same = Card("FN:Twin\r\nTEL;TYPE=cell:0170 1\r\n");
    WriteFile(folder + "/book.vcf", same + same + Card("FN:Other\r\nUID:urn:uuid:ABC\r\n"));
    CVCardBook book;
    ASSERT_EQ(book.Load(folder + "/book.vcf"), CVCardBook::LoadResult::Ok);
    EXPECT_EQ(book.IdAt(1), book.IdAt(0) + "-2");
    EXPECT_EQ(book.IdAt(2), "ABC");
    EXPECT_EQ(book.IndexOf("urn:uuid:abc"), 2);
    EXPECT_EQ(book.IndexOf(book.IdAt(1)), 1);
    EXPECT_TRUE(CVCardBook::CompareEntryIds("urn:uuid:ABC", "abc"));
    EXPECT_FALSE(CVCardBook::CompareEntryIds("abc", "abd"));

    // Reading again gives the same identifiers.
    CVCardBook again;
    again.Load(folder + "/book.vcf");
    EXPECT_EQ(again.IdAt(0), book.IdAt(0));
    EXPECT_EQ(again.IdAt(1), book.IdAt(1));
}

TEST(VCardBook, SavingAnEditChangesOnlyThatCard) {
    const std::string path = CopyFixture("contacts-21.vcf");
    const std::string before = ReadFile(path);
    CVCardBook book;
    ASSERT_EQ(book.Load(path), CVCardBook::LoadResult::Ok);
    const std::string zoeId = book.IdAt(2); // no UID: derived from the card
    const std::string annaRaw = book.Cards()[0].Raw();
    ASSERT_TRUE(book.SetContact(zoeId, "Zo\xc3\xab Dubois", "Dubois", "Zo\xc3\xab", "0172 1"));
    EXPECT_TRUE(book.HasChanges());
    std::string error;
    ASSERT_TRUE(book.Save(error)) << error;

    const std::string after = ReadFile(path);
    EXPECT_NE(after, before);
    EXPECT_EQ(after.rfind(annaRaw, 0), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    CVCardBook reread;
    ASSERT_EQ(reread.Load(path), CVCardBook::LoadResult::Ok);
    ASSERT_EQ(reread.Cards().size(), 5u);
    const CVCard& zoe = reread.Cards()[2];
    EXPECT_EQ(zoe.FormattedName(), "Zo\xc3\xab Dubois");
    EXPECT_EQ(zoe.Mobile(), "0172 1");
    // The edited card kept its identifier by getting it as UID.
    EXPECT_EQ(reread.IdAt(2), zoeId);
    // Its other number stays.
    int tels = 0;
    for (const CVCardProperty& property : zoe.Properties()) {
        tels += property.name == "TEL" ? 1 : 0;
    }
    EXPECT_EQ(tels, 2);
}

TEST(VCardBook, AFileChangedByAnotherProgramIsNotOverwritten) {
    const std::string path = CopyFixture("contacts-40.vcf");
    CVCardBook book;
    ASSERT_EQ(book.Load(path), CVCardBook::LoadResult::Ok);
    ASSERT_TRUE(book.SetGroupName(book.IdAt(4), "Best Friends"));
    const std::string synced = ReadFile(path) + Card("FN:Added By Sync\r\n");
    WriteFile(path, synced);
    std::string error;
    EXPECT_FALSE(book.Save(error));
    EXPECT_NE(error.find("changed by another program"), std::string::npos);
    EXPECT_EQ(ReadFile(path), synced);
}

TEST(VCardBook, DamagedCardsAndStrayTextSurviveASave) {
    const std::string path = CopyFixture("damaged.vcf");
    const std::string before = ReadFile(path);
    CVCardBook book;
    ASSERT_EQ(book.Load(path), CVCardBook::LoadResult::Ok);
    ASSERT_TRUE(book.SetContact("good-1", "Good One", "One", "Good", "0175 999"));
    std::string error;
    ASSERT_TRUE(book.Save(error)) << error;
    const std::string after = ReadFile(path);
    const std::size_t damagedStart = before.find("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:No End");
    const std::size_t damagedEnd = before.find("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Good Two");
    EXPECT_NE(after.find(before.substr(damagedStart, damagedEnd - damagedStart)),
              std::string::npos);
    EXPECT_EQ(after.rfind("Text before the first card\r\n", 0), 0u);
    EXPECT_NE(after.find("FN:Cut Off\r\n"), std::string::npos);
}

TEST(VCardBook, AddRemoveAndGroupMembersInAFolderBook) {
    const std::string folder = MakeTempDir("edit");
    WriteFile(folder + "/anna.vcf",
              "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Anna\r\nUID:urn:uuid:anna\r\nEND:VCARD\r\n");
    CVCardBook book;
    ASSERT_EQ(book.Load(folder), CVCardBook::LoadResult::Ok);
    const std::string ben = book.AddContact("Ben", "B", "Ben", "0170 2");
    const std::string group = book.AddGroup("Pair");
    ASSERT_TRUE(book.SetGroupMembers(group, {"anna", ben, "unknown"}));
    std::string error;
    ASSERT_TRUE(book.Save(error)) << error;

    CVCardBook reread;
    ASSERT_EQ(reread.Load(folder), CVCardBook::LoadResult::Ok);
    ASSERT_EQ(reread.Cards().size(), 3u);
    EXPECT_EQ(reread.Cards()[reread.IndexOf(ben)].Version(), "4.0"); // the book's dialect
    EXPECT_EQ(MemberNames(reread, "Pair"), (std::vector<std::string>{"Anna", "Ben"}));

    // Removing a card takes it out of its groups and removes its file.
    ASSERT_TRUE(reread.Remove("anna"));
    ASSERT_TRUE(reread.Save(error)) << error;
    EXPECT_FALSE(std::filesystem::exists(folder + "/anna.vcf"));
    CVCardBook last;
    ASSERT_EQ(last.Load(folder), CVCardBook::LoadResult::Ok);
    EXPECT_EQ(MemberNames(last, "Pair"), std::vector<std::string>{"Ben"});
}

TEST(VCardBook, ANewBookIsCreatedOnSave) {
    const std::string path = MakeTempDir("new") + "/sub/contacts.vcf";
    CVCardBook book;
    EXPECT_EQ(book.Load(path), CVCardBook::LoadResult::Missing);
    book.AddContact("First Contact", "Contact", "First", "0170 3");
    std::string error;
    ASSERT_TRUE(book.Save(error)) << error;
    CVCardBook reread;
    ASSERT_EQ(reread.Load(path), CVCardBook::LoadResult::Ok);
    ASSERT_EQ(reread.Cards().size(), 1u);
    EXPECT_EQ(reread.Cards()[0].Version(), "3.0");
    EXPECT_EQ(reread.Cards()[0].Mobile(), "0170 3");
}

TEST(VCardBook, AnUnreadableBookIsNeverReplaced) {
    const std::string path = MakeTempDir("unreadable") + "/contacts.vcf";
    WriteFile(path, "not a vcard at all\n");
    CVCardBook book;
    EXPECT_EQ(book.Load(path), CVCardBook::LoadResult::NotAddressBook);
    book.AddContact("New", "", "New", "0170 4");
    std::string error;
    EXPECT_FALSE(book.Save(error));
    EXPECT_EQ(ReadFile(path), "not a vcard at all\n");
}

} // namespace
