#include "news_api/feed.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/news_server.h"

// fetch_feed: how each kind of server answer becomes headlines or a message.

namespace papyr {
namespace {

std::vector<std::string> ids_of(const std::vector<NewsFeedItem>& items) {
    std::vector<std::string> ids;
    for (const NewsFeedItem& item : items)
        ids.push_back(item.id);
    return ids;
}

TEST(FeedItemsFromBody, SuccessGivesTheItemsInTheServersOrderOrAnEmptyList) {
    struct Case {
        const char* body;
        std::vector<std::string> ids;
    };
    const Case cases[] = {
        {R"({"success":true,"items":[{"id":"b","title":"B","link":"l2"},)"
         R"({"id":"a","title":"A","link":"l1"}]})",
         {"b", "a"}},
        {R"({"success":true,"items":[]})", {}},
        {R"({"success":true})", {}},
        // An error text next to success is not a failure.
        {R"({"success":true,"error":"ignored","items":[{"id":"x","title":"X","link":"l"}]})",
         {"x"}},
    };
    for (const Case& c : cases) {
        const Result<std::vector<NewsFeedItem>> items = feed_items_from_body(c.body);
        ASSERT_TRUE(items.has_value()) << c.body << " -> " << items.error();
        EXPECT_EQ(ids_of(*items), c.ids) << c.body;
    }
}

TEST(FeedItemsFromBody, FailuresCarryTheServersTextOrTheDecodersDescription) {
    struct Case {
        const char* body;
        std::string message;
    };
    const Case cases[] = {
        {R"({"success":false,"error":"Nguồn tạm ngưng"})", "Nguồn tạm ngưng"},
        {R"({"success":false})", "Lỗi máy chủ không xác định"},
        {R"({"success":false,"error":null})", "Lỗi máy chủ không xác định"},
        // Items that come with a failure are dropped.
        {R"({"success":false,"items":[{"id":"x","title":"X","link":"l"}]})",
         "Lỗi máy chủ không xác định"},
        {"<html><body>502 Bad Gateway</body></html>",
         "Lỗi phân tích JSON Feed: expected value at line 1 column 1"},
        {R"({"success":true,"items":[{"id":"a","title":"A","link":"l"},{"id":"b","title":"B"}]})",
         "Lỗi phân tích JSON Feed: missing field `link` at line 1 column 81"},
    };
    for (const Case& c : cases) {
        const Result<std::vector<NewsFeedItem>> items = feed_items_from_body(c.body);
        ASSERT_FALSE(items.has_value()) << c.body;
        EXPECT_EQ(items.error(), c.message) << c.body;
    }
}

class FetchFeedLive : public ::testing::Test {
  protected:
    test::LocalNewsServer server_;
    // The program's own API path, moved to the test server's origin, so the
    // path compiled into the program is checked against the server's routes.
    std::string base_url_ =
        server_.origin() + std::string(api_base_url().substr(api_origin().size()));
};

TEST_F(FetchFeedLive, AsksTheServerForTheSourceAndCategoryAndReturnsItsHeadlines) {
    const Result<std::vector<NewsFeedItem>> items = fetch_feed("vnexpress", "tin-moi", base_url_);

    ASSERT_TRUE(items.has_value()) << items.error();
    ASSERT_EQ(items->size(), 8U);
    EXPECT_EQ(items->front().id, "vnexpress-tin-moi-1");
    EXPECT_EQ(items->front().source_name, "VnExpress");
    EXPECT_EQ(server_.requests(),
              std::vector<std::string>{"GET /api/v1/news/feed?source=vnexpress&category=tin-moi"});
}

TEST_F(FetchFeedLive, ReportsTheFailuresOfTheRequestAndOfTheAnswer) {
    const std::pair<const char*, std::string> cases[] = {
        {"invalid-utf8", "Lỗi giải mã UTF-8: invalid utf-8 sequence of 1 bytes from index 24"},
        {"success-false", "Máy chủ đang bảo trì"},
    };
    for (const auto& [fault, message] : cases) {
        server_.set_fault(fault);
        const Result<std::vector<NewsFeedItem>> items =
            fetch_feed("vnexpress", "tin-moi", base_url_);
        ASSERT_FALSE(items.has_value()) << fault;
        EXPECT_EQ(items.error(), message) << fault;
    }
}

// Takes twelve seconds: real curl's own time limit is what is checked, so a
// stalled server never holds a feed task for longer than that.
TEST_F(FetchFeedLive, AServerThatNeverAnswersIsCutOffAfterTwelveSeconds) {
    server_.set_fault("slow", "feed", 1);
    const auto started = std::chrono::steady_clock::now();
    const Result<std::vector<NewsFeedItem>> items = fetch_feed("vnexpress", "tin-moi", base_url_);
    const auto elapsed = std::chrono::steady_clock::now() - started;

    ASSERT_FALSE(items.has_value());
    EXPECT_EQ(items.error(), "Lỗi kết nối mạng (curl exit code: Some(28))");
    EXPECT_GE(elapsed, std::chrono::milliseconds(11500));
    EXPECT_LT(elapsed, std::chrono::seconds(18));
}

}  // namespace
}  // namespace papyr
