#include "extraction/teasers.h"

namespace papyr::extraction {
namespace {

// A title shorter than this is a label ("Share", "More"), not a headline.
constexpr std::uint32_t kMinTitleChars = 15;
// An excerpt is short; a card with more text of its own is a section of
// an article whose heading happens to be a link.
constexpr std::uint32_t kMaxExcerptChars = 400;
constexpr std::size_t kMinCards = 3;

// Per node, the first text node at or below it that is visible and not
// blank, in document order. Children have larger ids than their parent and
// siblings increasing ones, so a backward pass leaves each parent with the
// text of its earliest child that has any.
std::vector<NodeId> first_texts(const Document& document, const RemovedMask& removed,
                                const TextStats& stats) {
    std::vector<NodeId> first(document.size(), kNoNode);
    for (NodeId id = static_cast<NodeId>(document.size()); id-- > 1;) {
        if (removed[id])
            continue;
        if (document.node(id).kind == NodeKind::Text && stats.chars[id] > 0)
            first[id] = id;
        if (first[id] != kNoNode)
            first[document.node(id).parent] = first[id];
    }
    return first;
}

// The card's text starts with a link of headline length that fills its
// whole line (a heading or a block of its own): "<h3><a>Title</a></h3>
// <p>excerpt</p>", not "<li><a>Name</a> said ...</li>", whose link is
// part of a sentence.
bool is_teaser_card(const Document& document, const TextStats& stats,
                    const std::vector<NodeId>& first_text, NodeId card) {
    // Cards are boxes; links in a sentence or rows of a table whose first
    // cell is linked are not.
    const std::string_view tag = document.node(card).tag;
    if (tag != "li" && tag != "div" && tag != "article" && tag != "section")
        return false;
    if (stats.chars[card] - stats.link_chars[card] > kMaxExcerptChars)
        return false;
    const NodeId text = first_text[card];
    if (text == kNoNode)
        return false;
    NodeId link = kNoNode;
    NodeId line = kNoNode;
    for (NodeId at = document.node(text).parent; at != kNoNode; at = document.node(at).parent) {
        if (link == kNoNode && document.is_element(at, "a"))
            link = at;
        if (line == kNoNode && (at == card || is_block_element(document.node(at).tag)))
            line = at;
        if (at == card)
            break;
    }
    if (link == kNoNode || line == kNoNode || stats.chars[link] < kMinTitleChars)
        return false;
    const bool fills_line = stats.link_chars[line] * 10 >= stats.chars[line] * 9;
    // A card that is nothing but its title is a line of a link list.
    return fills_line && (line != card || stats.link_chars[card] == stats.chars[card]);
}

}  // namespace

void remove_teaser_groups(const Document& document, const TextStats& stats, RemovedMask& removed) {
    const std::vector<NodeId> first_text = first_texts(document, removed, stats);
    for (NodeId parent = 0; parent < document.size(); ++parent) {
        if (removed[parent] || document.node(parent).kind == NodeKind::Text)
            continue;
        std::vector<NodeId> cards;
        for (const NodeId child : document.node(parent).children) {
            if (!removed[child] && document.node(child).kind == NodeKind::Element &&
                is_teaser_card(document, stats, first_text, child))
                cards.push_back(child);
        }
        if (cards.size() >= kMinCards)
            remove_subtrees(document, cards, removed);
    }
}

}  // namespace papyr::extraction
