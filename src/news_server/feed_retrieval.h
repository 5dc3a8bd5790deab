#pragma once

// The headlines of one catalogue entry from its feeds: alternatives tried in
// order until one gives headlines, or every feed read and merged (see
// FeedSet in sources.h).

#include <string>
#include <vector>

#include "news_api/records.h"
#include "news_server/publisher_fetch.h"
#include "news_server/sources.h"

namespace papyr::news_server {

struct FeedOutcome {
    bool ok = false;
    std::vector<NewsFeedItem> items;
    // When not ok: the message for the reader, and whether time ran out.
    std::string error;
    bool timed_out = false;
    // For the log: what went wrong with each feed that failed.
    std::string detail;
};

[[nodiscard]] FeedOutcome retrieve_feed(const Publisher& publisher, const Category& category,
                                        const Fetcher& fetch, SteadyTime deadline);

// The items of several feeds as one list: newest first by publication date
// (undated ones after the dated, each group in feed order), a link seen
// before dropped, at most kMaxFeedItems.
[[nodiscard]] std::vector<NewsFeedItem> merge_feed_items(
    const std::vector<std::vector<NewsFeedItem>>& lists);

}  // namespace papyr::news_server
