// The rules of the options window that need no window: how the alert check boxes map to the
// AlertListbox text, what the truncation choice writes, the entries of the default-sender box
// and what choosing one writes, the e-mail address check, and the desktop start-up value.
// Qt-free; the pages call them with the states of their controls.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class CQVRegClass;

// The three truncation choices of the General page.
enum class TruncationChoice { OneSms = 0, LongMessages = 1, RememberLastUsed = 2 };

// The entries of the default-sender box (Account page), as shown.
struct OriginatorChoices {
    std::vector<std::string> entries;
    // Index of the "remember last used" entry; none with fewer than two senders.
    std::optional<std::size_t> rememberEntry;
    // The entry selected when the page opens.
    std::size_t selected = 0;
};

// The account's sender texts and the translated texts of the box.
struct OriginatorTexts {
    std::string msisdn;   // MsisdnOriginator
    std::string reply;    // ReplyOriginator
    std::string text;     // TextOriginator
    std::string toMobile; // "(replies to your mobile)"
    std::string toInbox;  // "(replies to your inbox)"
    std::string noReply;  // "(no reply)"
    std::string remember; // "Remember last used"
};

class COptionsRules {
public:
    // The AlertListbox positions of the eight alert boxes, in list order (2 has no box).
    static constexpr std::array<std::size_t, 8> kAlertPositions = {0, 1, 3, 4, 5, 6, 7, 8};

    // The states of the eight boxes from the nine flags.
    static std::array<bool, 8> AlertBoxes(const std::array<int, 9>& flags);
    // "c0,c1,1,c2,...,c7": the text written to AlertListbox.
    static std::string AlertListboxText(const std::array<bool, 8>& boxes);

    // The choice shown for a TruncationMode value (0, 1, above 1).
    static TruncationChoice ChoiceOf(unsigned truncationMode);
    // Writes the choice: TruncationMode 0 or 1; "remember" writes 3, after storing the mode
    // before it in RememberTruncMode when that was not 3 already.
    static void ApplyTruncation(const CQVRegClass& reg, TruncationChoice choice);

    // The default-sender box for the account's senders and the two settings.
    static OriginatorChoices Originators(const OriginatorTexts& texts, bool rememberOriginator,
                                         unsigned accDefOriginator);
    // Writes the chosen entry: the "remember" entry sets RememberOriginator 1; any other
    // sets AccDefOriginator to its index and RememberOriginator 0.
    static void ApplyOriginator(const CQVRegClass& reg, const OriginatorChoices& box,
                                std::size_t chosen);

    // True for a text that looks like an e-mail address: one "@" with a non-empty local part
    // before it and a domain of at least two dot-separated labels after it, no blanks and
    // none of the characters an address cannot hold unquoted.
    static bool LooksLikeEmail(const std::string& text);

    // "StartWithDesktop" under the program's settings key: start the program with the
    // desktop session (default 1).
    static bool GetStartWithDesktop(const CQVRegClass& reg);
    static int SetStartWithDesktop(const CQVRegClass& reg, bool enabled);
};
