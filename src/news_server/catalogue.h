#pragma once

// The (source id, category id) pairs the reader asks for. The reader's own
// catalogue is compiled into it; the service must answer every pair of it,
// so a sources file that lacks one is refused at start rather than found out
// by a console showing an error.

#include <span>
#include <string_view>

namespace papyr::news_server {

struct CatalogueEntry {
    std::string_view source_id;
    std::string_view category_id;
};

// All 28, in the reader's order.
[[nodiscard]] std::span<const CatalogueEntry> reader_catalogue();

}  // namespace papyr::news_server
