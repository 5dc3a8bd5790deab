#pragma once

// A publisher's feed document (RSS 2.0, Atom 1.0 or RSS 1.0/RDF) turned into
// the headlines the news service answers for one catalogue entry.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "news_api/records.h"

namespace papyr::feeds {

// What the document itself does not say about its items.
struct FeedContext {
    std::string source_id;    // the catalogue entry's ids and the source's name,
    std::string source_name;  // copied into every item
    std::string category_id;
    std::string feed_url;  // the document's own URL: relative links resolve against it
    // The zone of dates that name none, in minutes east of UTC.
    int default_utc_offset_minutes = 0;
    // The charset parameter of the answer's Content-Type, when known.
    std::string declared_charset = {};
};

inline constexpr std::size_t kMaxFeedItems = 50;

// The largest document read. The publishers' feeds are a few hundred
// kilobytes; anything far beyond that is not a news feed.
inline constexpr std::size_t kMaxFeedBytes = 4 * 1024 * 1024;

// The messages a document that gives no headlines yields, for the reader's
// footer.
inline constexpr std::string_view kFeedEmptyMessage = "Nguồn tin trả về dữ liệu rỗng";
inline constexpr std::string_view kFeedTooLargeMessage =
    "Nguồn tin trả về dữ liệu quá lớn (hơn 4 MB)";
inline constexpr std::string_view kFeedIsWebPageMessage =
    "Nguồn tin trả về trang web, không phải RSS";
inline constexpr std::string_view kFeedNotRssMessage = "Nguồn tin trả về dữ liệu không phải RSS";
inline constexpr std::string_view kFeedBrokenMessage = "Nguồn tin trả về RSS bị lỗi";

// The items in the document's order, at most kMaxFeedItems, each article
// once. An item that cannot be made into a headline is skipped, never the
// whole feed; a well-formed feed without items gives an empty list; a
// document that is no feed at all gives one of the messages above.
[[nodiscard]] Result<std::vector<NewsFeedItem>> map_feed(std::string_view document,
                                                         const FeedContext& context);

// The "id" of the headline whose cleaned link is `link`: the same on every
// fetch and in every run.
[[nodiscard]] std::string headline_id(std::string_view link);

}  // namespace papyr::feeds
