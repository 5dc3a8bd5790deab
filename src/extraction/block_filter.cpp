#include "extraction/block_filter.h"

#include <array>
#include <set>

#include "base/unicode.h"
#include "extraction/text.h"
#include "news_api/pub_date.h"

namespace papyr::extraction {
namespace {

// Whole lines, compared without case and punctuation.
constexpr std::array<std::string_view, 46> kStockLines = {
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

std::vector<Block> filter_blocks(std::vector<Block> blocks, const FilterContext& context) {
    const std::string title = comparable_text(context.title);
    const std::string lead = comparable_text(context.lead);
    const std::vector<std::string> bylines = byline_forms(context.authors);
    std::set<std::string> seen;
    std::vector<Block> kept;
    for (auto& block : blocks) {
        const std::string comparable = comparable_text(block.text);
        if (comparable.empty() || block.link_density() > 0.5 || is_stock_line(block.text) ||
            drop_by_prefix(block, context) || is_byline(block, comparable, bylines) ||
            is_date_line(block) || comparable == title || comparable == lead ||
            !seen.insert(comparable).second)
            continue;
        kept.push_back(std::move(block));
    }
    // A subheading left with nothing under it introduced a box that is gone.
    while (!kept.empty() && kept.back().kind == BlockKind::Heading)
        kept.pop_back();
    return kept;
}

}  // namespace papyr::extraction
