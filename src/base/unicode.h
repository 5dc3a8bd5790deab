#pragma once

// Unicode rules applied to short texts from the environment, the device file
// and the command pipe, and to article text when it is wrapped: the
// White_Space property and full (multi-character) case mapping. Texts are
// UTF-8; invalid sequences are treated as U+FFFD.

#include <string>
#include <string_view>

namespace papyr {

bool is_unicode_whitespace(char32_t code_point);

// Characters that Rust's Debug formatting writes as \u{...} escapes:
// combining marks that extend a grapheme, and unprintable characters
// (controls, format characters, separators other than the space,
// surrogates, private use and unassigned code points).
bool is_debug_escaped(char32_t code_point);

// The text without Unicode white space at either end.
std::string_view trim_unicode_whitespace(std::string_view text);

// Full lower-casing, including the final-sigma rule (a capital sigma at the
// end of a word becomes the final form) and İ to i + combining dot above.
std::string to_unicode_lower(std::string_view text);

// Full upper-casing: ß becomes SS, the ligature ﬁ becomes FI, and so on.
std::string to_unicode_upper(std::string_view text);

}  // namespace papyr
