#pragma once

// A publisher's rules applied to its page: which elements are the title,
// lead, author, date and body, and which are to be removed from the body.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extraction/extract.h"
#include "extraction/html.h"

namespace papyr::extraction {

struct RuleMatch {
    std::string title;
    std::string lead;
    std::vector<std::string> authors;
    std::optional<std::int64_t> published;
    std::vector<NodeId> body;      // none inside another, in page order
    std::vector<NodeId> consumed;  // the title, lead, author and date elements
    std::vector<NodeId> removed;   // the matches of the remove selectors
};

[[nodiscard]] RuleMatch apply_site_rules(const Document& document, const SiteRules& rules,
                                         int default_offset_minutes);

}  // namespace papyr::extraction
