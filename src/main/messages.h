#pragma once

// What background tasks report to the frame loop. Payloads are moved whole
// into the message; the loop takes ownership.

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "news_api/records.h"

namespace papyr {

struct FeedLoaded {
    std::vector<NewsFeedItem> items;
    // The indices the request was made for, so a late result for a source
    // or category the user has left can be recognised and dropped.
    std::size_t source_index = 0;
    std::size_t category_index = 0;
};
struct FeedFailed {
    std::string error;
};
struct ArticleLoaded {
    ArticleDetail article;
};
struct ArticleFailed {
    std::string error;
};
struct UpdateAvailable {
    OtaManifest manifest;
};
struct UpdateInstalling {};
struct UpdateFailed {
    std::string error;
};

using WorkerMessage = std::variant<FeedLoaded, FeedFailed, ArticleLoaded, ArticleFailed,
                                   UpdateAvailable, UpdateInstalling, UpdateFailed>;

}  // namespace papyr
