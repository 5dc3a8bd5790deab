#include "html/unread_content.h"

#include <strings.h>

#include <algorithm>
#include <string_view>

namespace papyr::html {
namespace {

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_name_char(char c) {
    return is_letter(c) || (c >= '0' && c <= '9') || c == '-' || c == ':';
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The position just after the '>' that ends the tag starting at `from`
// (past its name), quoted attribute values skipped; the end of the text
// when it never ends.
std::size_t tag_end(std::string_view html, std::size_t from) {
    char quote = 0;
    for (std::size_t i = from; i < html.size(); ++i) {
        const char c = html[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            // Quotes open a value only after '=' (with white space around);
            // a stray quote elsewhere in a tag means nothing.
            std::size_t before = i;
            while (before > from && (html[before - 1] == ' ' || html[before - 1] == '\t' ||
                                     html[before - 1] == '\n' || html[before - 1] == '\r'))
                --before;
            if (before > from && html[before - 1] == '=')
                quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return html.size();
}

// The start of "</name" after `from`, in any case; the end of the text when
// there is none.
std::size_t closing_tag(std::string_view html, std::size_t from, std::string_view name) {
    std::size_t at = from;
    while ((at = html.find("</", at)) != std::string_view::npos) {
        if (equals_ignoring_case(html.substr(at + 2, name.size()), name) &&
            !is_name_char(at + 2 + name.size() < html.size() ? html[at + 2 + name.size()] : ' '))
            return at;
        at += 2;
    }
    return html.size();
}

bool is_json_ld(std::string_view tag) {
    for (std::size_t i = 0; i + 7 <= tag.size(); ++i) {
        if (strncasecmp(tag.data() + i, "ld+json", 7) == 0)
            return true;
    }
    return false;
}

// Whether the element whose start tag is `tag` (named `name`) has content
// that is never read.
bool content_unread(std::string_view name, std::string_view tag) {
    if (equals_ignoring_case(name, "script"))
        return !is_json_ld(tag);
    return equals_ignoring_case(name, "style") || equals_ignoring_case(name, "svg");
}

}  // namespace

void drop_unread_content(std::string& html) {
    const std::string_view text(html);
    std::size_t read = 0;
    std::size_t write = 0;
    // What is kept moves forward over what was cut: the write position
    // never passes the read position.
    const auto keep = [&](std::size_t end) {
        if (write != read)
            std::copy(html.begin() + static_cast<std::ptrdiff_t>(read),
                      html.begin() + static_cast<std::ptrdiff_t>(end),
                      html.begin() + static_cast<std::ptrdiff_t>(write));
        write += end - read;
        read = end;
    };
    while (read < text.size()) {
        const std::size_t open = text.find('<', read);
        if (open == std::string_view::npos || open + 1 >= text.size()) {
            keep(text.size());
            break;
        }
        if (text.substr(open, 4) == "<!--") {
            // A comment is no node of the tree, and the text on either
            // side of it is joined there anyway: it goes whole.
            keep(open);
            const std::size_t close = text.find("-->", open + 4);
            read = close == std::string_view::npos ? text.size() : close + 3;
            continue;
        }
        if (!is_letter(text[open + 1])) {
            keep(open + 1);
            continue;
        }
        std::size_t name_end = open + 1;
        while (name_end < text.size() && is_name_char(text[name_end]))
            ++name_end;
        const std::string_view name = text.substr(open + 1, name_end - open - 1);
        const std::size_t end = tag_end(text, name_end);
        keep(end);
        const std::string_view tag = text.substr(open, end - open);
        // HTML ignores the slash of "<script/>"; only SVG closes itself so.
        const bool closed =
            equals_ignoring_case(name, "svg") && tag.size() >= 2 && tag[tag.size() - 2] == '/';
        if (content_unread(name, tag) && !closed)
            read = closing_tag(text, end, name);
    }
    html.resize(write);
}

}  // namespace papyr::html
