// What the feed mapping does with documents that are no feed, too big, too
// long, hostile, or fetched again.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/utf8.h"
#include "feeds/feed_parser.h"

namespace papyr::feeds {
namespace {

const FeedContext kContext{.source_id = "tin",
                           .source_name = "Tin",
                           .category_id = "tin-moi",
                           .feed_url = "https://tin.example.vn/rss",
                           .default_utc_offset_minutes = 420};

std::string rss(const std::string& items) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>T</title>" + items +
           "</channel></rss>";
}

std::string item(int number, const std::string& extra = "") {
    const std::string n = std::to_string(number);
    return "<item><title>Tin " + n + "</title><link>https://tin.example.vn/bai/" + n +
           ".html</link>" + extra + "</item>";
}

TEST(FeedLimits, DocumentsThatGiveNoHeadlinesSayWhy) {
    const struct {
        std::string document;
        std::string_view message;
    } cases[] = {
        {"", kFeedEmptyMessage},
        {" \r\n\t", kFeedEmptyMessage},
        {"<html><head><title>502</title></head><body>Bad Gateway</body></html>",
         kFeedIsWebPageMessage},
        {"<!DOCTYPE html>\n<html lang=\"vi\"><body><p>Trang lỗi<br></body>", kFeedIsWebPageMessage},
        {"{\"items\": []}", kFeedNotRssMessage},
        {"<?xml version=\"1.0\"?><note><to>a</to></note>", kFeedNotRssMessage},
        {"Service Unavailable", kFeedNotRssMessage},
        // Recognisably a feed, but not one item in it can be read.
        {"<?xml version=\"1.0\"?><rss><channel><item><title>Cắt ngang", kFeedBrokenMessage},
        {std::string(kMaxFeedBytes + 1, ' '), kFeedTooLargeMessage},
    };
    for (const auto& c : cases) {
        const auto items = map_feed(c.document, kContext);
        ASSERT_FALSE(items) << c.document.substr(0, 80);
        EXPECT_EQ(items.error(), c.message) << c.document.substr(0, 80);
    }
}

TEST(FeedLimits, AWellFormedFeedWithoutItemsIsAnEmptyList) {
    for (const std::string& document :
         {rss(""),
          std::string("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>A</title></feed>"),
          std::string("<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                      "xmlns=\"http://purl.org/rss/1.0/\"><channel/></rdf:RDF>")}) {
        const auto items = map_feed(document, kContext);
        ASSERT_TRUE(items) << document;
        EXPECT_TRUE(items->empty());
    }
}

TEST(FeedLimits, KeepsTheFirstFiftyUsableItemsInOrder) {
    std::string items = "<item><title>Không có liên kết</title></item>";
    for (int i = 1; i <= 60; ++i)
        items += item(i);
    const auto headlines = map_feed(rss(items), kContext);
    ASSERT_TRUE(headlines);
    ASSERT_EQ(headlines->size(), kMaxFeedItems);
    EXPECT_EQ(headlines->front().title, "Tin 1");
    EXPECT_EQ(headlines->back().title, "Tin 50");
}

// The id follows the article, not its place in the feed, the fetch or the
// tracking parameters of the feed it came through.
TEST(FeedLimits, IdsFollowTheArticle) {
    const auto first = map_feed(rss(item(1) + item(2) + item(3)), kContext);
    const auto reordered =
        map_feed(rss(item(3) +
                     "<item><title>Tin 1</title><link>https://tin.example.vn/bai/1.html"
                     "?utm_source=rss&amp;at_medium=RSS#top</link></item>" +
                     item(2)),
                 kContext);
    ASSERT_TRUE(first && reordered);
    ASSERT_EQ(first->size(), 3U);
    ASSERT_EQ(reordered->size(), 3U);
    EXPECT_EQ((*first)[0].id, (*reordered)[1].id);
    EXPECT_EQ((*first)[1].id, (*reordered)[2].id);
    EXPECT_EQ((*first)[2].id, (*reordered)[0].id);
    const std::set<std::string> ids{(*first)[0].id, (*first)[1].id, (*first)[2].id};
    EXPECT_EQ(ids.size(), 3U);
    EXPECT_EQ(headline_id("https://tin.example.vn/bai/1.html").size(), 16U);
    EXPECT_NE(headline_id("https://tin.example.vn/bai/1.html"),
              headline_id("https://tin.example.vn/bai/1.htm"));
}

TEST(FeedLimits, DeclaredEntitiesAreNeverExpanded) {
    std::string doctype = "<!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">";
    std::string previous = "a";
    for (const char* name : {"b", "c", "d", "e", "f", "g", "h"}) {
        doctype += std::string("<!ENTITY ") + name + " \"";
        for (int i = 0; i < 10; ++i)
            doctype += "&" + previous + ";";
        doctype += "\">";
        previous = name;
    }
    doctype += "]>";
    const auto items =
        map_feed("<?xml version=\"1.0\"?>" + doctype +
                     rss("<item><title>&h;</title><link>https://tin.example.vn/a</link></item>"),
                 kContext);
    ASSERT_TRUE(items) << items.error();
    ASSERT_EQ(items->size(), 1U);
    EXPECT_EQ((*items)[0].title, "&h;");
}

TEST(FeedLimits, DeepMarkupAndBadBytesNeitherCrashNorLeak) {
    std::string deep_html;
    for (int i = 0; i < 50000; ++i)
        deep_html += "<div>";
    deep_html += "Đáy";
    const auto deep = map_feed(
        rss(item(1, "<description><![CDATA[" + deep_html + "]]></description>")), kContext);
    ASSERT_TRUE(deep);
    ASSERT_EQ(deep->size(), 1U);
    EXPECT_EQ((*deep)[0].lead, "Đáy");

    std::string deep_xml = rss(item(1));
    deep_xml.insert(deep_xml.find("</channel>"), std::string(100000, '<') + "x");
    EXPECT_NO_FATAL_FAILURE((void)map_feed(deep_xml, kContext));
    std::string nested = "<rss><channel>";
    for (int i = 0; i < 100000; ++i)
        nested += "<item>";
    EXPECT_FALSE(map_feed(nested, kContext));

    const auto bad_bytes = map_feed(
        rss("<item><title>Tin \xC3\x28 h\xFFng</title><link>https://tin.example.vn/a</link>"
            "<description>T\xE1\xBB\xA9 \xE1\xBB</description></item>"),
        kContext);
    ASSERT_TRUE(bad_bytes);
    ASSERT_EQ(bad_bytes->size(), 1U);
    EXPECT_EQ((*bad_bytes)[0].title, "Tin \uFFFD( h\uFFFDng");
    EXPECT_TRUE(is_valid_utf8((*bad_bytes)[0].lead));
}

TEST(FeedLimits, LongLeadsAreCutAtAWord) {
    std::string words;
    for (int i = 0; i < 300; ++i)
        words += "chữ ";
    const auto items = map_feed(rss(item(1, "<description>" + words + "</description>")), kContext);
    ASSERT_TRUE(items);
    const std::string& lead = (*items)[0].lead;
    EXPECT_TRUE(lead.ends_with(" chữ…")) << lead;
    EXPECT_LT(lead.size(), words.size());
    EXPECT_EQ(lead.find("  "), std::string::npos);
}

}  // namespace
}  // namespace papyr::feeds
