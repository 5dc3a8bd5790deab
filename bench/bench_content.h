#pragma once

// Deterministic Vietnamese content of realistic size for the benchmarks: a
// page of headlines, a 3,000-word article and a folder for cache files.

#include <cstddef>
#include <filesystem>
#include <vector>

#include "main/app_state.h"
#include "news_api/bookmarks.h"
#include "news_api/records.h"

namespace papyr::bench {

// `count` headlines, each with its own title, lead, link and date.
std::vector<NewsFeedItem> headlines(std::size_t count);

// 30 paragraphs of 100 words each, a title, a summary, an author and a date.
ArticleDetail long_article();

// The program's start state with the catalogue; nothing loaded.
AppState fresh_state();

// A temporary folder holding both cache locations, removed with its
// content when the object goes.
class CacheFolder {
  public:
    CacheFolder();
    ~CacheFolder();
    CacheFolder(const CacheFolder&) = delete;
    CacheFolder& operator=(const CacheFolder&) = delete;

    const CacheLocations& locations() const { return locations_; }

  private:
    std::filesystem::path root_;
    CacheLocations locations_;
};

}  // namespace papyr::bench
