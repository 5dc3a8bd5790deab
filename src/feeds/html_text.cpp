#include "feeds/html_text.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "base/unicode.h"
#include "base/utf8.h"
#include "feeds/image_choice.h"
#include "html/html_tree.h"
#include "html/text.h"

namespace papyr::feeds {
namespace {

using html::Document;
using html::Node;
using html::NodeId;
using html::NodeKind;

template <std::size_t N>
bool is_one_of(std::string_view name, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Elements whose content is not text a reader sees.
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

// Lazy-loading pages keep the real address in data-src and a placeholder
// (often a data: URI) in src.
std::optional<HtmlImage> image_of(const Document& document, NodeId id) {
    for (const char* name : {"src", "data-src", "data-original"}) {
        const std::optional<std::string_view> value = document.attribute(id, name);
        if (!value)
            continue;
        std::string src = clean_text(*value);
        if (!src.empty() && src.rfind("data:", 0) != 0) {
            const std::optional<std::string_view> width = document.attribute(id, "width");
            return HtmlImage{std::move(src), width ? pixel_count(*width) : 0};
        }
    }
    return std::nullopt;
}

struct Reading {
    std::string raw;
    std::vector<HtmlImage> images;
    std::optional<std::pair<std::size_t, std::size_t>> last_link;  // byte range in raw
};

// The tree in document order, each element entered and left, so that word
// breaks go on both sides of a block and a link's text range is known. The
// walk keeps its own stack: the tree is as deep as the parser allows.
Reading read_tree(const Document& document) {
    Reading reading;
    struct Step {
        NodeId id;
        bool leaving;
        std::size_t link_start;
    };
    std::vector<Step> stack{{document.root(), false, 0}};
    while (!stack.empty()) {
        const Step step = stack.back();
        stack.pop_back();
        const Node& node = document.node(step.id);
        if (node.kind == NodeKind::Text) {
            reading.raw += node.text;
            continue;
        }
        if (step.leaving) {
            if (separates_words(node.tag))
                reading.raw += ' ';
            if (node.tag == "a")
                reading.last_link = std::make_pair(step.link_start, reading.raw.size());
            continue;
        }
        if (is_hidden(node.tag))
            continue;
        if (separates_words(node.tag))
            reading.raw += ' ';
        if (node.tag == "img") {
            if (auto image = image_of(document, step.id))
                reading.images.push_back(std::move(*image));
        }
        stack.push_back({step.id, true, reading.raw.size()});
        for (auto child = node.children.rbegin(); child != node.children.rend(); ++child)
            stack.push_back({*child, false, 0});
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
    Result<Document> document = html::parse_html(bounded(html));
    if (!document)
        return {};
    Reading reading = read_tree(*document);
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
    return html::compose_marks(std::move(out));
}

}  // namespace papyr::feeds
