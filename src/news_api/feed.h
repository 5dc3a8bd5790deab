#pragma once

// One page of headlines for a source and one of its categories. Every call
// goes to the network; feed pages are never cached.

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "news_api/endpoints.h"
#include "news_api/records.h"

namespace papyr {

// base_url + "/feed?source=" + source_id + "&category=" + category_id. The
// catalogue's ids are plain lowercase words joined by "-", so they go in
// unencoded.
[[nodiscard]] std::string feed_request_url(std::string_view base_url, std::string_view source_id,
                                           std::string_view category_id);

// The headlines of a feed response body in the server's order, or the
// message for the user: the decoder's description after
// "Lỗi phân tích JSON Feed: ", or the server's own error text.
[[nodiscard]] Result<std::vector<NewsFeedItem>> feed_items_from_body(std::string_view body);

// Blocking: runs curl, so only background tasks call it. base_url is the
// news API's base; tests point it at a stand-in server.
[[nodiscard]] Result<std::vector<NewsFeedItem>> fetch_feed(
    const std::string& source_id, const std::string& category_id,
    std::string_view base_url = api_base_url());

}  // namespace papyr
