// Text decoding for mail read from outside (and base64 for the folders the program writes): the two
// transfer encodings of MIME bodies (quoted-printable and base64), header encoded words
// ("=?charset?Q?...?=" and "?B?"), and the conversion of a body or header in a named character set
// to UTF-8. Every function takes arbitrary bytes and never fails: what cannot be decoded is kept as
// it stands (a broken escape, a stray character) or, for bytes that are not valid in the character
// set, replaced by U+FFFD, so the result is always valid UTF-8 when it goes through ToUtf8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailclient {

// Quoted-printable: "=XX" becomes the byte, "=" at the end of a line joins the lines; a broken
// escape ("=G1", "=" at the very end) stays as it is. `headerForm` also turns "_" into a
// blank (the Q form of encoded words).
std::string DecodeQuotedPrintable(std::string_view text, bool headerForm = false);

// Base64; characters outside the alphabet (line breaks, blanks, damage) are skipped and the
// decoding stops at the first "=". Leftover bits of a cut-off group are dropped.
std::string DecodeBase64(std::string_view text);
// Base64 of `bytes` in one piece, padded with "=".
std::string EncodeBase64(std::string_view bytes);

// Converts `bytes` in `charset` (compared without case; "utf-8", "us-ascii", "iso-8859-1",
// "latin1", "windows-1252" are known, an empty or unknown name is read as UTF-8) to UTF-8.
// Invalid sequences become U+FFFD.
std::string ToUtf8(std::string_view bytes, std::string_view charset);

// Replaces the encoded words of a header value by their UTF-8 text; the blanks between two
// adjacent encoded words are dropped, as the encoding asks. Malformed words stay as written.
std::string DecodeEncodedWords(std::string_view value);

// The same decodings appending their result to `out` instead of returning a string of their
// own, for readers that build a text from several pieces or reuse one buffer. Each gives
// exactly what the function of the same meaning above gives.
void AppendQuotedPrintable(std::string& out, std::string_view text, bool headerForm = false);
void AppendDecodedBase64(std::string& out, std::string_view text);
void AppendBase64(std::string& out, std::string_view bytes);
void AppendToUtf8(std::string& out, std::string_view bytes, std::string_view charset);
void AppendEncodedWords(std::string& out, std::string_view value);

// Converts the bytes of `text` from `from` on, in `charset`, to UTF-8 in place (what ToUtf8
// gives for them); a text that needs no conversion is left untouched without a copy.
void ConvertToUtf8From(std::string& text, std::size_t from, std::string_view charset);

} // namespace mailclient
