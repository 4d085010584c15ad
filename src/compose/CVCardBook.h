// The user's vCard address book: one ".vcf" file, or a folder of ".vcf" files (one card per
// file, as CardDAV sync tools keep them; a file may also hold several cards). It lists the
// cards, finds them by identifier, resolves group members and writes changes back.
//
// Identifiers: a card's entry id (CVCard::EntryId); two cards that would share one (identical
// cards without UID) are told apart by "-2", "-3"... in file order. Member references match a
// card by UID ("urn:uuid:" prefix and ASCII case ignored) or, for "mailto:", by e-mail address.
//
// Saving writes only the files whose cards changed, each atomically (temporary file, fsync,
// rename, mode 0600), and keeps the bytes of every card and property that was not changed. A
// file that another program changed since it was read is not overwritten: the save fails and
// the book has to be read again. A damaged card is skipped when reading and logged; its bytes,
// like any text between cards, are written back unchanged, so nothing the program cannot read
// is lost.
#pragma once

#include "compose/CVCard.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CVCardBook {
public:
    enum class LoadResult {
        Ok,
        Missing,       // nothing at the path
        Unreadable,    // the file or folder cannot be read
        NotAddressBook // a non-empty file without a single readable card
    };

    // Reads the file or folder at `path`. On anything but Ok the book is empty.
    LoadResult Load(const std::string& path);
    // Starts a new, empty book that Save creates at `path` (a file; a path ending in "/" or
    // naming an existing folder makes it a folder book).
    void CreateEmpty(const std::string& path);

    const std::string& Path() const { return m_path; }
    bool IsFolder() const { return m_folder; }
    std::size_t DamagedCards() const { return m_damagedCards; }

    const std::vector<CVCard>& Cards() const { return m_cards; }
    // Entry id of the card at `index` (unique within the book).
    const std::string& IdAt(std::size_t index) const { return m_ids[index]; }
    // Index of the card with that entry id, or -1.
    int IndexOf(std::string_view entryId) const;
    // Index of the card a member reference names, or -1.
    int ResolveMember(std::string_view uri) const;
    // Indexes of the cards a group names as members, in the group's order; references to
    // cards that are not in the book are skipped. False when `index` is not a group.
    bool Members(std::size_t index, std::vector<int>& members) const;
    // True when two entry ids name the same card.
    static bool CompareEntryIds(std::string_view a, std::string_view b);

    // Changes; each marks the card's file for the next Save.
    // A new contact or group in the book's dialect (the version most of its cards use); returns
    // its entry id.
    std::string AddContact(const std::string& displayName, const std::string& family,
                           const std::string& given, const std::string& mobile);
    std::string AddGroup(const std::string& displayName);
    bool SetContact(std::string_view entryId, const std::string& displayName,
                    const std::string& family, const std::string& given, const std::string& mobile);
    bool SetGroupName(std::string_view entryId, const std::string& displayName);
    // Replaces the group's members by the cards with these entry ids (unknown ids are skipped).
    bool SetGroupMembers(std::string_view entryId, const std::vector<std::string>& memberIds);
    // Removes the card and every group's reference to it.
    bool Remove(std::string_view entryId);

    bool HasChanges() const;
    // Writes the changed files. False with `error` set when a file cannot be written or was
    // changed by another program since it was read.
    bool Save(std::string& error);

private:
    struct SourceFile {
        std::string path;
        // Identity when read, to notice changes made by other programs.
        std::uint64_t size = 0;
        std::int64_t mtimeNs = 0;
        bool existed = false;
        bool dirty = false;
        std::string trailing; // bytes after the file's last card, kept as they are
    };

    void Clear();
    bool LoadFile(const std::string& path, bool reportMissing, LoadResult& result);
    void RebuildIndex();
    std::string DefaultVersion() const;
    std::size_t AddCard(CVCard card);
    void MarkDirty(std::size_t index);
    std::string MemberUriFor(std::size_t index) const;

    std::string m_path;
    bool m_folder = false;
    std::vector<CVCard> m_cards;
    std::vector<std::size_t> m_fileOf;    // card index -> m_files index
    std::vector<std::string> m_gapBefore; // bytes before the card in its file
    std::vector<SourceFile> m_files;
    std::vector<std::string> m_ids;
    std::unordered_map<std::string, std::size_t> m_byId; // folded id -> card index
    std::unordered_map<std::string, std::size_t> m_byEmail;
    std::size_t m_damagedCards = 0;
};
