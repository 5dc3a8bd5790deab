#pragma once

// Boilerplate pruning: the parts of a page that are never article text,
// marked so that later passes skip them with everything inside. Two
// strengths: the plain pass takes out what is junk on any page (scripts,
// forms, figures and captions, hidden elements, navigation landmarks); the
// full pass also takes out what class and id names call boilerplate
// (sharing, comments, related lists, newsletters, ads...) and what has the
// shape of teasers for other stories, which only the
// generic extraction wants: a publisher's rules say themselves what to
// remove inside their body.

#include <vector>

#include "extraction/html.h"

namespace papyr::extraction {

// One flag per node: true when the node and its subtree are out.
using RemovedMask = std::vector<bool>;

enum class Pruning { Plain, Full };

[[nodiscard]] RemovedMask prune_boilerplate(const Document& document, Pruning strength);

// Marks the subtrees of `ids` as removed as well.
void remove_subtrees(const Document& document, const std::vector<NodeId>& ids, RemovedMask& mask);

// Per node, over the text that is not removed: the characters that are not
// white space (those of Chinese, Japanese and Korean twice), those inside
// links, and the commas.
struct TextStats {
    std::vector<std::uint32_t> chars;
    std::vector<std::uint32_t> link_chars;
    std::vector<std::uint32_t> commas;

    double link_density(NodeId id) const {
        return chars[id] == 0 ? 0.0 : static_cast<double>(link_chars[id]) / chars[id];
    }
};

[[nodiscard]] TextStats measure_text(const Document& document, const RemovedMask& removed);

}  // namespace papyr::extraction
