#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet
{
// Texts are kept as the bytes the files hold. Newer banks and records are
// UTF-8; older ones come from systems that wrote Windows-1252. Every
// well-formed UTF-8 sequence is kept and any other byte is read as
// Windows-1252, one byte at a time, so that the screen, the print-out and
// the e-mail show the same characters for the same bytes.
std::string TextToUtf8(std::string_view text);

// The text without leading and trailing white space (blank, tab, line
// breaks, vertical tab, form feed).
std::string_view TrimWhitespace(std::string_view text);

// Texts longer than this many bytes are shown cut: laying out one line of
// millions of characters takes gigabytes, and crashes the text engine.
inline constexpr std::size_t kShownTextLimit = 4000;
// The text as the screen, the print-out and the e-mail show it: whole, or
// its start up to the limit, never inside a UTF-8 sequence, and "…".
std::string ShownText(std::string_view text, std::size_t limit = kShownTextLimit);

// Length of the well-formed UTF-8 sequence at text[at], or 0 when there is
// none there (stray continuation, overlong form, surrogate, beyond U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// The candidates a mistyped name may have meant: the same but for ASCII
// letter case, or a few edits away (one for names of up to four bytes, two
// for longer ones), the closest first; each once, never `wanted` itself.
std::vector<std::string> CloseMatches(std::string_view wanted, const std::vector<std::string>& candidates);

// The bytes in base64 (RFC 4648), padded with '='; with `urlSafe`, in its
// URL and file name alphabet ('-' and '_' for '+' and '/') and unpadded, fit
// for a password in a connection string or an ini file.
std::string Base64(std::string_view bytes, bool urlSafe = false);
}
