#pragma once

// The comparison of the body candidates. A publisher's rules win whenever
// their body selector finds text. Otherwise two generic candidates compete:
// the container the page's own markup names as the article body
// (itemprop=articleBody, the usual CMS class names) and the container that
// content scoring finds; the named one wins unless it holds clearly less
// text (a teaser box that happens to be named so). When the full pruning
// leaves next to nothing, scoring runs again on the plainly pruned page, and
// a JSON-LD articleBody is the last resort.

#include <vector>

#include "extraction/blocks.h"
#include "extraction/html.h"
#include "extraction/metadata.h"
#include "extraction/rules.h"

namespace papyr::extraction {

enum class BodyOrigin { Rules, Markup, Scoring, StructuredData, None };

struct BodyChoice {
    std::vector<Block> blocks;
    BodyOrigin origin = BodyOrigin::None;
};

[[nodiscard]] BodyChoice choose_body(const Document& document, const RuleMatch* rules,
                                     const Metadata& metadata);

}  // namespace papyr::extraction
