#include "news_api/json_debug.h"

#include "base/unicode.h"
#include "base/utf8.h"

namespace papyr::json {
namespace {

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
        if (is_debug_escaped(cp)) {
            append_unicode_escape(out, cp);
        } else {
            append_utf8(out, cp);
        }
    });
    out += '"';
    return out;
}

}  // namespace papyr::json
