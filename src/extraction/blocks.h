#pragma once

// The text of a content region as paragraphs in reading order: every block
// element (paragraph, subheading, list item, quotation, table row...) gives a
// paragraph of its own, inline elements run together, <br> is a line break
// inside a paragraph and two of them in a row end it.

#include <string>
#include <vector>

#include "extraction/html.h"
#include "extraction/prune.h"

namespace papyr::extraction {

enum class BlockKind { Paragraph, Heading, ListItem, Quote, TableRow, Preformatted };

struct Block {
    BlockKind kind = BlockKind::Paragraph;
    std::string text;            // normalised
    std::size_t chars = 0;       // code points of text
    std::size_t link_chars = 0;  // of them inside links
    NodeId node = kNoNode;       // the element that made the block

    double link_density() const {
        return chars == 0 ? 0.0 : static_cast<double>(link_chars) / static_cast<double>(chars);
    }
};

[[nodiscard]] std::vector<Block> collect_blocks(const Document& document,
                                                const std::vector<NodeId>& roots,
                                                const RemovedMask& removed);

}  // namespace papyr::extraction
