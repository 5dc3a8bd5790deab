// A first reading of RSS 2.0 items: title, link, description and date, with
// the markup left in. Enough for the service's plumbing; the quirks of each
// publisher are handled elsewhere.

#include "news_server/feed_parser.h"

#include <pugixml.hpp>

#include "news_api/pub_date.h"

namespace papyr::news_server {

Result<std::vector<NewsFeedItem>> map_feed(std::string_view document, const FeedContext& context) {
    pugi::xml_document xml;
    if (!xml.load_buffer(document.data(), document.size()))
        return fail("Nguồn tin trả về dữ liệu không đọc được");
    const pugi::xml_node channel = xml.child("rss").child("channel");
    if (!channel)
        return fail("Nguồn tin trả về dữ liệu không đọc được");
    std::vector<NewsFeedItem> items;
    for (const pugi::xml_node node : channel.children("item")) {
        if (items.size() == kMaxFeedItems)
            break;
        NewsFeedItem item;
        item.link = node.child_value("link");
        item.title = node.child_value("title");
        if (item.link.empty() || item.title.empty())
            continue;
        item.id = item.link;
        item.lead = node.child_value("description");
        item.pub_date =
            vietnam_pub_date(node.child_value("pubDate"), context.default_utc_offset_minutes);
        item.source_id = context.source_id;
        item.source_name = context.source_name;
        item.category_id = context.category_id;
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace papyr::news_server
