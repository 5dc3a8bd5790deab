#include "news_server/html_text.h"

#include <gumbo.h>

#include <array>
#include <memory>
#include <optional>

#include "base/unicode.h"
#include "base/utf8.h"
#include "news_server/image_choice.h"

namespace papyr::news_server {
namespace {

// Elements whose content is not text a reader sees.
bool is_hidden(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_NOSCRIPT:
        case GUMBO_TAG_TEMPLATE:
        case GUMBO_TAG_HEAD:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_OBJECT:
        case GUMBO_TAG_SVG:
        case GUMBO_TAG_MATH:
            return true;
        default:
            return false;
    }
}

// Elements that separate words: "<p>a</p><p>b</p>" reads "a b", not "ab".
bool separates_words(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_P:
        case GUMBO_TAG_BR:
        case GUMBO_TAG_DIV:
        case GUMBO_TAG_LI:
        case GUMBO_TAG_UL:
        case GUMBO_TAG_OL:
        case GUMBO_TAG_DL:
        case GUMBO_TAG_DT:
        case GUMBO_TAG_DD:
        case GUMBO_TAG_H1:
        case GUMBO_TAG_H2:
        case GUMBO_TAG_H3:
        case GUMBO_TAG_H4:
        case GUMBO_TAG_H5:
        case GUMBO_TAG_H6:
        case GUMBO_TAG_BLOCKQUOTE:
        case GUMBO_TAG_PRE:
        case GUMBO_TAG_TABLE:
        case GUMBO_TAG_TR:
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
        case GUMBO_TAG_FIGURE:
        case GUMBO_TAG_FIGCAPTION:
        case GUMBO_TAG_SECTION:
        case GUMBO_TAG_ARTICLE:
        case GUMBO_TAG_HEADER:
        case GUMBO_TAG_FOOTER:
        case GUMBO_TAG_HR:
        case GUMBO_TAG_IMG:
            return true;
        default:
            return false;
    }
}

const char* attribute(const GumboElement& element, const char* name) {
    const GumboAttribute* found = gumbo_get_attribute(&element.attributes, name);
    return found == nullptr ? nullptr : found->value;
}

// Lazy-loading pages keep the real address in data-src and a placeholder
// (often a data: URI) in src.
std::optional<HtmlImage> image_of(const GumboElement& element) {
    for (const char* name : {"src", "data-src", "data-original"}) {
        const char* value = attribute(element, name);
        if (value == nullptr)
            continue;
        const std::string src = clean_text(value);
        if (!src.empty() && src.rfind("data:", 0) != 0) {
            const char* width = attribute(element, "width");
            return HtmlImage{src, width == nullptr ? 0 : pixel_count(width)};
        }
    }
    return std::nullopt;
}

const GumboVector* children_of(const GumboNode* node) {
    if (node->type == GUMBO_NODE_DOCUMENT)
        return &node->v.document.children;
    if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
        return &node->v.element.children;
    return nullptr;
}

struct Walk {
    std::string raw;
    std::vector<HtmlImage> images;
    std::optional<std::pair<std::size_t, std::size_t>> last_link;  // byte range in raw
};

// Enters an element: answers whether its children are to be read.
bool enter(const GumboNode* node, Walk& walk) {
    if (node->type != GUMBO_NODE_ELEMENT)
        return node->type == GUMBO_NODE_DOCUMENT;
    const GumboElement& element = node->v.element;
    if (is_hidden(element.tag))
        return false;
    if (separates_words(element.tag))
        walk.raw += ' ';
    if (element.tag == GUMBO_TAG_IMG) {
        if (auto image = image_of(element))
            walk.images.push_back(std::move(*image));
    }
    return true;
}

void leave(const GumboNode* node, std::size_t entered_at, Walk& walk) {
    if (node->type != GUMBO_NODE_ELEMENT)
        return;
    if (node->v.element.tag == GUMBO_TAG_A)
        walk.last_link = std::make_pair(entered_at, walk.raw.size());
    if (separates_words(node->v.element.tag))
        walk.raw += ' ';
}

// Depth-first without recursion: markup from a publisher may nest as deep as
// it likes.
Walk walk_tree(const GumboNode* root) {
    struct Frame {
        const GumboNode* node;
        unsigned next_child;
        std::size_t entered_at;
    };
    Walk walk;
    std::vector<Frame> stack;
    if (enter(root, walk))
        stack.push_back({root, 0, walk.raw.size()});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const GumboVector* children = children_of(frame.node);
        if (children == nullptr || frame.next_child >= children->length) {
            leave(frame.node, frame.entered_at, walk);
            stack.pop_back();
            continue;
        }
        const auto* child = static_cast<const GumboNode*>(children->data[frame.next_child++]);
        switch (child->type) {
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                walk.raw += child->v.text.text;
                break;
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE:
                if (enter(child, walk))
                    stack.push_back({child, 0, walk.raw.size()});
                break;
            default:
                break;
        }
    }
    return walk;
}

bool only_spaces(std::string_view text) {
    return clean_text(text).empty();
}

// Cut at a character boundary, so the parser gets valid UTF-8.
std::string_view bounded(std::string_view html) {
    if (html.size() <= kMaxHtmlBytes)
        return html;
    std::size_t end = kMaxHtmlBytes;
    while (end > 0 && (static_cast<unsigned char>(html[end]) & 0xC0) == 0x80)
        --end;
    return html.substr(0, end);
}

HtmlText parse_once(std::string_view html) {
    if (html.find_first_of("<&") == std::string_view::npos)
        return {clean_text(html), {}, {}};
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;  // nobody reads them, and a broken page has thousands
    const std::string_view input = bounded(html);
    const std::unique_ptr<GumboOutput, void (*)(GumboOutput*)> output(
        gumbo_parse_with_options(&options, input.data(), input.size()),
        [](GumboOutput* parsed) { gumbo_destroy_output(&kGumboDefaultOptions, parsed); });
    Walk walk = walk_tree(output->document);
    HtmlText result{clean_text(walk.raw), {}, std::move(walk.images)};
    if (walk.last_link && only_spaces(std::string_view(walk.raw).substr(walk.last_link->second)))
        result.trailing_link = clean_text(std::string_view(walk.raw).substr(
            walk.last_link->first, walk.last_link->second - walk.last_link->first));
    return result;
}

// Some feeds escape their HTML twice: what the first reading leaves is still
// markup ("<p>…</p>" as text). Only the common tags count as a sign of that,
// so a headline that merely mentions "<" stays as it is.
bool still_markup(std::string_view text) {
    static constexpr std::array<std::string_view, 7> kSigns = {"<p>",     "</p>", "<br", "<img ",
                                                               "<a href", "</a>", "<div"};
    for (const auto sign : kSigns) {
        if (text.find(sign) != std::string_view::npos)
            return true;
    }
    return false;
}

}  // namespace

HtmlText html_to_text(std::string_view html) {
    HtmlText once = parse_once(html);
    if (!still_markup(once.text))
        return once;
    HtmlText twice = parse_once(once.text);
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
