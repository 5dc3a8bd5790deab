#include "extraction/prune.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "extraction/class_hints.h"
#include "extraction/teasers.h"

namespace papyr::extraction {
namespace {

constexpr std::array<std::string_view, 31> kJunkTags = {
    "head",   "script",     "style",  "noscript", "template", "svg",      "math",  "canvas",
    "iframe", "object",     "embed",  "video",    "audio",    "picture",  "img",   "map",
    "figure", "figcaption", "button", "input",    "select",   "textarea", "label", "fieldset",
    "dialog", "menu",       "nav",    "aside",    "footer",   "link",     "meta",
};

// Landmark roles that are never the article.
constexpr std::array<std::string_view, 9> kJunkRoles = {"navigation",    "banner", "contentinfo",
                                                        "complementary", "search", "dialog",
                                                        "alertdialog",   "menu",   "menubar"};

// Roles of widgets that may hold the article: a page that offers the story
// in tabs ("full text", "summary") marks the tab panels' parent a tab list.
constexpr std::array<std::string_view, 2> kIncidentalRoles = {"toolbar", "tablist"};

// Below this much text outside links, or with more than half of it in
// links, a block looks like boilerplate: a label, a button row, a list of
// links. Above it with few links it holds prose, which words that only
// often mean boilerplate do not remove.
constexpr std::uint32_t kProseChars = 200;
// Prose has a paragraph of at least this many characters.
constexpr std::uint32_t kProseLineChars = 80;
// A picture with less text than this beside it is a picture and its caption.
constexpr std::uint32_t kCaptionChars = 400;

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& list, std::string_view word) {
    for (const auto entry : list) {
        if (entry == word)
            return true;
    }
    return false;
}

std::string without_spaces(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n')
            out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

// React's streamed rendering sends each finished part of a page in a
// <div hidden id="S:1a"> that its script then moves into place: the part
// is shown, hidden only until the move.
bool is_streamed_segment(const Document& document, NodeId id) {
    const auto element_id = document.attribute(id, "id");
    return element_id && element_id->size() > 2 && element_id->substr(0, 2) == "S:";
}

bool is_hidden(const Document& document, NodeId id, const ClassHints& hints) {
    if (hints.hidden || (document.attribute(id, "hidden") && !is_streamed_segment(document, id)))
        return true;
    if (document.attribute(id, "aria-hidden") == "true")
        return true;
    if (const auto style = document.attribute(id, "style")) {
        const std::string compact = without_spaces(*style);
        if (compact.find("display:none") != std::string::npos ||
            compact.find("visibility:hidden") != std::string::npos)
            return true;
    }
    return false;
}

// Elements that are or hold the page's main content by its own markup.
bool marks_main_content(const Document& document, NodeId id) {
    const Node& node = document.node(id);
    return node.tag == "main" || node.tag == "article" ||
           document.attribute(id, "role") == "main" ||
           document.attribute(id, "itemprop") == "articleBody";
}

// Per node: whether it is or contains the main content by markup.
std::vector<bool> holds_main_content(const Document& document) {
    std::vector<bool> holds(document.size(), false);
    for (NodeId id = static_cast<NodeId>(document.size()); id-- > 1;) {
        if (document.node(id).kind == NodeKind::Element && marks_main_content(document, id))
            holds[id] = true;
        if (holds[id])
            holds[document.node(id).parent] = true;
    }
    return holds;
}

// Elements whose class and id say nothing about whether they are article
// text: the page's own frame, and what stands inside running text or
// tables, where names describe the data ("auto-tag_taylor-swift" on a link
// in a sentence, "player-123" on a row of a results table).
bool exempt_from_hints(std::string_view tag) {
    static constexpr std::array<std::string_view, 26> kExempt = {
        "html", "body", "main",  "article", "a",    "em",   "strong", "b",    "i",
        "u",    "s",    "small", "time",    "abbr", "cite", "code",   "mark", "q",
        "sub",  "sup",  "font",  "tr",      "td",   "th",   "tbody",  "thead"};
    return listed(kExempt, tag);
}

// Per node, beyond its amount of text: the longest paragraph below it (the
// characters between two block boundaries) and whether a picture is below it.
struct Shape {
    std::vector<std::uint32_t> longest_paragraph;
    std::vector<bool> picture;
};

Shape measure_shape(const Document& document, const TextStats& stats) {
    const std::size_t count = document.size();
    Shape shape{std::vector<std::uint32_t>(count, 0), std::vector<bool>(count, false)};
    std::vector<NodeId> block_of(count, document.root());
    std::vector<std::uint32_t> own(count, 0);
    for (NodeId id = 1; id < count; ++id) {
        const Node& node = document.node(id);
        const bool block = node.kind == NodeKind::Element && is_block_element(node.tag);
        block_of[id] = block ? id : block_of[node.parent];
        if (node.kind == NodeKind::Text)
            own[block_of[id]] += stats.chars[id];
    }
    for (NodeId id = static_cast<NodeId>(count); id-- > 1;) {
        const Node& node = document.node(id);
        auto& longest = shape.longest_paragraph;
        longest[id] = std::max(longest[id], own[id]);
        longest[node.parent] = std::max(longest[node.parent], longest[id]);
        if (node.tag == "img" || node.tag == "picture" || node.tag == "video")
            shape.picture[id] = true;
        if (shape.picture[id])
            shape.picture[node.parent] = true;
    }
    return shape;
}

// A block without prose: little text outside links, mostly links, only
// short lines (a video player's controls), or a picture with its caption.
bool looks_like_boilerplate(const TextStats& stats, const Shape& shape, NodeId id) {
    const std::uint32_t prose = stats.chars[id] - stats.link_chars[id];
    return prose < kProseChars || stats.link_density(id) > 0.5 ||
           shape.longest_paragraph[id] < kProseLineChars ||
           (shape.picture[id] && prose < kCaptionChars);
}

// Whether a paragraph of prose stands beside the element: a gallery there
// interrupts the article's text with slides of its own, where a slideshow
// without such neighbours is the article itself.
bool between_paragraphs(const Document& document, const TextStats& stats, NodeId id) {
    for (const NodeId sibling : document.node(document.node(id).parent).children) {
        if (sibling != id && document.is_element(sibling, "p") &&
            stats.chars[sibling] - stats.link_chars[sibling] >= kProseLineChars)
            return true;
    }
    return false;
}

// What the full pass knows of the page for its verdicts.
struct PageMeasure {
    TextStats stats;
    Shape shape;
    std::uint32_t total = 0;
};

// Whether class, id and role words take the element out (the full pass).
bool junk_by_names(const Document& document, NodeId id, const ClassHints& hints,
                   const PageMeasure& page) {
    // Content named so ("post with-comments") that holds most of the page's
    // text stays.
    const bool most_text = page.total > 0 && page.stats.chars[id] * 2 > page.total;
    if (hints.boilerplate)
        return !(hints.content && most_text);
    if (hints.gallery && between_paragraphs(document, page.stats, id))
        return true;
    const auto role = document.attribute(id, "role");
    const bool incidental = hints.incidental || (role && listed(kIncidentalRoles, *role));
    return incidental && looks_like_boilerplate(page.stats, page.shape, id);
}

struct TextMeasure {
    std::uint32_t chars = 0;
    std::uint32_t commas = 0;
};

// Characters that are not white space, and commas. A character of Chinese,
// Japanese or Korean (UTF-8 lead bytes E3 to ED: U+3000 to U+DFFF) says
// about as much as a word of three Latin letters, and counts twice, so
// that the limits in characters suit those pages too; their commas (、 and
// ，) count as commas.
TextMeasure measure_run(std::string_view text) {
    TextMeasure measure;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == ' ' || byte == '\n' || byte == '\t' || byte == '\r' || (byte & 0xC0) == 0x80)
            continue;
        if (byte < 0x80) {
            ++measure.chars;
            measure.commas += byte == ',' ? 1U : 0U;
            continue;
        }
        measure.chars += byte >= 0xE3 && byte <= 0xED ? 2U : 1U;
        if (byte == 0xE3 || byte == 0xEF) {
            const std::string_view sequence = text.substr(i, 3);
            measure.commas += sequence == "\xE3\x80\x81" || sequence == "\xEF\xBC\x8C" ? 1U : 0U;
        }
    }
    return measure;
}

// What a pass knows of the page for its verdicts.
struct PruneContext {
    Pruning strength = Pruning::Plain;
    std::vector<bool> holds_main;  // the full pass only
    PageMeasure page;              // the full pass only
};

// Whether the element and all below it go.
bool is_junk(const Document& document, NodeId id, const PruneContext& context) {
    const Node& node = document.node(id);
    const bool full = context.strength == Pruning::Full;
    const ClassHints hints = class_hints(document, id);
    const auto role = document.attribute(id, "role");
    bool junk = listed(kJunkTags, node.tag) || (role && listed(kJunkRoles, *role)) ||
                (node.tag == "form" && full);
    if (full && !exempt_from_hints(node.tag)) {
        junk = junk || node.tag == "header" || junk_by_names(document, id, hints, context.page);
        if (node.tag == "form" && context.page.stats.chars[id] * 2 > context.page.total)
            junk = false;
    }
    // A form or landmark around the whole page (ASP.NET pages wrap
    // everything in one form) is no boilerplate.
    if (junk && full && context.holds_main[id])
        junk = false;
    // What the reader cannot see is never text, whatever it holds (a hidden
    // copy of the body for machines, marked up as the body), except the rest
    // of an article that the page delivered behind a paywall, hidden until
    // the reader logs in.
    const bool delivered =
        full && hints.gated && !looks_like_boilerplate(context.page.stats, context.page.shape, id);
    return (junk || is_hidden(document, id, hints)) && !delivered;
}

}  // namespace

void remove_subtrees(const Document& document, const std::vector<NodeId>& ids, RemovedMask& mask) {
    for (const NodeId id : ids) {
        mask[id] = true;
        document.for_each_descendant(id, [&](NodeId inner) { mask[inner] = true; });
    }
}

RemovedMask prune_boilerplate(const Document& document, Pruning strength) {
    RemovedMask removed(document.size(), false);
    PruneContext context;
    context.strength = strength;
    if (strength == Pruning::Full) {
        context.holds_main = holds_main_content(document);
        // Plain text size per node, for the guard against removing most of
        // a page because of one unlucky class name, and the shape of the text.
        context.page.stats = measure_text(document, removed);
        context.page.shape = measure_shape(document, context.page.stats);
        context.page.total = context.page.stats.chars[document.root()];
    }
    // Node ids are in document order, parents before children, so one
    // forward pass sees each parent's verdict before its children.
    for (NodeId id = 1; id < document.size(); ++id) {
        const Node& node = document.node(id);
        removed[id] = removed[node.parent] ||
                      (node.kind == NodeKind::Element && is_junk(document, id, context));
    }
    if (strength == Pruning::Full)
        remove_teaser_groups(document, measure_text(document, removed), removed);
    return removed;
}

TextStats measure_text(const Document& document, const RemovedMask& removed) {
    const std::size_t count = document.size();
    TextStats stats{std::vector<std::uint32_t>(count, 0), std::vector<std::uint32_t>(count, 0),
                    std::vector<std::uint32_t>(count, 0)};
    std::vector<bool> in_link(count, false);
    for (NodeId id = 1; id < count; ++id) {
        const Node& node = document.node(id);
        in_link[id] = in_link[node.parent] || document.is_element(node.parent, "a");
    }
    for (NodeId id = static_cast<NodeId>(count); id-- > 1;) {
        const Node& node = document.node(id);
        if (removed[id])
            continue;
        if (node.kind == NodeKind::Text && !document.is_element(node.parent, "script") &&
            !document.is_element(node.parent, "style")) {
            const TextMeasure measure = measure_run(node.text);
            stats.chars[id] = measure.chars;
            stats.commas[id] = measure.commas;
            stats.link_chars[id] = in_link[id] ? measure.chars : 0;
        }
        stats.chars[node.parent] += stats.chars[id];
        stats.link_chars[node.parent] += stats.link_chars[id];
        stats.commas[node.parent] += stats.commas[id];
    }
    return stats;
}

}  // namespace papyr::extraction
