#include "html/text.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/unicode.h"
#include "base/utf8.h"

namespace papyr::html {
namespace {

struct Composition {
    char32_t first;
    char32_t second;
    char32_t composed;
};

#include "composition_table.inc"

bool compose_pair(char32_t first, char32_t second, char32_t& composed) {
    std::size_t low = 0;
    std::size_t high = kCompositions.size();
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        const auto& entry = kCompositions[mid];
        if (entry.first < first || (entry.first == first && entry.second < second))
            low = mid + 1;
        else
            high = mid;
    }
    if (low == kCompositions.size() || kCompositions[low].first != first ||
        kCompositions[low].second != second)
        return false;
    composed = kCompositions[low].composed;
    return true;
}

// The pair a precomposed character is made of ("ệ" is "ẹ" and U+0302), for
// marks that arrive in another order than Unicode composes them in.
bool decompose_pair(char32_t composed, char32_t& first, char32_t& second) {
    static const std::vector<Composition> by_composed = [] {
        std::vector<Composition> sorted(kCompositions.begin(), kCompositions.end());
        std::sort(sorted.begin(), sorted.end(), [](const Composition& a, const Composition& b) {
            return a.composed < b.composed;
        });
        return sorted;
    }();
    const auto it = std::lower_bound(
        by_composed.begin(), by_composed.end(), composed,
        [](const Composition& entry, char32_t value) { return entry.composed < value; });
    if (it == by_composed.end() || it->composed != composed)
        return false;
    first = it->first;
    second = it->second;
    return true;
}

// `last` followed by `mark`: composed directly, or, when Unicode composes
// the marks the other way round (windows-1258 writes "ệ" as "ê" and a dot
// below), by putting `mark` first: "ê" + U+0323 is "e" + U+0323 + U+0302.
bool compose_with(char32_t last, char32_t mark, char32_t& composed) {
    if (compose_pair(last, mark, composed))
        return true;
    char32_t base = 0;
    char32_t earlier_mark = 0;
    char32_t inner = 0;
    return decompose_pair(last, base, earlier_mark) && compose_pair(base, mark, inner) &&
           compose_pair(inner, earlier_mark, composed);
}

bool is_space(char32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0xA0 ||
           c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

// Characters with no width that pages sprinkle into text: zero-width
// space and no-break space, byte-order mark, soft hyphen, word joiner,
// direction marks, and every control character.
bool is_invisible(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xAD || c == 0x200B || c == 0x200E ||
           c == 0x200F || c == 0x2060 || c == 0xFEFF || (c >= 0x202A && c <= 0x202E);
}

bool is_combining(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF);
}

bool has_combining_bytes(std::string_view text) {
    // U+0300..U+036F are CC 80..CD AF; the rarer blocks start with E1 or E2.
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0xCC || byte == 0xCD || byte == 0xE1 || byte == 0xE2)
            return true;
    }
    return false;
}

bool is_word_character(char32_t c) {
    if (c < 0x80)
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    // Latin-1 punctuation and symbols, general punctuation, currency and
    // arrows and the like make no word; letters of every script do.
    if (c <= 0xBF)
        return c == 0xAA || c == 0xB5 || c == 0xBA;
    if (c == 0xD7 || c == 0xF7)
        return false;
    return !(c >= 0x2000 && c <= 0x2BFF) && !(c >= 0x3000 && c <= 0x303F) &&
           !(c >= 0xFE30 && c <= 0xFE4F) && !(c >= 0x1F000 && c <= 0x1FAFF) && !is_combining(c);
}

}  // namespace

std::string compose_marks(std::string text) {
    if (!has_combining_bytes(text))
        return text;
    std::string out;
    out.reserve(text.size());
    char32_t last = 0;
    std::size_t last_at = std::string::npos;  // where `last` starts in out
    for_each_code_point(text, [&](char32_t c) {
        char32_t composed = 0;
        if (is_combining(c) && last_at != std::string::npos && compose_with(last, c, composed)) {
            out.resize(last_at);
            append_utf8(out, composed);
            last = composed;
            return;
        }
        last_at = out.size();
        last = c;
        append_utf8(out, c);
    });
    return out;
}

std::string normalise_text(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    bool pending_space = false;
    bool pending_break = false;
    const auto flush_gap = [&] {
        if (!out.empty() && (pending_space || pending_break))
            out += pending_break ? '\n' : ' ';
        pending_space = pending_break = false;
    };
    for_each_code_point(raw, [&](char32_t c) {
        if (c == static_cast<char32_t>(kLineBreakMark)) {
            pending_break = true;
            return;
        }
        if (is_space(c)) {
            pending_space = true;
            return;
        }
        if (is_invisible(c))
            return;
        flush_gap();
        append_utf8(out, c);
    });
    return compose_marks(std::move(out));
}

std::uint64_t count_words(std::string_view text) {
    std::uint64_t words = 0;
    bool in_word = false;
    bool counted = false;
    for_each_code_point(text, [&](char32_t c) {
        if (is_space(c) || is_unicode_whitespace(c)) {
            in_word = false;
            return;
        }
        if (!in_word) {
            in_word = true;
            counted = false;
        }
        if (!counted && is_word_character(c)) {
            ++words;
            counted = true;
        }
    });
    return words;
}

std::uint64_t reading_minutes(std::uint64_t words) {
    if (words == 0)
        return 0;
    const std::uint64_t minutes = (words + 100) / 200;
    return minutes == 0 ? 1 : minutes;
}

// Lower case without the general machinery for the letters news text is
// made of (ASCII, Latin-1, Latin Extended-A, Vietnamese); the rest goes
// through the full Unicode mapping.
char32_t lower_letter(char32_t c) {
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    if ((c >= 0x0100 && c <= 0x012F) || (c >= 0x0132 && c <= 0x0137) ||
        (c >= 0x014A && c <= 0x0177) || (c >= 0x1EA0 && c <= 0x1EF9))
        return (c & 1U) == 0 ? c + 1 : c;
    if (c == 0x01A0 || c == 0x01AF)
        return c + 1;
    if ((c >= 0xDF && c <= 0xFF) || (c >= 0x0101 && c <= 0x017F) || c == 0x01A1 || c == 0x01B0)
        return c;
    std::string one;
    append_utf8(one, c);
    const std::string lowered = to_unicode_lower(one);
    char32_t first = c;
    bool taken = false;
    for_each_code_point(lowered, [&](char32_t l) {
        if (!taken)
            first = l;
        taken = true;
    });
    return first;
}

std::string comparable_text(std::string_view text) {
    std::string out;
    bool gap = false;
    out.reserve(text.size());
    for_each_code_point(text, [&](char32_t original) {
        const char32_t c = lower_letter(original);
        if (!is_word_character(c) && !is_combining(c)) {
            gap = true;
            return;
        }
        if (gap && !out.empty())
            out += ' ';
        gap = false;
        append_utf8(out, c);
    });
    return out;
}

bool starts_like(std::string_view text, std::string_view prefix) {
    const std::string wanted = comparable_text(prefix);
    if (wanted.empty())
        return false;
    const std::string have = comparable_text(text.substr(0, prefix.size() * 2 + 16));
    return have.compare(0, wanted.size(), wanted) == 0 &&
           (have.size() == wanted.size() || have[wanted.size()] == ' ');
}

std::string concat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const auto part : parts)
        out += part;
    return out;
}

std::size_t text_length(std::string_view text) {
    std::size_t length = 0;
    for (const char c : text)
        length += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return length;
}

}  // namespace papyr::html
