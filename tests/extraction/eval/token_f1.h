#pragma once

// The token-level F1 of the public extraction benchmarks: both texts are
// lower-cased and cut into words, and the words they share are counted as
// multisets. Scripts written without spaces (Chinese, Japanese, Thai...)
// give one token per character, so that a page in them is not one giant
// word that either matches whole or not at all.

#include <string>
#include <string_view>
#include <vector>

namespace papyr::extraction::eval {

// Lower-case tokens: maximal runs of letters, digits and combining marks,
// and each character of a script without spaces on its own.
[[nodiscard]] std::vector<std::string> text_tokens(std::string_view text);

struct TokenScore {
    double precision = 0;  // shared tokens / returned tokens
    double recall = 0;     // shared tokens / expected tokens
    double f1 = 0;         // their harmonic mean; 0 when nothing is shared
};

[[nodiscard]] TokenScore score_tokens(std::string_view returned, std::string_view expected);

}  // namespace papyr::extraction::eval
