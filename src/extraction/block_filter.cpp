#include "extraction/block_filter.h"

#include <array>
#include <map>
#include <set>

#include "base/unicode.h"
#include "extraction/class_hints.h"
#include "extraction/furniture_lines.h"
#include "extraction/html.h"
#include "news_api/pub_date.h"

namespace papyr::extraction {
namespace {

// A paragraph at least this long that comes twice is not said twice.
constexpr std::size_t kRepeatChars = 80;

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool drop_by_prefix(const Block& block, const FilterContext& context) {
    if (context.drop_prefixes.empty())
        return false;
    const std::string lower = to_unicode_lower(block.text);
    for (const auto& prefix : context.drop_prefixes) {
        const std::string wanted = to_unicode_lower(prefix);
        if (!wanted.empty() && starts_with(lower, wanted))
            return true;
    }
    return false;
}

// The byline in its comparable forms: all names, "by" all names, the first.
std::vector<std::string> byline_forms(const std::vector<std::string>& authors) {
    if (authors.empty())
        return {};
    std::string names;
    for (const auto& author : authors)
        names += concat({names.empty() ? "" : " ", author});
    const std::string all = comparable_text(names);
    return {all, concat({"by ", all}), comparable_text(authors.front())};
}

bool is_byline(const Block& block, const std::string& comparable,
               const std::vector<std::string>& forms) {
    if (block.chars > 120)
        return false;
    for (const auto& form : forms) {
        if (comparable == form)
            return true;
    }
    return false;
}

bool is_date_line(const Block& block) {
    return block.chars <= 60 && parse_pub_date(block.text, 0).has_value();
}

// The lead as a block of its own kind beside the body's paragraphs: a
// standfirst, shown as the lead. The same text written like the body's
// paragraphs is the body's first paragraph that the page also made its
// description, and stays.
bool is_standfirst(const std::vector<Block>& blocks, std::size_t at, const FilterContext& context) {
    const Block& block = blocks[at];
    if (context.document == nullptr || block.node == kNoNode)
        return false;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (i != at && blocks[i].node != kNoNode && blocks[i].kind == block.kind &&
            same_kind_of_element(*context.document, blocks[i].node, block.node))
            return false;
    }
    return true;
}

}  // namespace

namespace {

// The text ends as sentences do, before any closing quotes or brackets.
bool ends_like_sentence(std::string_view text) {
    static constexpr std::array<std::string_view, 8> kClosers = {"\"", "'", ")",  "”",
                                                                 "’",  "»", "」", "』"};
    static constexpr std::array<std::string_view, 7> kEnds = {".", "!", "?", "…", "。", "！", "？"};
    bool trimmed = true;
    while (trimmed) {
        trimmed = false;
        for (const auto closer : kClosers) {
            if (text.size() > closer.size() && text.substr(text.size() - closer.size()) == closer) {
                text.remove_suffix(closer.size());
                trimmed = true;
            }
        }
    }
    for (const auto end : kEnds) {
        if (text.size() >= end.size() && text.substr(text.size() - end.size()) == end)
            return true;
    }
    return false;
}

// Mostly links: a line of a link list, unless what stands outside the links
// is a sentence of its own ("<a>The mayor</a> approved the plan on
// Tuesday."), as in list items with a linked lead-in.
bool is_link_line(const Block& block) {
    if (block.link_density() <= 0.5)
        return false;
    return block.chars - block.link_chars < 30 || !ends_like_sentence(block.text);
}

// Short lines that come three times or more: a box's label or a prompt
// repeated down the page ("Read also", "Log in to react"), not what an
// article repeats on purpose (a recipe's "1 egg" in two of its parts).
std::set<std::string> furniture_repeats(const std::vector<Block>& blocks) {
    std::map<std::string, int> counts;
    for (const auto& block : blocks) {
        if (block.kind == BlockKind::Paragraph && block.chars < kRepeatChars)
            ++counts[comparable_text(block.text)];
    }
    std::set<std::string> repeats;
    for (const auto& [text, count] : counts) {
        if (count >= 3)
            repeats.insert(text);
    }
    return repeats;
}

}  // namespace

namespace {

// Blocks at the start of a body that belong to the article's head: its
// date line and its byline, written as paragraphs.
constexpr std::size_t kHeadBlocks = 3;

// Only paragraphs: table rows and list items are data, however they look.
bool is_head_furniture(const Block& block, const FilterContext& context) {
    return block.kind == BlockKind::Paragraph &&
           (is_dateline(block.text) ||
            (block.chars <= 80 && starts_with_name(block.text, context.authors)));
}

// What sites write after the last paragraph: credits, prompts, dates, the
// author's biography.
bool is_tail_furniture(const Block& block, const FilterContext& context) {
    return block.kind == BlockKind::Paragraph &&
           (is_closing_furniture(block.text) ||
            (block.chars <= 300 && starts_with_name(block.text, context.authors)));
}

void trim_edges(std::vector<Block>& blocks, const FilterContext& context) {
    std::size_t head = 0;
    while (head < blocks.size() && head < kHeadBlocks && is_head_furniture(blocks[head], context))
        ++head;
    blocks.erase(blocks.begin(), blocks.begin() + static_cast<std::ptrdiff_t>(head));
    while (!blocks.empty() && is_tail_furniture(blocks.back(), context))
        blocks.pop_back();
    // A subheading left with nothing under it introduced a box that is gone
    // (a box's title and its subtitle at most: a run of headings at the end
    // is text, such as the points of a list article).
    for (int box_titles = 0;
         box_titles < 2 && !blocks.empty() && blocks.back().kind == BlockKind::Heading;
         ++box_titles)
        blocks.pop_back();
}

}  // namespace

std::vector<Block> filter_blocks(std::vector<Block> blocks, const FilterContext& context) {
    const std::string title = comparable_text(context.title);
    const std::string lead = comparable_text(context.lead);
    const std::vector<std::string> bylines = byline_forms(context.authors);
    const std::set<std::string> furniture = furniture_repeats(blocks);
    std::set<std::string> seen;
    std::vector<Block> kept;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        Block& block = blocks[i];
        const std::string comparable = comparable_text(block.text);
        // Recipes, interviews and product data sheets repeat short lines on purpose;
        // a long paragraph twice is a pull quote or a copy.
        const bool repeated = block.chars >= kRepeatChars && !seen.insert(comparable).second;
        if (comparable.empty() || is_link_line(block) || is_stock_line(block.text) ||
            drop_by_prefix(block, context) || is_byline(block, comparable, bylines) ||
            is_date_line(block) || comparable == title || repeated ||
            furniture.count(comparable) > 0 ||
            (comparable == lead && is_standfirst(blocks, i, context)))
            continue;
        kept.push_back(std::move(block));
    }
    trim_edges(kept, context);
    return kept;
}

}  // namespace papyr::extraction
