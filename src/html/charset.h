#pragma once

// The character set of a fetched page and its conversion to UTF-8. The set is
// taken, in this order of trust, from a byte-order mark, the charset the
// server declared with the page, the page's own <meta charset> or
// http-equiv Content-Type, and otherwise UTF-8 (or windows-1252 for bytes
// that are plainly not UTF-8, as browsers do). Conversion never fails: bytes
// that mean nothing in the set become U+FFFD.

#include <optional>
#include <string>
#include <string_view>

namespace papyr::html {

enum class Charset {
    Utf8,
    Utf16Le,
    Utf16Be,
    Windows1252,  // also what pages labelled ISO-8859-1 or ASCII really use
    Iso8859_15,
    Windows1258,  // Vietnamese: base letters with combining tone marks
    Windows1250,
    Windows1251,
    Iso8859_2,
    Koi8R,
};

// A charset label as pages and servers write it ("UTF-8", "latin1",
// "windows-1258"), without case or surrounding space; nullopt for a label
// this reader does not know.
[[nodiscard]] std::optional<Charset> charset_from_label(std::string_view label);

// The set a byte-order mark at the start names (UTF-8, UTF-16 of either
// order); nullopt without one.
[[nodiscard]] std::optional<Charset> charset_from_bom(std::string_view bytes);

// `declared` is the charset parameter of the server's Content-Type, if any.
[[nodiscard]] Charset detect_charset(std::string_view bytes, std::string_view declared);

// The text in UTF-8, without the byte-order mark; valid UTF-8 whatever the
// input. Single-byte sets also get their combining marks composed with the
// letter before them (windows-1258 writes "ế" as "ê" and a combining acute).
[[nodiscard]] std::string decode_to_utf8(std::string_view bytes, Charset charset);

}  // namespace papyr::html
