#pragma once

// Quoting a string for a type-error description: serde_json names a string
// found where something else was expected as `string "..."`, quoted by Rust's
// Debug rules, and the program shows that text to users.

#include <string>
#include <string_view>

namespace papyr::json {

// The text between double quotes, with \0 \t \r \n \\ \" escaped, and
// characters that are unprintable or that extend a grapheme (combining marks)
// written as \u{hex}. The input must be valid UTF-8.
std::string quote_like_rust_debug(std::string_view text);

}  // namespace papyr::json
