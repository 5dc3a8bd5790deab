#include "news_api/json_debug.h"

#include <algorithm>
#include <iterator>

#include "news_api/utf8.h"

namespace papyr::json {
namespace {

struct CodeRange {
    char32_t first;
    char32_t last;
};

#include "json_debug_tables.inc"

template <std::size_t N>
bool in_ranges(const CodeRange (&ranges)[N], char32_t cp) {
    const auto* it =
        std::upper_bound(std::begin(ranges), std::end(ranges), cp,
                         [](char32_t value, const CodeRange& r) { return value < r.first; });
    return it != std::begin(ranges) && cp <= std::prev(it)->last;
}

void append_unicode_escape(std::string& out, char32_t cp) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\u{";
    bool started = false;
    for (int shift = 20; shift >= 0; shift -= 4) {
        const auto digit = (static_cast<std::uint32_t>(cp) >> shift) & 0xFU;
        if (digit != 0 || started || shift == 0) {
            out.push_back(kHex[digit]);
            started = true;
        }
    }
    out += '}';
}

}  // namespace

std::string quote_like_rust_debug(std::string_view text) {
    std::string out = "\"";
    for_each_code_point(text, [&](char32_t cp) {
        switch (cp) {
            case U'\0':
                out += "\\0";
                return;
            case U'\t':
                out += "\\t";
                return;
            case U'\r':
                out += "\\r";
                return;
            case U'\n':
                out += "\\n";
                return;
            case U'\\':
                out += "\\\\";
                return;
            case U'"':
                out += "\\\"";
                return;
            default:
                break;
        }
        if (in_ranges(kGraphemeExtend, cp) || in_ranges(kNotPrintable, cp)) {
            append_unicode_escape(out, cp);
        } else {
            append_utf8(out, cp);
        }
    });
    out += '"';
    return out;
}

}  // namespace papyr::json
