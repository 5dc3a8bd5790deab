#pragma once

// Text as the reader shows it: white space collapsed the way a browser renders
// it, line breaks from <br> kept, invisible characters dropped, and Vietnamese
// letters in their precomposed form whatever the page used.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace papyr::html {

// Written into raw text where a <br> stood; normalise_text turns it into a
// line feed (source line feeds are only white space).
inline constexpr char kLineBreakMark = '\x1E';

// Collapses every run of white space (HTML's, the no-break space and the
// other Unicode spaces) to one space, or to one line feed when the run holds
// a kLineBreakMark; trims both ends; drops control characters, zero-width
// spaces, byte-order marks and soft hyphens; composes combining marks.
[[nodiscard]] std::string normalise_text(std::string_view raw);

// Joins each base letter with the combining marks after it into the
// precomposed character where Unicode has one ("e" + U+0302 + U+0301 -> "ế").
[[nodiscard]] std::string compose_marks(std::string text);

// Words: runs of characters between white space that hold at least one
// letter or digit (a lone dash or bullet is no word).
[[nodiscard]] std::uint64_t count_words(std::string_view text);

// About 200 words a minute, rounded, and at least one minute for any text.
[[nodiscard]] std::uint64_t reading_minutes(std::uint64_t words);

// A form for comparing texts: lower case, letters and digits only, single
// spaces between words. "Xem thêm: Bão số 3!" and "xem thêm bão số 3" match.
[[nodiscard]] std::string comparable_text(std::string_view text);

// Whether `text` starts with `prefix` ignoring case, punctuation and spacing.
[[nodiscard]] bool starts_like(std::string_view text, std::string_view prefix);

// The parts one after the other. (Built by appending: GCC 12 warns falsely
// about `"literal" + std::string` at -O3.)
[[nodiscard]] std::string concat(std::initializer_list<std::string_view> parts);

// The number of code points (not bytes), for lengths that must not favour
// Vietnamese text over English.
[[nodiscard]] std::size_t text_length(std::string_view text);

}  // namespace papyr::html
