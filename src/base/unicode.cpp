#include "base/unicode.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "base/utf8.h"

namespace papyr {
namespace {

struct CaseMapping {
    char32_t from;
    char32_t to[3];  // unused places are 0
};

struct CodeRange {
    char32_t first;
    char32_t last;
};

#include "unicode_tables.inc"

template <std::size_t N>
bool in_ranges(const CodeRange (&ranges)[N], char32_t cp) {
    const auto* it =
        std::upper_bound(std::begin(ranges), std::end(ranges), cp,
                         [](char32_t value, const CodeRange& r) { return value < r.first; });
    return it != std::begin(ranges) && cp <= std::prev(it)->last;
}

template <std::size_t N>
const CaseMapping* find_mapping(const CaseMapping (&table)[N], char32_t cp) {
    const auto* it =
        std::lower_bound(std::begin(table), std::end(table), cp,
                         [](const CaseMapping& m, char32_t value) { return m.from < value; });
    return (it != std::end(table) && it->from == cp) ? it : nullptr;
}

template <std::size_t N>
void append_mapped(std::string& out, const CaseMapping (&table)[N], char32_t cp) {
    const CaseMapping* mapping = find_mapping(table, cp);
    if (mapping == nullptr) {
        append_utf8(out, cp);
        return;
    }
    for (char32_t c : mapping->to) {
        if (c != 0)
            append_utf8(out, c);
    }
}

std::u32string decode(std::string_view text) {
    std::u32string out;
    for_each_code_point(text, [&](char32_t cp) { out.push_back(cp); });
    return out;
}

// True when, skipping case-ignorable characters, the next character in the
// range is cased.
template <class It>
bool case_ignorable_then_cased(It first, It last) {
    for (; first != last; ++first) {
        if (!in_ranges(kCaseIgnorable, *first))
            return in_ranges(kCased, *first);
    }
    return false;
}

constexpr char32_t kCapitalSigma = U'\u03A3';

}  // namespace

bool is_unicode_whitespace(char32_t code_point) {
    return in_ranges(kWhiteSpace, code_point);
}

bool is_debug_escaped(char32_t code_point) {
    return in_ranges(kGraphemeExtend, code_point) || in_ranges(kNotPrintable, code_point);
}

std::string_view trim_unicode_whitespace(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const Utf8Step step = decode_utf8_step(text, begin);
        if (!is_unicode_whitespace(step.code_point))
            break;
        begin += step.length;
    }
    std::size_t end = begin;
    std::size_t pos = begin;
    while (pos < text.size()) {
        const Utf8Step step = decode_utf8_step(text, pos);
        pos += step.length;
        if (!is_unicode_whitespace(step.code_point))
            end = pos;
    }
    return text.substr(begin, end - begin);
}

std::string to_unicode_lower(std::string_view text) {
    const std::u32string chars = decode(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (chars[i] == kCapitalSigma) {
            const bool word_final =
                case_ignorable_then_cased(
                    chars.rbegin() + static_cast<std::ptrdiff_t>(chars.size() - i), chars.rend()) &&
                !case_ignorable_then_cased(chars.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                           chars.end());
            append_utf8(out, word_final ? U'\u03C2' : U'\u03C3');
            continue;
        }
        append_mapped(out, kLowerMappings, chars[i]);
    }
    return out;
}

std::string to_unicode_upper(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for_each_code_point(text, [&](char32_t cp) { append_mapped(out, kUpperMappings, cp); });
    return out;
}

}  // namespace papyr
