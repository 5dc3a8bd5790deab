#pragma once

// The ArticleDetail put together from what the passes found: the rules'
// answers first, the page's metadata after them, the visible page last.

#include <vector>

#include "extraction/blocks.h"
#include "extraction/extract.h"
#include "extraction/html.h"
#include "extraction/metadata.h"
#include "extraction/rules.h"

namespace papyr::extraction {

struct ArticleParts {
    std::string title;
    std::string lead;
    std::vector<std::string> authors;
    std::optional<std::int64_t> published;
    std::string source;
};

// Title, lead, authors, date and source, before the body is known.
[[nodiscard]] ArticleParts find_parts(const Page& page, const Document& document,
                                      const Metadata& metadata, const RuleMatch* rules);

// The record, from the parts and the body's filtered blocks.
[[nodiscard]] ArticleDetail assemble_article(const Page& page, ArticleParts parts,
                                             const std::vector<Block>& blocks);

// "Title - Site", "Title | Site name": the title without the site's name.
[[nodiscard]] std::string strip_site_name(std::string_view title, std::string_view site_name);

}  // namespace papyr::extraction
