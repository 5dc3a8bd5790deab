#pragma once

// A publisher's feed document (RSS 2.0, Atom 1.0 or RSS 1.0/RDF) turned into
// the headlines the news service answers for one catalogue entry.

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "news_api/records.h"

namespace papyr::news_server {

// What the document itself does not say about its items.
struct FeedContext {
    std::string source_id;    // the catalogue entry's ids and the source's name,
    std::string source_name;  // copied into every item
    std::string category_id;
    std::string feed_url;  // the document's own URL: relative links resolve against it
    // The zone of dates that name none, in minutes east of UTC.
    int default_utc_offset_minutes = 0;
};

inline constexpr std::size_t kMaxFeedItems = 50;

// The items in the document's order, at most kMaxFeedItems. An item that
// cannot be made into a headline is skipped, never the whole feed; a document
// that is no feed at all gives a Vietnamese message for the reader.
[[nodiscard]] Result<std::vector<NewsFeedItem>> map_feed(std::string_view document,
                                                         const FeedContext& context);

}  // namespace papyr::news_server
