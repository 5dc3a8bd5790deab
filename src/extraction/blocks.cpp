#include "extraction/blocks.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "extraction/html.h"

namespace papyr::extraction {
namespace {

bool is_block(std::string_view tag) {
    // Table cells run together into their row (see table_row).
    return tag != "td" && tag != "th" && is_block_element(tag);
}

bool is_heading(std::string_view tag) {
    return tag.size() == 2 && tag[0] == 'h' && tag[1] >= '1' && tag[1] <= '6';
}

bool has_block_descendant(const Document& document, NodeId id) {
    bool found = false;
    document.for_each_descendant(id, [&](NodeId inner) {
        found = found || (document.node(inner).kind == NodeKind::Element &&
                          is_block(document.node(inner).tag));
    });
    return found;
}

class Collector {
  public:
    Collector(const Document& document, const RemovedMask& removed)
        : document_(document), removed_(removed) {}

    void collect(NodeId root) {
        visit(root, false);
        flush();
    }

    std::vector<Block> take() { return std::move(blocks_); }

  private:
    void visit(NodeId id, bool in_link) {
        const Node& node = document_.node(id);
        if (removed_[id]) {
            // A box taken out between two runs of loose text still
            // separates them.
            if (node.kind == NodeKind::Element && is_block(node.tag))
                flush();
            return;
        }
        if (node.kind == NodeKind::Text) {
            add_text(node.text, in_link);
            return;
        }
        if (node.kind == NodeKind::Document) {
            for (const NodeId child : node.children)
                visit(child, in_link);
            return;
        }
        const std::string_view tag = node.tag;
        if (tag == "script" || tag == "style")
            return;
        if (tag == "br") {
            line_break();
            return;
        }
        if (tag == "tr" && is_data_row(id)) {
            table_row(id);
            return;
        }
        if (tag == "td" || tag == "th") {
            // A cell of a layout table: a container like any other.
            flush();
            for (const NodeId child : node.children)
                visit(child, in_link);
            flush();
            return;
        }
        if (!is_block(tag)) {
            const bool link = in_link || tag == "a";
            for (const NodeId child : node.children)
                visit(child, link);
            return;
        }
        flush();
        const BlockKind saved_kind = kind_;
        const NodeId saved_node = node_;
        const bool saved_pre = preformatted_;
        kind_ = kind_for(tag, saved_kind);
        node_ = id;
        preformatted_ = preformatted_ || tag == "pre";
        for (const NodeId child : node.children)
            visit(child, in_link);
        flush();
        kind_ = saved_kind;
        node_ = saved_node;
        preformatted_ = saved_pre;
    }

    // A row of a table of text: cells of a few words or sentences, no
    // paragraphs. Old pages lay the whole page out in table cells instead.
    bool is_data_row(NodeId row) const {
        if (has_block_descendant(document_, row))
            return false;
        for (const NodeId cell : document_.node(row).children) {
            if (text_length(document_.raw_text(cell)) > 300)
                return false;
            bool breaks = false;
            document_.for_each_descendant(
                cell, [&](NodeId inner) { breaks = breaks || document_.is_element(inner, "br"); });
            if (breaks)
                return false;
        }
        return true;
    }

    static BlockKind kind_for(std::string_view tag, BlockKind outer) {
        if (is_heading(tag))
            return BlockKind::Heading;
        if (tag == "li" || tag == "dt" || tag == "dd")
            return BlockKind::ListItem;
        if (tag == "blockquote")
            return BlockKind::Quote;
        if (tag == "pre")
            return BlockKind::Preformatted;
        if (tag == "p" || tag == "div")
            return outer == BlockKind::Quote || outer == BlockKind::ListItem ? outer
                                                                             : BlockKind::Paragraph;
        return outer;
    }

    void add_text(std::string_view text, bool in_link) {
        if (preformatted_) {
            for (const char c : text)
                raw_ += c == '\n' ? kLineBreakMark : c;
        } else {
            raw_ += text;
        }
        if (in_link)
            link_raw_ += text;
        for (const char c : text) {
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
                seen_text_ = true;
                breaks_ = 0;
                break;
            }
        }
    }

    // Two line breaks with nothing between them end the paragraph, as old
    // pages and blogs write paragraphs.
    void line_break() {
        if (++breaks_ >= 2 && seen_text_) {
            flush();
            return;
        }
        raw_ += kLineBreakMark;
    }

    void table_row(NodeId row) {
        flush();
        std::vector<std::string> cells;
        for (const NodeId cell : document_.node(row).children) {
            if (removed_[cell] || document_.node(cell).kind != NodeKind::Element)
                continue;
            Collector inner(document_, removed_);
            inner.collect(cell);
            std::string text;
            for (auto& block : inner.blocks_) {
                text += text.empty() ? "" : " ";
                text += block.text;
                link_chars_of_row_ += block.link_chars;
            }
            if (!text.empty())
                cells.push_back(std::move(text));
        }
        std::string joined;
        for (const auto& cell : cells)
            joined += (joined.empty() ? "" : " | ") + cell;
        if (!joined.empty())
            push(BlockKind::TableRow, std::move(joined), link_chars_of_row_, row);
        link_chars_of_row_ = 0;
    }

    void flush() {
        std::string text = normalise_text(raw_);
        const std::size_t links = text_length(normalise_text(link_raw_));
        raw_.clear();
        link_raw_.clear();
        breaks_ = 0;
        seen_text_ = false;
        if (!text.empty())
            push(kind_, std::move(text), links, node_);
    }

    void push(BlockKind kind, std::string text, std::size_t links, NodeId node) {
        Block block;
        block.kind = kind;
        block.chars = text_length(text);
        block.link_chars = std::min(links, block.chars);
        block.text = std::move(text);
        block.node = node;
        blocks_.push_back(std::move(block));
    }

    const Document& document_;
    const RemovedMask& removed_;
    std::vector<Block> blocks_;
    std::string raw_;
    std::string link_raw_;
    BlockKind kind_ = BlockKind::Paragraph;
    NodeId node_ = kNoNode;
    bool preformatted_ = false;
    bool seen_text_ = false;
    int breaks_ = 0;
    std::size_t link_chars_of_row_ = 0;
};

}  // namespace

std::vector<Block> collect_blocks(const Document& document, const std::vector<NodeId>& roots,
                                  const RemovedMask& removed) {
    std::vector<Block> blocks;
    for (const NodeId root : roots) {
        Collector collector(document, removed);
        collector.collect(root);
        auto more = collector.take();
        std::move(more.begin(), more.end(), std::back_inserter(blocks));
    }
    return blocks;
}

}  // namespace papyr::extraction
