#include "extraction/block_filter.h"

#include <array>
#include <map>
#include <set>

#include "base/unicode.h"
#include "extraction/class_hints.h"
#include "extraction/text.h"
#include "news_api/pub_date.h"

namespace papyr::extraction {
namespace {

// Whole lines, compared without case and punctuation: labels of boxes and
// buttons, in the languages of the pages read most.
constexpr std::array<std::string_view, 82> kStockLines = {
    "advertisement",
    "advertising",
    "quảng cáo",
    "sponsored",
    "share",
    "share this",
    "share this article",
    "share this story",
    "chia sẻ",
    "comments",
    "bình luận",
    "related",
    "related articles",
    "related stories",
    "tin liên quan",
    "bài liên quan",
    "xem thêm",
    "đọc thêm",
    "read more",
    "more",
    "loading",
    "print",
    "email",
    "facebook",
    "twitter",
    "copy link",
    "link copied",
    "subscribe",
    "sign up",
    "most read",
    "đọc nhiều nhất",
    "top stories",
    "related topics",
    "chủ đề liên quan",
    "more on this story",
    "you may also like",
    "recommended",
    "back to top",
    "skip to content",
    "skip advertisement",
    "supported by",
    "listen to this article",
    "tags",
    "topics",
    "tin cùng chuyên mục",
    "continue reading",
    "lesen sie auch",
    "lesen sie mehr",
    "mehr zum thema",
    "zum thema",
    "weitere informationen",
    "ende der weiteren informationen",
    "das könnte sie auch interessieren",
    "auch interessant",
    "meistgelesen",
    "häufig gelesen",
    "kommentare",
    "kommentare anzeigen",
    "lire aussi",
    "à lire aussi",
    "voir aussi",
    "commentaires",
    "lee también",
    "te puede interesar",
    "mostrar comentarios",
    "comentarios",
    "leggi anche",
    "lees ook",
    "leia também",
    "saiba mais",
    "les også",
    "läs också",
    "læs også",
    "czytaj także",
    "czytaj też",
    "čtěte také",
    "most popular",
    "more stories",
    "read next",
    "up next",
    "show comments",
    "view comments",
};

// Starts of lines, compared in lower case with their punctuation.
constexpr std::array<std::string_view, 29> kStockStarts = {
    "read more:",
    "read also:",
    "see also:",
    "related:",
    "xem thêm:",
    "đọc thêm:",
    "tin liên quan:",
    "image source,",
    "image caption,",
    "media caption,",
    "photograph:",
    "photo:",
    "ảnh:",
    "video:",
    "tags:",
    "từ khóa:",
    "topics:",
    "filed under",
    "sign up to",
    "subscribe to",
    "follow us on",
    "share this",
    "click here to",
    "all rights reserved",
    "copyright ©",
    "©",
    "advertisement",
    "continue reading",
    "this article is more than",
};

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

bool is_stock_line(std::string_view text) {
    if (text_length(text) > 120)
        return false;
    const std::string comparable = comparable_text(text);
    for (const auto line : kStockLines) {
        if (comparable == line)
            return true;
    }
    const std::string lower = to_unicode_lower(text);
    for (const auto start : kStockStarts) {
        if (starts_with(lower, start))
            return true;
    }
    return false;
}

namespace {

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
        // Recipes, interviews and spec sheets repeat short lines on purpose;
        // a long paragraph twice is a pull quote or a copy.
        const bool repeated = block.chars >= kRepeatChars && !seen.insert(comparable).second;
        if (comparable.empty() || block.link_density() > 0.5 || is_stock_line(block.text) ||
            drop_by_prefix(block, context) || is_byline(block, comparable, bylines) ||
            is_date_line(block) || comparable == title || repeated ||
            furniture.count(comparable) > 0 ||
            (comparable == lead && is_standfirst(blocks, i, context)))
            continue;
        kept.push_back(std::move(block));
    }
    // A subheading left with nothing under it introduced a box that is gone.
    while (!kept.empty() && kept.back().kind == BlockKind::Heading)
        kept.pop_back();
    return kept;
}

}  // namespace papyr::extraction
