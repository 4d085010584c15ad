// The address-book manager: opens the user's vCard address book (CVCardBook), caches its
// contacts and contact groups (distribution lists) as CWABRecord rows in the book's order, and
// answers everything recipient resolution needs of the address book: members of a list,
// validation of the cache through the number converter, lookup by display text, and
// FetchMSISDN, which turns a name into the contacts it stands for.
//
// Opening: Initialize with a path, or with none to use the configured location
// (CAddressBookLocation). A missing, unreadable or damaged address book (a file that holds no
// readable card at all) leaves the manager closed: the cache stays empty, lookups fail, details
// do nothing, and recipients can only be typed numbers. Single damaged cards are skipped and
// logged. LoadContacts reads the book again (picking up changes made by sync tools or the
// address-book window); when the manager is closed because the book was missing at start, it
// tries to open it again first, so a book created later is found.
//
// The address-book window edits the book with a CVCardBook of its own (read from BookPath()),
// saves it and then calls LoadContacts, so the manager's cache never holds unsaved edits.
//
// The manager is used from the GUI thread only (every dialog lives there); it does no locking.
#pragma once

#include "compose/CVCardBook.h"
#include "compose/CWABRecord.h"
#include "platform/Win.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ICountryCodes;

class CWABManager {
public:
    // Shows an entry's details (the address-book window registers it).
    using DetailsHandler = std::function<void(const CWABRecord& record, win::HWND owner)>;

    CWABManager() = default;
    ~CWABManager();
    CWABManager(const CWABManager&) = delete;
    CWABManager& operator=(const CWABManager&) = delete;

    // Opens the address book at `path` (empty: the configured location) and loads the cache.
    // True when opened.
    bool Initialize(const std::string& path = {});
    // Closes the address book and empties the cache.
    void Uninitialize();
    bool IsOpen() const { return m_opened; }
    // The path Initialize resolved (also when the book could not be opened).
    const std::string& BookPath() const { return m_path; }

    // The converter used by validation; null (the default) converts nothing. It must outlive
    // the manager or be reset before it goes. Conversions are remembered between validations
    // while the converter and its home country stay the same.
    void SetNumberConverter(const ICountryCodes* converter) { m_converter = converter; }

    // Reads the book again and rebuilds the cache (not yet validated). False when closed.
    bool LoadContacts();
    // The cache, in the book's order.
    const std::vector<CWABRecord>& Records() const { return m_records; }

    // The cached members of the list named `displayName` (case-insensitive), appended to
    // `members`; members that are not in the cache are skipped. False when no such list is
    // cached or it cannot be read.
    bool GetMembers(const std::string& displayName, std::vector<CWABRecord>& members) const;

    // Fills valid, count and msisdn of every cached record; `count` receives the number of
    // recipients the whole cache stands for (the sum of the records' counts, as for a list
    // holding every cached entry). True when every record is valid. Inside a cycle of nested
    // lists, a list met again while it is being expanded adds nothing, so every list counts
    // what FetchMSISDN would give for it.
    bool ValidateWAB(int& count);

    // Copy of the cached record whose display text equals `displayText` (case-insensitive).
    bool Lookup(std::string_view displayText, CWABRecord& record) const;
    // Index of that record in Records(), or -1.
    int FindByDisplayText(std::string_view displayText) const;

    // Appends the contacts `name` stands for to `contacts`; returns how many were added.
    // A contact with a number: itself. A list with `expand`: its members, nested lists
    // expanded (a list met again inside itself is not expanded twice). A list without
    // `expand`: the list record itself when it is valid.
    int FetchMSISDN(const std::string& name, std::vector<CWABRecord>& contacts, bool expand) const;

    // Shows the entry's details through the registered handler (when opened).
    void Details(const CWABRecord& record, win::HWND owner) const;
    void SetDetailsHandler(DetailsHandler handler) { m_detailsHandler = std::move(handler); }

private:
    bool OpenBook();
    void BuildRecords();
    void RebuildDisplayIndex();
    bool MembersOf(std::size_t listIndex, std::vector<int>& members) const;
    std::string Convert(const std::string& mobile);
    struct Validation {
        bool valid;
        std::int32_t count;
    };
    Validation ValidateRecord(std::size_t index, std::vector<int>& state, bool& sawCycle);
    int FetchList(std::size_t index, std::vector<CWABRecord>& contacts,
                  std::vector<bool>& open) const;

    bool m_opened = false;
    bool m_initialized = false;
    std::string m_path;
    CVCardBook m_book;
    const ICountryCodes* m_converter = nullptr;
    std::vector<CWABRecord> m_records;
    std::vector<std::size_t> m_cardOf; // record index -> card index in the book
    std::unordered_map<std::string, std::size_t> m_byEntryId;     // folded entry id -> record
    std::unordered_map<std::string, std::size_t> m_byDisplayText; // folded display text
    std::unordered_map<std::string, std::size_t> m_listByName;    // folded list name
    DetailsHandler m_detailsHandler;
    // Converted mobile numbers, valid for m_cacheConverter with home country m_cacheHome.
    std::unordered_map<std::string, std::string> m_conversions;
    const ICountryCodes* m_cacheConverter = nullptr;
    std::string m_cacheHome;
};
