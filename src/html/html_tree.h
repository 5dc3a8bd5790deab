#pragma once

// The parsed page: an HTML5 tree (gumbo builds it, as a browser would) copied
// into a compact tree of our own, with limits that keep any input within a
// fixed memory and time: the markup's bounds (markup_bounds.h: elements open
// at once, attributes), the parser's memory, the nesting depth (deeper
// elements are flattened into their ancestor at the limit, their text kept)
// and the number of nodes (the rest of a page beyond it is not read).

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "html/markup_bounds.h"

namespace papyr::html {

using NodeId = std::uint32_t;
inline constexpr NodeId kNoNode = UINT32_MAX;

enum class NodeKind : std::uint8_t { Document, Element, Text };

struct Attribute {
    std::string name;  // lower case
    std::string value;
};

struct Node {
    NodeKind kind = NodeKind::Element;
    std::string_view tag;  // lower case element name; empty for text and the document
    NodeId parent = kNoNode;
    std::uint32_t depth = 0;
    std::vector<NodeId> children;
    std::vector<Attribute> attributes;
    std::string text;  // text nodes: as written, entities decoded
};

struct ParseLimits {
    MarkupBounds markup;
    // The parser's own memory. Real pages of 2 MB need well under a third of
    // it; dense markup made to fill it is refused, so that the two
    // extractions the service runs at once fit a console beside the rest.
    std::size_t max_parser_bytes = std::size_t{32} << 20;
    std::size_t max_depth = 160;
    std::size_t max_nodes = 400'000;
};

// Elements that start a block of their own in rendered text.
[[nodiscard]] bool is_block_element(std::string_view tag);

class Document {
  public:
    NodeId root() const { return 0; }
    std::size_t size() const { return nodes_.size(); }
    const Node& node(NodeId id) const { return nodes_[id]; }
    bool is_element(NodeId id, std::string_view tag) const {
        return nodes_[id].kind == NodeKind::Element && nodes_[id].tag == tag;
    }

    std::optional<std::string_view> attribute(NodeId id, std::string_view name) const;
    // Whether the class attribute holds `token` among its space-separated words.
    bool has_class(NodeId id, std::string_view token) const;

    // All text below the node, script and style text excluded, as written,
    // with a space where a block element or <br> starts or ends (so that
    // "<p>one</p><p>two</p>" does not read "onetwo").
    std::string raw_text(NodeId id) const;

    // Whether `ancestor` is `id` or above it.
    bool contains(NodeId ancestor, NodeId id) const;

    // Every node below `scope` (not itself), in document order.
    template <class Visitor>
    void for_each_descendant(NodeId scope, Visitor&& visit) const {
        std::vector<NodeId> stack(nodes_[scope].children.rbegin(), nodes_[scope].children.rend());
        while (!stack.empty()) {
            const NodeId id = stack.back();
            stack.pop_back();
            visit(id);
            const auto& children = nodes_[id].children;
            stack.insert(stack.end(), children.rbegin(), children.rend());
        }
    }

  private:
    friend class TreeBuilder;
    void append_raw_text(NodeId id, std::string& out) const;
    std::vector<Node> nodes_;
    std::deque<std::string> custom_tags_;  // names gumbo does not know, kept alive here
};

// Fails only when the page needs more parser memory than the limit allows.
[[nodiscard]] Result<Document> parse_html(std::string_view utf8, const ParseLimits& limits = {});

}  // namespace papyr::html
