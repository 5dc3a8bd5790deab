#pragma once

// Reading the news records from JSON text and writing them back.
//
// Reading is strict JSON. A record is an object whose members may come in any
// order (unknown members are skipped, a repeated known member or a missing
// required one fails), or an array of its field values in field order. A
// failure yields the description with its position, for example
// "missing field `link` at line 1 column 45"; callers put it into their own
// messages. No partial record is ever returned.
//
// Writing emits every field in order, null for an absent optional, with
// minimal string escaping; the compact layout has no white space, the
// indented one two spaces per level.

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "news_api/records.h"

namespace papyr {

[[nodiscard]] Result<FeedResponse> decode_feed_response(std::string_view text);
[[nodiscard]] Result<ArticleResponse> decode_article_response(std::string_view text);
[[nodiscard]] Result<ArticleDetail> decode_article_detail(std::string_view text);
// The content of bookmarks.json: an array of headlines.
[[nodiscard]] Result<std::vector<NewsFeedItem>> decode_news_feed_items(std::string_view text);
[[nodiscard]] Result<OtaManifest> decode_ota_manifest(std::string_view text);

enum class JsonLayout { Compact, Indented };

[[nodiscard]] std::string encode_json(const NewsFeedItem& item, JsonLayout layout);
[[nodiscard]] std::string encode_json(const std::vector<NewsFeedItem>& items, JsonLayout layout);
[[nodiscard]] std::string encode_json(const ArticleDetail& article, JsonLayout layout);
[[nodiscard]] std::string encode_json(const FeedResponse& response, JsonLayout layout);
[[nodiscard]] std::string encode_json(const ArticleResponse& response, JsonLayout layout);
[[nodiscard]] std::string encode_json(const OtaManifest& manifest, JsonLayout layout);

// The two layouts the program stores: article cache files and bookmarks.json.
[[nodiscard]] inline std::string encode_article_compact(const ArticleDetail& article) {
    return encode_json(article, JsonLayout::Compact);
}
[[nodiscard]] inline std::string encode_news_feed_items_indented(
    const std::vector<NewsFeedItem>& items) {
    return encode_json(items, JsonLayout::Indented);
}

}  // namespace papyr
