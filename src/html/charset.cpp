#include "html/charset.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/utf8.h"
#include "html/text.h"

namespace papyr::html {
namespace {

#include "charset_tables.inc"

char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string normalise_label(std::string_view label) {
    std::string out;
    for (const char c : label) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '"' || c == '\'')
            continue;
        out += ascii_lower(c);
    }
    return out;
}

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// --- the page's own declaration ---------------------------------------------

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '/';
}

struct MetaAttributes {
    std::string charset;
    std::string http_equiv;
    std::string content;
};

// Reads the attributes of one tag from `pos` (just after "<meta") to its
// '>'; answers the position after the tag.
std::size_t read_meta(std::string_view text, std::size_t pos, MetaAttributes& meta) {
    while (pos < text.size() && text[pos] != '>') {
        while (pos < text.size() && is_space(text[pos]))
            ++pos;
        const std::size_t name_start = pos;
        while (pos < text.size() && !is_space(text[pos]) && text[pos] != '=' && text[pos] != '>')
            ++pos;
        std::string name = normalise_label(text.substr(name_start, pos - name_start));
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n'))
            ++pos;
        std::string value;
        if (pos < text.size() && text[pos] == '=') {
            ++pos;
            while (pos < text.size() &&
                   (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n'))
                ++pos;
            if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
                const char quote = text[pos++];
                const std::size_t end = text.find(quote, pos);
                const std::size_t stop = end == std::string_view::npos ? text.size() : end;
                value = std::string(text.substr(pos, stop - pos));
                pos = stop == text.size() ? stop : stop + 1;
            } else {
                const std::size_t value_start = pos;
                while (pos < text.size() && !is_space(text[pos]) && text[pos] != '>')
                    ++pos;
                value = std::string(text.substr(value_start, pos - value_start));
            }
        }
        if (name == "charset")
            meta.charset = value;
        else if (name == "http-equiv")
            meta.http_equiv = normalise_label(value);
        else if (name == "content")
            meta.content = value;
        else if (name.empty() && pos < text.size() && text[pos] != '>')
            ++pos;  // a stray character that starts no attribute
    }
    return pos;
}

// "text/html; charset=windows-1258" -> "windows-1258".
std::string_view charset_parameter(std::string_view content) {
    std::string lowered(content);
    for (char& c : lowered)
        c = ascii_lower(c);
    const std::size_t at = lowered.find("charset");
    if (at == std::string::npos)
        return {};
    std::size_t pos = at + 7;
    while (pos < content.size() && (content[pos] == ' ' || content[pos] == '='))
        ++pos;
    std::size_t end = pos;
    while (end < content.size() && content[end] != ';' && content[end] != ' ')
        ++end;
    return content.substr(pos, end - pos);
}

// The charset a page names in a <meta> within its first kilobytes. Comments
// are skipped, so a commented-out declaration does not count.
std::optional<Charset> declared_in_meta(std::string_view bytes) {
    constexpr std::size_t kScanBytes = 8192;
    const std::string_view text = bytes.substr(0, kScanBytes);
    std::size_t pos = 0;
    while ((pos = text.find('<', pos)) != std::string_view::npos) {
        if (text.substr(pos, 4) == "<!--") {
            const std::size_t end = text.find("-->", pos + 4);
            if (end == std::string_view::npos)
                return std::nullopt;
            pos = end + 3;
            continue;
        }
        const std::string tag = normalise_label(text.substr(pos + 1, 4));
        if (tag != "meta" || pos + 5 >= text.size() || !is_space(text[pos + 5])) {
            ++pos;
            continue;
        }
        MetaAttributes meta;
        pos = read_meta(text, pos + 5, meta);
        std::optional<Charset> found;
        if (!meta.charset.empty())
            found = charset_from_label(meta.charset);
        else if (meta.http_equiv == "content-type")
            found = charset_from_label(charset_parameter(meta.content));
        if (found) {
            // A page read byte by byte as ASCII cannot really be UTF-16.
            if (*found == Charset::Utf16Le || *found == Charset::Utf16Be)
                return Charset::Utf8;
            return found;
        }
    }
    return std::nullopt;
}

// Bytes that are mostly not UTF-8: more than one bad sequence in twenty
// non-ASCII ones (a stray bad byte in a UTF-8 page does not count).
bool plainly_not_utf8(std::string_view bytes) {
    std::size_t non_ascii = 0;
    std::size_t invalid = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const Utf8Step step = decode_utf8_step(bytes, pos);
        ++non_ascii;
        if (step.kind != Utf8Step::Kind::Valid)
            ++invalid;
        pos += step.length;
    }
    return invalid > 0 && invalid * 20 > non_ascii;
}

// Text with letters beyond ASCII, all of them in well-formed UTF-8. In a
// single-byte set that is next to impossible by chance (an accented letter
// would have to be followed by one to three symbols of the upper half every
// time), so such a page is UTF-8 whatever its <meta> says: pages saved or
// re-served after conversion keep their old declaration.
bool utf8_throughout(std::string_view bytes) {
    const bool beyond_ascii = std::any_of(
        bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return beyond_ascii && is_valid_utf8(bytes);
}

// --- conversion -------------------------------------------------------------

const std::array<char32_t, 128>* upper_half(Charset charset) {
    switch (charset) {
        case Charset::Windows1252:
            return &kWindows1252Upper;
        case Charset::Iso8859_15:
            return &kIso8859_15Upper;
        case Charset::Windows1258:
            return &kWindows1258Upper;
        case Charset::Windows1250:
            return &kWindows1250Upper;
        case Charset::Windows1251:
            return &kWindows1251Upper;
        case Charset::Iso8859_2:
            return &kIso8859_2Upper;
        case Charset::Koi8R:
            return &kKoi8RUpper;
        case Charset::Utf8:
        case Charset::Utf16Le:
        case Charset::Utf16Be:
            break;
    }
    return nullptr;
}

std::string decode_single_byte(std::string_view bytes, const std::array<char32_t, 128>& upper) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else
            append_utf8(out, upper[byte - 0x80]);
    }
    return out;
}

std::string decode_utf16(std::string_view bytes, bool big_endian) {
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(big_endian ? (a << 8 | b) : (b << 8 | a));
    };
    std::size_t i = 0;
    while (i + 1 < bytes.size()) {
        const char32_t first = unit(i);
        i += 2;
        if (first >= 0xD800 && first <= 0xDBFF && i + 1 < bytes.size()) {
            const char32_t second = unit(i);
            if (second >= 0xDC00 && second <= 0xDFFF) {
                i += 2;
                append_utf8(out, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
                continue;
            }
        }
        append_utf8(out, first >= 0xD800 && first <= 0xDFFF ? kReplacementCharacter : first);
    }
    if (i < bytes.size())
        append_utf8(out, kReplacementCharacter);  // half a code unit at the end
    return out;
}

}  // namespace

std::optional<Charset> charset_from_label(std::string_view label) {
    struct Entry {
        std::string_view label;
        Charset charset;
    };
    static constexpr std::array<Entry, 37> kLabels = {{
        {"utf-8", Charset::Utf8},
        {"utf8", Charset::Utf8},
        {"unicode-1-1-utf-8", Charset::Utf8},
        {"utf-16", Charset::Utf16Le},
        {"utf-16le", Charset::Utf16Le},
        {"utf-16be", Charset::Utf16Be},
        {"windows-1252", Charset::Windows1252},
        {"cp1252", Charset::Windows1252},
        {"x-cp1252", Charset::Windows1252},
        {"iso-8859-1", Charset::Windows1252},
        {"iso8859-1", Charset::Windows1252},
        {"iso_8859-1", Charset::Windows1252},
        {"latin1", Charset::Windows1252},
        {"l1", Charset::Windows1252},
        {"ascii", Charset::Windows1252},
        {"us-ascii", Charset::Windows1252},
        {"iso-8859-15", Charset::Iso8859_15},
        {"iso8859-15", Charset::Iso8859_15},
        {"iso_8859-15", Charset::Iso8859_15},
        {"latin9", Charset::Iso8859_15},
        {"latin-9", Charset::Iso8859_15},
        {"l9", Charset::Iso8859_15},
        {"windows-1258", Charset::Windows1258},
        {"cp1258", Charset::Windows1258},
        {"x-cp1258", Charset::Windows1258},
        {"windows-1250", Charset::Windows1250},
        {"cp1250", Charset::Windows1250},
        {"x-cp1250", Charset::Windows1250},
        {"windows-1251", Charset::Windows1251},
        {"cp1251", Charset::Windows1251},
        {"x-cp1251", Charset::Windows1251},
        {"iso-8859-2", Charset::Iso8859_2},
        {"iso8859-2", Charset::Iso8859_2},
        {"iso_8859-2", Charset::Iso8859_2},
        {"latin2", Charset::Iso8859_2},
        {"koi8-r", Charset::Koi8R},
        {"koi8r", Charset::Koi8R},
    }};
    const std::string wanted = normalise_label(label);
    for (const auto& entry : kLabels) {
        if (entry.label == wanted)
            return entry.charset;
    }
    return std::nullopt;
}

std::optional<Charset> charset_from_bom(std::string_view bytes) {
    if (starts_with(bytes, "\xEF\xBB\xBF"))
        return Charset::Utf8;
    if (starts_with(bytes, "\xFF\xFE"))
        return Charset::Utf16Le;
    if (starts_with(bytes, "\xFE\xFF"))
        return Charset::Utf16Be;
    return std::nullopt;
}

Charset detect_charset(std::string_view bytes, std::string_view declared) {
    if (const auto from_bom = charset_from_bom(bytes))
        return *from_bom;
    if (const auto from_server = charset_from_label(declared))
        return *from_server;
    if (const auto from_page = declared_in_meta(bytes)) {
        const bool single_byte = *from_page != Charset::Utf8 && *from_page != Charset::Utf16Le &&
                                 *from_page != Charset::Utf16Be;
        return single_byte && utf8_throughout(bytes) ? Charset::Utf8 : *from_page;
    }
    return plainly_not_utf8(bytes) ? Charset::Windows1252 : Charset::Utf8;
}

std::string decode_to_utf8(std::string_view bytes, Charset charset) {
    switch (charset) {
        case Charset::Utf8:
            if (starts_with(bytes, "\xEF\xBB\xBF"))
                bytes.remove_prefix(3);
            return is_valid_utf8(bytes) ? std::string(bytes) : to_utf8_lossy(bytes);
        case Charset::Utf16Le:
        case Charset::Utf16Be: {
            const bool big_endian = charset == Charset::Utf16Be;
            if (starts_with(bytes, big_endian ? "\xFE\xFF" : "\xFF\xFE"))
                bytes.remove_prefix(2);
            return decode_utf16(bytes, big_endian);
        }
        default:
            break;
    }
    return compose_marks(decode_single_byte(bytes, *upper_half(charset)));
}

}  // namespace papyr::html
