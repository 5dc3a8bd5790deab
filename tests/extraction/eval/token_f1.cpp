#include "token_f1.h"

#include <algorithm>
#include <unordered_map>

#include "base/unicode.h"
#include "base/utf8.h"
#include "extraction/html.h"

namespace papyr::extraction::eval {
namespace {

bool in(char32_t c, char32_t first, char32_t last) {
    return c >= first && c <= last;
}

// Han, kana, Thai, Lao, Tibetan, Myanmar and Khmer: no spaces between words.
bool is_unspaced_script(char32_t c) {
    return in(c, 0x0E00, 0x0FFF) || in(c, 0x1000, 0x109F) || in(c, 0x1780, 0x17FF) ||
           in(c, 0x3040, 0x30FF) || in(c, 0x31F0, 0x31FF) || in(c, 0x3400, 0x4DBF) ||
           in(c, 0x4E00, 0x9FFF) || in(c, 0xF900, 0xFAFF) || in(c, 0xFF66, 0xFF9F) ||
           in(c, 0x20000, 0x3FFFF);
}

// White space, punctuation and symbols: what separates words. Letters and
// marks of every script are not listed, so they join words.
bool is_separator(char32_t c) {
    if (c < 0x80)
        return !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    if (c <= 0xBF)
        return c != 0xAA && c != 0xB5 && c != 0xBA;
    return c == 0xD7 || c == 0xF7 || c == 0x037E || c == 0x0387 || c == 0x05BE || c == 0x05C0 ||
           c == 0x05C3 || in(c, 0x05F3, 0x05F4) || c == 0x060C || c == 0x061B || c == 0x061F ||
           in(c, 0x066A, 0x066D) || c == 0x06D4 || in(c, 0x0964, 0x0965) || c == 0x0E2F ||
           in(c, 0x0E5A, 0x0E5B) || c == 0x1680 || in(c, 0x2000, 0x2BFF) || in(c, 0x3000, 0x303F) ||
           in(c, 0xFE30, 0xFE4F) || in(c, 0xFF00, 0xFF0F) || in(c, 0xFF1A, 0xFF20) ||
           in(c, 0xFF3B, 0xFF40) || in(c, 0xFF5B, 0xFF65) || in(c, 0x1F000, 0x1FAFF) ||
           c == kReplacementCharacter;
}

// Characters without width that some truths keep and some pages drop (a
// soft hyphen in "Geschlechts\u00ADeintrag"): they neither make nor split
// words.
bool is_ignorable(char32_t c) {
    return c == 0xAD || in(c, 0x200B, 0x200D) || c == 0x2060 || c == 0xFEFF;
}

using Counts = std::unordered_map<std::string, std::size_t>;

Counts count_tokens(std::string_view text, std::size_t& total) {
    Counts counts;
    const auto tokens = text_tokens(text);
    for (const auto& token : tokens)
        ++counts[token];
    total = tokens.size();
    return counts;
}

}  // namespace

std::vector<std::string> text_tokens(std::string_view text) {
    std::vector<std::string> tokens;
    std::string word;
    const auto end_word = [&] {
        if (!word.empty())
            tokens.push_back(std::move(word));
        word.clear();
    };
    // Composed first, so that "ü" as u and a combining diaeresis matches "ü".
    for_each_code_point(compose_marks(to_unicode_lower(text)), [&](char32_t c) {
        if (is_ignorable(c))
            return;
        if (is_separator(c) || is_unicode_whitespace(c)) {
            end_word();
        } else if (is_unspaced_script(c)) {
            end_word();
            append_utf8(word, c);
            end_word();
        } else {
            append_utf8(word, c);
        }
    });
    end_word();
    return tokens;
}

TokenScore score_tokens(std::string_view returned, std::string_view expected) {
    std::size_t returned_total = 0;
    std::size_t expected_total = 0;
    const Counts got = count_tokens(returned, returned_total);
    const Counts want = count_tokens(expected, expected_total);
    std::size_t shared = 0;
    for (const auto& [token, count] : got) {
        if (const auto it = want.find(token); it != want.end())
            shared += std::min(count, it->second);
    }
    if (shared == 0)
        return {};
    TokenScore score;
    score.precision = static_cast<double>(shared) / static_cast<double>(returned_total);
    score.recall = static_cast<double>(shared) / static_cast<double>(expected_total);
    score.f1 = 2 * score.precision * score.recall / (score.precision + score.recall);
    return score;
}

}  // namespace papyr::extraction::eval
