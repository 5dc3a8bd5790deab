#pragma once

// Teasers for other stories: cards that repeat, each with its title as a
// link standing on its own line and at most a short excerpt (a "more
// stories" stream, a grid of related articles). Nothing in their class
// names need say so; their shape does. Three or more such cards side by
// side are never article text.

#include "extraction/html.h"
#include "extraction/prune.h"

namespace papyr::extraction {

// Marks every group of three or more sibling teaser cards as removed.
// `stats` measures the page before the removal.
void remove_teaser_groups(const Document& document, const TextStats& stats, RemovedMask& removed);

}  // namespace papyr::extraction
