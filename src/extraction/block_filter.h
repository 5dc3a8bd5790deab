#pragma once

// The last pass over a body's blocks: what is left of boilerplate inside the
// article (link lines, "Xem thêm:" and "Read more" lines, caption credits,
// the byline and date repeated as text) goes, a block that appears twice is
// kept once, and the title is not repeated as a paragraph, nor the lead when
// it stands apart from the body's paragraphs (a standfirst).

#include <string>
#include <vector>

#include "extraction/blocks.h"

namespace papyr::extraction {

struct FilterContext {
    const Document* document = nullptr;  // the page the blocks come from
    std::string title;
    std::string lead;
    std::vector<std::string> authors;
    std::vector<std::string> drop_prefixes;  // the publisher's dropParagraphs
};

[[nodiscard]] std::vector<Block> filter_blocks(std::vector<Block> blocks,
                                               const FilterContext& context);

}  // namespace papyr::extraction
