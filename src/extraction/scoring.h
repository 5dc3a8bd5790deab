#pragma once

// Finding the article body on a page nobody wrote rules for, by content
// scoring: every paragraph-like block gives points for its length and commas
// to its parent and, decreasingly, to the ancestors above; containers are
// weighed by their tag and class names and discounted by their link density.
// The best container wins, together with the siblings that look like more of
// the same article (a body split around an ad or a picture).

#include <vector>

#include "extraction/html.h"
#include "extraction/prune.h"

namespace papyr::extraction {

// The chosen containers in document order; empty when the page has no
// paragraph of text at all.
[[nodiscard]] std::vector<NodeId> find_main_content(const Document& document,
                                                    const RemovedMask& removed,
                                                    const TextStats& stats);

// The <article> element that `id` is or stands in; kNoNode when none.
[[nodiscard]] NodeId enclosing_article(const Document& document, NodeId id);

}  // namespace papyr::extraction
