#include "news_server/feed_parser.h"

#include <gtest/gtest.h>

namespace papyr::news_server {
namespace {

const FeedContext kContext{.source_id = "vnexpress",
                           .source_name = "VnExpress",
                           .category_id = "tin-moi",
                           .feed_url = "https://vnexpress.net/rss/tin-moi-nhat.rss",
                           .default_utc_offset_minutes = 420};

TEST(FeedParser, MapsRssItemsInOrderWithTheCatalogueEntry) {
    const auto items = map_feed(R"(<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel><title>Tin mới</title>
<item><title>Tin một</title><link>https://vnexpress.net/tin-mot-1.html</link>
<description>Tóm tắt</description><pubDate>Thu, 06 Feb 2025 20:30:48 +0700</pubDate></item>
<item><title>Không có liên kết</title></item>
<item><title>Tin hai</title><link>https://vnexpress.net/tin-hai-2.html</link></item>
</channel></rss>)",
                                kContext);
    ASSERT_TRUE(items) << items.error();
    ASSERT_EQ(items->size(), 2U);
    EXPECT_EQ((*items)[0].title, "Tin một");
    EXPECT_EQ((*items)[0].link, "https://vnexpress.net/tin-mot-1.html");
    EXPECT_EQ((*items)[0].pub_date, "Thứ năm, 6/2/2025, 20:30 (GMT+7)");
    EXPECT_EQ((*items)[0].source_name, "VnExpress");
    EXPECT_EQ((*items)[1].category_id, "tin-moi");
    EXPECT_EQ((*items)[1].pub_date, "");
}

TEST(FeedParser, ADocumentThatIsNoFeedIsAnError) {
    EXPECT_FALSE(map_feed("<html><body>502 Bad Gateway</body></html>", kContext));
    EXPECT_FALSE(map_feed("", kContext));
}

}  // namespace
}  // namespace papyr::news_server
