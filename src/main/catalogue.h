#pragma once

#include <string>
#include <vector>

namespace papyr {

struct NewsCategory {
    std::string id;    // sent to the news server; ids repeat across sources
    std::string name;  // shown in the tabs and notices

    bool operator==(const NewsCategory&) const = default;
};

struct NewsSource {
    std::string id;
    std::string name;
    std::vector<NewsCategory> categories;  // never empty

    bool operator==(const NewsSource&) const = default;
};

// The seven sources the reader offers, in display order.
std::vector<NewsSource> build_catalogue();

}  // namespace papyr
