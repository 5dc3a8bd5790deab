#include "news_api/feed.h"

#include "news_api/fetch.h"
#include "news_api/json.h"

namespace papyr {

std::string feed_request_url(std::string_view base_url, std::string_view source_id,
                             std::string_view category_id) {
    std::string url(base_url);
    url += "/feed?source=";
    url += source_id;
    url += "&category=";
    url += category_id;
    return url;
}

Result<std::vector<NewsFeedItem>> feed_items_from_body(std::string_view body) {
    Result<FeedResponse> response = decode_feed_response(body);
    if (!response)
        return fail("Lỗi phân tích JSON Feed: " + response.error());
    if (!response->success) {
        // The server's text is shown as it is: it is already meant for users.
        return fail(response->error.value_or("Lỗi máy chủ không xác định"));
    }
    return std::move(response->items).value_or(std::vector<NewsFeedItem>{});
}

Result<std::vector<NewsFeedItem>> fetch_feed(const std::string& source_id,
                                             const std::string& category_id,
                                             std::string_view base_url) {
    Result<std::string> body = fetch_url(feed_request_url(base_url, source_id, category_id));
    if (!body)
        return fail(std::move(body).error());
    return feed_items_from_body(*body);
}

}  // namespace papyr
