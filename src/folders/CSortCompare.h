// The comparison rules of the sortable message list. Two cells compare by their texts, a and
// b, and the first text alone decides how:
//   - every character of a is a digit (an empty a counts too): the integer values of a and b
//     (b read like atoi: leading blanks, a sign and the digits that follow; nothing gives 0);
//   - a is a date-time text "YYYY-MM-DD hh:mm" (exactly 16 characters): year, month, day,
//     hour and minute of a and b in that order (b read with "%d-%d-%d %d:%d", missing fields
//     count as 0);
//   - otherwise a locale-aware, case-sensitive text comparison, which the caller supplies.
// Because a decides, the relation is not a strict weak ordering when a column mixes kinds;
// CSortCompare::SortRows therefore uses a merge sort, which stays memory-safe with such a
// relation, and keeps rows that compare equal in their previous order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One cell prepared for comparison.
struct SortCell {
    enum Kind : std::uint8_t { Digits, Date, Text };

    Kind kind = Text;
    bool negative = false;
    // The integer value's digits without leading zeros ("" for zero).
    std::string digits;
    // Year, month, day, hour, minute.
    std::array<int, 5> date{};
};

class CSortCompare {
public:
    // Text comparison of two rows: negative, zero or positive.
    using TextCompare = std::function<int(std::size_t a, std::size_t b)>;

    static bool IsAllDigits(std::string_view text);
    static bool IsDateForm(std::string_view text);
    static SortCell Prepare(std::string_view text);

    // <0, 0, >0 for a against b under the rules above; `textCompare` is called with the two
    // row numbers when a is plain text.
    static int Compare(const SortCell& a, const SortCell& b, std::size_t rowA, std::size_t rowB,
                       const TextCompare& textCompare);

    // Sorts the row numbers 0..cells.size()-1 by the cells, ascending or descending (the two
    // cells swapped). Returns the new order.
    static std::vector<std::size_t> SortRows(const std::vector<SortCell>& cells, bool ascending,
                                             const TextCompare& textCompare);
};
