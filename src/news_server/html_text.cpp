#include "news_server/html_text.h"

#include <algorithm>
#include <array>
#include <optional>

#include "base/unicode.h"
#include "base/utf8.h"
#include "news_server/html_entities.h"
#include "news_server/image_choice.h"

namespace papyr::news_server {
namespace {

bool is_alpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_alnum(char c) {
    return is_alpha(c) || (c >= '0' && c <= '9');
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

template <std::size_t N>
bool is_one_of(std::string_view name, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Elements whose content is not text a reader sees; it is skipped up to the
// element's end tag.
bool is_hidden(std::string_view tag) {
    static constexpr std::array<std::string_view, 10> kHidden = {
        "script", "style",  "noscript", "template", "head",
        "iframe", "object", "svg",      "math",     "textarea"};
    return is_one_of(tag, kHidden);
}

// Elements that separate words: "<p>a</p><p>b</p>" reads "a b", not "ab".
bool separates_words(std::string_view tag) {
    static constexpr std::array<std::string_view, 30> kSeparating = {
        "p",       "br",     "div",    "li", "ul",  "ol",     "dl",         "dt",
        "dd",      "h1",     "h2",     "h3", "h4",  "h5",     "h6",         "blockquote",
        "pre",     "table",  "tr",     "td", "th",  "figure", "figcaption", "section",
        "article", "header", "footer", "hr", "img", "aside"};
    return is_one_of(tag, kSeparating);
}

// Windows-1252 meanings of the references &#128; to &#159;, as browsers read
// them (HTML5): "&#146;" is a right single quotation mark.
char32_t windows_1252(char32_t code) {
    static constexpr std::array<char32_t, 32> kC1 = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    return code >= 0x80 && code <= 0x9F ? kC1[code - 0x80] : code;
}

// "&#233;", "&#xE9;", with or without the closing ";". Answers the position
// after the reference, or nothing when there is no number.
std::optional<std::size_t> numeric_reference(std::string_view html, std::size_t pos,
                                             std::string& out) {
    std::size_t at = pos + 2;  // past "&#"
    const bool hex = at < html.size() && (html[at] == 'x' || html[at] == 'X');
    if (hex)
        ++at;
    const std::size_t digits_start = at;
    std::uint32_t value = 0;
    for (; at < html.size(); ++at) {
        const char c = html[at];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && lower(c) >= 'a' && lower(c) <= 'f')
            digit = lower(c) - 'a' + 10;
        if (digit < 0)
            break;
        value = std::min<std::uint32_t>(value * (hex ? 16U : 10U) + static_cast<unsigned>(digit),
                                        0x110000U);
    }
    if (at == digits_start)
        return std::nullopt;
    if (at < html.size() && html[at] == ';')
        ++at;
    char32_t code = windows_1252(value);
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = kReplacementCharacter;
    append_utf8(out, code);
    return at;
}

// "&atilde;". Without its ";" a name counts only for the handful that pages
// commonly write that way ("AT&T" and "?a=1&b=2" stay as they are).
std::optional<std::size_t> named_reference(std::string_view html, std::size_t pos,
                                           std::string& out) {
    constexpr std::size_t kLongestName = 32;
    std::size_t end = pos + 1;
    while (end < html.size() && end - pos <= kLongestName && is_alnum(html[end]))
        ++end;
    const std::string_view name = html.substr(pos + 1, end - pos - 1);
    const auto code = named_character(name);
    if (!code)
        return std::nullopt;
    if (end < html.size() && html[end] == ';') {
        append_utf8(out, *code);
        return end + 1;
    }
    static constexpr std::array<std::string_view, 7> kWithoutSemicolon = {
        "amp", "lt", "gt", "quot", "nbsp", "copy", "reg"};
    if (!is_one_of(name, kWithoutSemicolon) || (end < html.size() && html[end] == '='))
        return std::nullopt;
    append_utf8(out, *code);
    return end;
}

// Appends what the reference at `pos` ('&') stands for, or the "&" itself.
std::size_t character_reference(std::string_view html, std::size_t pos, std::string& out) {
    const bool numeric = pos + 1 < html.size() && html[pos + 1] == '#';
    if (const auto end =
            numeric ? numeric_reference(html, pos, out) : named_reference(html, pos, out))
        return *end;
    out += '&';
    return pos + 1;
}

std::string decoded(std::string_view text) {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        if (text[pos] == '&') {
            pos = character_reference(text, pos, out);
        } else {
            out += text[pos];
            ++pos;
        }
    }
    return out;
}

struct Tag {
    std::string name;  // lowercase
    bool closing = false;
    bool self_closing = false;
    std::vector<std::pair<std::string, std::string>> attributes;  // lowercase name, decoded value
    std::size_t end = 0;  // just past the ">"; the end of the markup when it has none

    const std::string* attribute(std::string_view wanted) const {
        for (const auto& [key, value] : attributes) {
            if (key == wanted)
                return &value;
        }
        return nullptr;
    }
};

std::string read_name(std::string_view html, std::size_t& pos) {
    std::string name;
    while (pos < html.size() && !is_space(html[pos]) && html[pos] != '>' && html[pos] != '/' &&
           html[pos] != '=') {
        name += lower(html[pos]);
        ++pos;
    }
    return name;
}

std::string read_value(std::string_view html, std::size_t& pos) {
    if (pos < html.size() && (html[pos] == '"' || html[pos] == '\'')) {
        const char quote = html[pos];
        const std::size_t close = std::min(html.find(quote, pos + 1), html.size());
        const std::string value = decoded(html.substr(pos + 1, close - pos - 1));
        pos = std::min(close + 1, html.size());
        return value;
    }
    const std::size_t start = pos;
    while (pos < html.size() && !is_space(html[pos]) && html[pos] != '>')
        ++pos;
    return decoded(html.substr(start, pos - start));
}

// The tag that starts at `pos` ("<name" or "</name").
Tag read_tag(std::string_view html, std::size_t pos) {
    Tag tag;
    tag.closing = html[pos + 1] == '/';
    pos += tag.closing ? 2 : 1;
    tag.name = read_name(html, pos);
    while (pos < html.size()) {
        const char c = html[pos];
        if (c == '>') {
            tag.end = pos + 1;
            return tag;
        }
        if (c == '/' || is_space(c)) {
            tag.self_closing = c == '/';
            ++pos;
            continue;
        }
        tag.self_closing = false;
        std::string key = read_name(html, pos);
        if (key.empty()) {  // a stray "=": skip it
            ++pos;
            continue;
        }
        while (pos < html.size() && is_space(html[pos]))
            ++pos;
        std::string value;
        if (pos < html.size() && html[pos] == '=') {
            ++pos;
            while (pos < html.size() && is_space(html[pos]))
                ++pos;
            value = read_value(html, pos);
        }
        tag.attributes.emplace_back(std::move(key), std::move(value));
    }
    tag.end = html.size();
    return tag;
}

// Just past the end tag "</name…>" at or after `from`; the end of the markup
// when there is none.
std::size_t past_end_tag(std::string_view html, std::size_t from, std::string_view name) {
    for (std::size_t at = html.find("</", from); at != std::string_view::npos;
         at = html.find("</", at + 2)) {
        std::size_t pos = at + 2;
        if (read_name(html, pos) == name)
            return read_tag(html, at).end;
    }
    return html.size();
}

// Lazy-loading pages keep the real address in data-src and a placeholder
// (often a data: URI) in src.
std::optional<HtmlImage> image_of(const Tag& tag) {
    for (const char* name : {"src", "data-src", "data-original"}) {
        const std::string* value = tag.attribute(name);
        if (value == nullptr)
            continue;
        std::string src = clean_text(*value);
        if (!src.empty() && src.rfind("data:", 0) != 0) {
            const std::string* width = tag.attribute("width");
            return HtmlImage{std::move(src), width == nullptr ? 0 : pixel_count(*width)};
        }
    }
    return std::nullopt;
}

struct Reading {
    std::string raw;
    std::vector<HtmlImage> images;
    std::optional<std::size_t> open_link;                          // where its text starts in raw
    std::optional<std::pair<std::size_t, std::size_t>> last_link;  // byte range in raw
};

// Takes one tag into the reading; answers where reading goes on.
std::size_t take_tag(std::string_view html, std::size_t pos, Reading& reading) {
    const Tag tag = read_tag(html, pos);
    if (!tag.closing && !tag.self_closing && is_hidden(tag.name))
        return past_end_tag(html, tag.end, tag.name);
    if (separates_words(tag.name))
        reading.raw += ' ';
    if (tag.name == "img" && !tag.closing) {
        if (auto image = image_of(tag))
            reading.images.push_back(std::move(*image));
    } else if (tag.name == "a") {
        if (!tag.closing && !tag.self_closing) {
            reading.open_link = reading.raw.size();
        } else if (tag.closing && reading.open_link) {
            reading.last_link = std::make_pair(*reading.open_link, reading.raw.size());
            reading.open_link.reset();
        }
    }
    return tag.end;
}

// Past a comment, a declaration ("<!DOCTYPE", "<![CDATA[") or a processing
// instruction.
std::size_t past_markup_declaration(std::string_view html, std::size_t pos) {
    const std::size_t end =
        html.substr(pos, 4) == "<!--" ? html.find("-->", pos + 4) : html.find('>', pos + 2);
    if (end == std::string_view::npos)
        return html.size();
    return end + (html[end] == '-' ? 3 : 1);
}

Reading read_markup(std::string_view html) {
    Reading reading;
    std::size_t pos = 0;
    while (pos < html.size()) {
        const char c = html[pos];
        if (c == '&') {
            pos = character_reference(html, pos, reading.raw);
            continue;
        }
        if (c != '<') {
            const std::size_t next = std::min(html.find_first_of("<&", pos), html.size());
            reading.raw.append(html.substr(pos, next - pos));
            pos = next;
            continue;
        }
        const char next = pos + 1 < html.size() ? html[pos + 1] : '\0';
        if (next == '!' || next == '?') {
            pos = past_markup_declaration(html, pos);
        } else if (is_alpha(next) ||
                   (next == '/' && pos + 2 < html.size() && is_alpha(html[pos + 2]))) {
            pos = take_tag(html, pos, reading);
        } else {
            reading.raw += '<';  // "2 < 3" is text
            ++pos;
        }
    }
    return reading;
}

// Cut at a character boundary, so that no half character is read.
std::string_view bounded(std::string_view html) {
    if (html.size() <= kMaxHtmlBytes)
        return html;
    std::size_t end = kMaxHtmlBytes;
    while (end > 0 && (static_cast<unsigned char>(html[end]) & 0xC0) == 0x80)
        --end;
    return html.substr(0, end);
}

HtmlText read_once(std::string_view html) {
    Reading reading = read_markup(bounded(html));
    HtmlText result{clean_text(reading.raw), {}, std::move(reading.images)};
    const std::string_view raw = reading.raw;
    if (reading.last_link && clean_text(raw.substr(reading.last_link->second)).empty()) {
        const auto [start, end] = *reading.last_link;
        result.trailing_link = clean_text(raw.substr(start, end - start));
    }
    return result;
}

// Some feeds escape their HTML twice: what the first reading leaves is still
// markup ("<p>…</p>" as text). Only the common tags count as a sign of that,
// so a headline that merely mentions "<" stays as it is.
bool still_markup(std::string_view text) {
    static constexpr std::array<std::string_view, 7> kSigns = {"<p>",     "</p>", "<br", "<img ",
                                                               "<a href", "</a>", "<div"};
    return std::any_of(kSigns.begin(), kSigns.end(), [&](std::string_view sign) {
        return text.find(sign) != std::string_view::npos;
    });
}

}  // namespace

HtmlText html_to_text(std::string_view html) {
    HtmlText once = read_once(html);
    if (!still_markup(once.text))
        return once;
    HtmlText twice = read_once(once.text);
    twice.images.insert(twice.images.begin(), once.images.begin(), once.images.end());
    return twice;
}

std::string clean_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pending_space = false;
    for_each_code_point(text, [&](char32_t c) {
        if (c == U'\u200B' || c == U'\uFEFF' || c == U'\u00AD')
            return;
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || is_unicode_whitespace(c)) {
            pending_space = !out.empty();
            return;
        }
        if (pending_space)
            out += ' ';
        pending_space = false;
        append_utf8(out, c);
    });
    return out;
}

}  // namespace papyr::news_server
