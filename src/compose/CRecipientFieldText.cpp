#include "compose/CRecipientFieldText.h"
#include "platform/Utf8.h"

#include <algorithm>

namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::size_t Clamp(std::u16string_view text, std::size_t position) {
    return std::min(position, text.size());
}

// First unit after the last separator before `position`, or 0.
std::size_t AfterPreviousSeparator(std::u16string_view text, std::size_t position) {
    if (position == 0) {
        return 0;
    }
    const std::size_t separator = text.rfind(CRecipientFieldText::kSeparator, position - 1);
    return separator == std::u16string_view::npos ? 0 : separator + 1;
}

} // namespace

std::vector<CRecipientFieldText::Piece> CRecipientFieldText::Pieces(std::u16string_view text) {
    std::vector<Piece> pieces;
    std::size_t rawStart = 0;
    while (rawStart <= text.size()) {
        std::size_t separator = text.find(kSeparator, rawStart);
        const bool hasSeparator = separator != std::u16string_view::npos;
        const std::size_t rawEnd = hasSeparator ? separator : text.size();
        std::size_t start = rawStart;
        std::size_t end = rawEnd;
        while (start < end && IsSpace(text[start])) {
            ++start;
        }
        while (end > start && IsSpace(text[end - 1])) {
            --end;
        }
        if (start < end) {
            Piece piece;
            piece.text = {start, end};
            piece.rawStart = rawStart;
            if (hasSeparator) {
                piece.separator = separator;
            }
            pieces.push_back(piece);
        }
        if (!hasSeparator) {
            break;
        }
        rawStart = separator + 1;
    }
    return pieces;
}

std::u16string_view CRecipientFieldText::SuggestionPrefix(std::u16string_view text,
                                                          std::size_t caret) {
    caret = Clamp(text, caret);
    std::size_t start = AfterPreviousSeparator(text, caret);
    while (start < caret && IsSpace(text[start])) {
        ++start;
    }
    return text.substr(start, caret - start);
}

CRecipientFieldText::Range CRecipientFieldText::CurrentEntry(std::u16string_view text,
                                                             std::size_t caret) {
    std::size_t end = Clamp(text, caret);
    while (end > 0 && (IsSpace(text[end - 1]) || text[end - 1] == kSeparator)) {
        --end;
    }
    std::size_t start = AfterPreviousSeparator(text, end);
    while (start < end && IsSpace(text[start])) {
        ++start;
    }
    return {start, end};
}

CRecipientFieldText::Edit CRecipientFieldText::CompleteEntry(std::u16string_view text,
                                                             std::size_t caret,
                                                             const IsValidFn& isValid) {
    Edit edit;
    edit.text = std::u16string(text);
    edit.caret = Clamp(text, caret);
    const Range entry = CurrentEntry(text, caret);
    if (entry.Empty()) {
        return edit;
    }
    edit.entry = entry;
    edit.valid = isValid && isValid(text.substr(entry.start, entry.end - entry.start));
    std::size_t after = entry.end;
    while (after < text.size() && IsSpace(text[after])) {
        ++after;
    }
    if (after < text.size() && text[after] == kSeparator) {
        edit.caret = after + 1;
    } else {
        edit.text.insert(entry.end, 1, kSeparator);
        edit.caret = entry.end + 1;
        edit.changed = true;
    }
    return edit;
}

CRecipientFieldText::Edit CRecipientFieldText::TakeSuggestion(std::u16string_view text,
                                                              std::size_t caret,
                                                              std::u16string_view suggestion,
                                                              const IsValidFn& isValid) {
    caret = Clamp(text, caret);
    std::size_t start = AfterPreviousSeparator(text, caret);
    while (start < caret && IsSpace(text[start])) {
        ++start;
    }
    std::size_t end = text.find(kSeparator, caret);
    end = end == std::u16string_view::npos ? text.size() : end + 1;
    std::u16string replaced(text.substr(0, start));
    replaced += suggestion;
    replaced += kSeparator;
    const std::size_t entryEnd = start + suggestion.size();
    replaced += text.substr(end);
    Edit edit = CompleteEntry(replaced, entryEnd, isValid);
    edit.changed = edit.changed || edit.text != text;
    return edit;
}

CRecipientFieldText::Range CRecipientFieldText::WidenSelection(std::u16string_view text,
                                                               Range selection,
                                                               const IsValidFn& isValid,
                                                               bool withSeparator) {
    selection.start = Clamp(text, selection.start);
    selection.end = Clamp(text, selection.end);
    if (selection.start > selection.end) {
        std::swap(selection.start, selection.end);
    }
    Range widened = selection;
    const bool caretOnly = selection.start == selection.end;
    for (const Piece& piece : Pieces(text)) {
        const bool touches =
            caretOnly ? (piece.text.start <= selection.start && selection.start <= piece.text.end)
                      : (selection.start < piece.text.end && selection.end > piece.text.start);
        if (!touches || !isValid ||
            !isValid(text.substr(piece.text.start, piece.text.end - piece.text.start))) {
            continue;
        }
        std::size_t end = piece.text.end;
        if (withSeparator && piece.separator) {
            end = *piece.separator + 1;
            while (end < text.size() && IsSpace(text[end])) {
                ++end;
            }
        }
        widened.start = std::min(widened.start, piece.text.start);
        widened.end = std::max(widened.end, end);
    }
    return widened;
}

std::size_t CRecipientFieldText::MoveCaret(std::u16string_view text, std::size_t caret, bool right,
                                           const IsValidFn& isValid) {
    caret = Clamp(text, caret);
    for (const Piece& piece : Pieces(text)) {
        const bool inside = right ? (piece.text.start <= caret && caret < piece.text.end)
                                  : (piece.text.start < caret && caret <= piece.text.end);
        if (inside && isValid &&
            isValid(text.substr(piece.text.start, piece.text.end - piece.text.start))) {
            return right ? piece.text.end : piece.text.start;
        }
    }
    if (right) {
        return std::min(caret + 1, text.size());
    }
    return caret > 0 ? caret - 1 : 0;
}

std::optional<CRecipientFieldText::Range>
CRecipientFieldText::BackspaceRange(std::u16string_view text, std::size_t caret,
                                    const IsValidFn& isValid) {
    caret = Clamp(text, caret);
    if (caret == 0 || text[caret - 1] != kSeparator) {
        return std::nullopt;
    }
    for (const Piece& piece : Pieces(text)) {
        if (piece.separator && *piece.separator == caret - 1 && isValid &&
            isValid(text.substr(piece.text.start, piece.text.end - piece.text.start))) {
            return Range{piece.text.start, caret};
        }
    }
    return std::nullopt;
}

std::string CRecipientFieldText::ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD; // a lone surrogate
        }
        platform::AppendUtf8(out, cp);
    }
    return out;
}

std::u16string CRecipientFieldText::ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t length = 1;
    for (std::size_t i = 0; i < text.size(); i += length) {
        char32_t cp = 0xFFFD; // what an invalid byte becomes
        platform::DecodeUtf8(text, i, cp, length);
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}
