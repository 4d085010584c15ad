#include "folders/CSortCompare.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// atoi-style reading: leading white space, an optional sign, then the digits.
void ReadNumber(std::string_view text, SortCell& cell) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    while (i < text.size() && text[i] == '0') {
        ++i;
    }
    size_t start = i;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
    }
    cell.digits.assign(text.substr(start, i - start));
    cell.negative = negative && !cell.digits.empty();
}

int Two(std::string_view t, size_t at) {
    return (t[at] - '0') * 10 + (t[at + 1] - '0');
}

void ReadDate(std::string_view text, SortCell& cell) {
    if (CSortCompare::IsDateForm(text)) {
        cell.date = {Two(text, 0) * 100 + Two(text, 2), Two(text, 5), Two(text, 8), Two(text, 11),
                     Two(text, 14)};
        return;
    }
    int f[5] = {0, 0, 0, 0, 0};
    std::string copy(text);
    std::sscanf(copy.c_str(), "%d-%d-%d %d:%d", &f[0], &f[1], &f[2], &f[3], &f[4]);
    cell.date = {f[0], f[1], f[2], f[3], f[4]};
}

int CompareNumbers(const SortCell& a, const SortCell& b) {
    if (a.negative != b.negative) {
        return a.negative ? -1 : 1;
    }
    int magnitude = 0;
    if (a.digits.size() != b.digits.size()) {
        magnitude = a.digits.size() < b.digits.size() ? -1 : 1;
    } else {
        int c = a.digits.compare(b.digits);
        magnitude = c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return a.negative ? -magnitude : magnitude;
}

} // namespace

bool CSortCompare::IsAllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsDigit);
}

bool CSortCompare::IsDateForm(std::string_view t) {
    if (t.size() != 16) {
        return false;
    }
    static constexpr std::string_view kPattern = "dddd-dd-dd dd:dd";
    for (size_t i = 0; i < t.size(); ++i) {
        if (kPattern[i] == 'd' ? !IsDigit(t[i]) : t[i] != kPattern[i]) {
            return false;
        }
    }
    return true;
}

SortCell CSortCompare::Prepare(std::string_view text) {
    SortCell cell;
    if (IsAllDigits(text)) {
        cell.kind = SortCell::Digits;
    } else if (IsDateForm(text)) {
        cell.kind = SortCell::Date;
    }
    ReadNumber(text, cell);
    ReadDate(text, cell);
    return cell;
}

int CSortCompare::Compare(const SortCell& a, const SortCell& b, std::size_t rowA, std::size_t rowB,
                          const TextCompare& textCompare) {
    switch (a.kind) {
    case SortCell::Digits:
        return CompareNumbers(a, b);
    case SortCell::Date:
        for (size_t i = 0; i < a.date.size(); ++i) {
            if (a.date[i] != b.date[i]) {
                return a.date[i] < b.date[i] ? -1 : 1;
            }
        }
        return 0;
    case SortCell::Text:
        break;
    }
    return textCompare ? textCompare(rowA, rowB) : 0;
}

std::vector<std::size_t> CSortCompare::SortRows(const std::vector<SortCell>& cells, bool ascending,
                                                const TextCompare& textCompare) {
    std::vector<std::size_t> order(cells.size());
    std::iota(order.begin(), order.end(), size_t{0});
    // stable_sort is a merge sort: with a relation that is not a strict weak ordering it
    // gives some order but never reads outside the range, unlike an introsort.
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        if (ascending) {
            return Compare(cells[x], cells[y], x, y, textCompare) < 0;
        }
        return Compare(cells[y], cells[x], y, x, textCompare) < 0;
    });
    return order;
}
