#include "extraction/prune.h"

#include <array>
#include <string_view>

#include "extraction/class_hints.h"

namespace papyr::extraction {
namespace {

constexpr std::array<std::string_view, 31> kJunkTags = {
    "head",   "script",     "style",  "noscript", "template", "svg",      "math",  "canvas",
    "iframe", "object",     "embed",  "video",    "audio",    "picture",  "img",   "map",
    "figure", "figcaption", "button", "input",    "select",   "textarea", "label", "fieldset",
    "dialog", "menu",       "nav",    "aside",    "footer",   "link",     "meta",
};

// Landmark roles that are never the article.
constexpr std::array<std::string_view, 11> kJunkRoles = {
    "navigation",  "banner", "contentinfo", "complementary", "search", "dialog",
    "alertdialog", "menu",   "menubar",     "toolbar",       "tablist"};

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

bool is_hidden(const Document& document, NodeId id, const ClassHints& hints) {
    if (hints.hidden || document.attribute(id, "hidden"))
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

bool exempt_from_hints(std::string_view tag) {
    return tag == "html" || tag == "body" || tag == "main" || tag == "article";
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
    const std::vector<bool> holds_main =
        strength == Pruning::Full ? holds_main_content(document) : std::vector<bool>();
    // Plain text size per node, for the guard against removing most of a
    // page because of one unlucky class name.
    const TextStats stats =
        strength == Pruning::Full ? measure_text(document, removed) : TextStats{};
    const std::uint32_t total = strength == Pruning::Full ? stats.chars[document.root()] : 0;
    // Node ids are in document order, parents before children, so one
    // forward pass sees each parent's verdict before its children.
    for (NodeId id = 1; id < document.size(); ++id) {
        const Node& node = document.node(id);
        if (removed[node.parent]) {
            removed[id] = true;
            continue;
        }
        if (node.kind != NodeKind::Element)
            continue;
        const ClassHints hints = class_hints(document, id);
        const auto role = document.attribute(id, "role");
        bool junk = listed(kJunkTags, node.tag) || is_hidden(document, id, hints) ||
                    (role && listed(kJunkRoles, *role)) || node.tag == "form";
        if (strength == Pruning::Full && !exempt_from_hints(node.tag)) {
            if (node.tag == "header")
                junk = true;
            const bool most_text = total > 0 && stats.chars[id] * 2 > total;
            // Content named so ("post with-comments") that holds most of
            // the page's text stays.
            if (hints.boilerplate)
                junk = junk || !(hints.content && most_text);
            if (node.tag == "form" && most_text)
                junk = false;
        }
        // A form or landmark around the whole page (ASP.NET pages wrap
        // everything in one form) is no boilerplate.
        if (junk && strength == Pruning::Full && holds_main[id])
            junk = false;
        if (junk && node.tag == "form" && strength == Pruning::Plain)
            junk = false;
        removed[id] = junk;
    }
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
            std::uint32_t chars = 0;
            std::uint32_t commas = 0;
            for (const char c : node.text) {
                const auto byte = static_cast<unsigned char>(c);
                if (byte != ' ' && byte != '\n' && byte != '\t' && byte != '\r' &&
                    (byte & 0xC0) != 0x80)
                    ++chars;
                if (c == ',')
                    ++commas;
            }
            stats.chars[id] = chars;
            stats.commas[id] = commas;
            stats.link_chars[id] = in_link[id] ? chars : 0;
        }
        stats.chars[node.parent] += stats.chars[id];
        stats.link_chars[node.parent] += stats.link_chars[id];
        stats.commas[node.parent] += stats.commas[id];
    }
    return stats;
}

}  // namespace papyr::extraction
