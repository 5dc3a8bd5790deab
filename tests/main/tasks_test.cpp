#include "main/tasks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "main/fakes.h"
#include "news_api/endpoints.h"
#include "news_api/url_hash.h"
#include "support/fake_programs.h"
#include "support/temp.h"

// What each background task sends and logs. The bodies run here on the test's
// own thread with a stand-in fetch; the starters run on real threads with a
// stand-in curl.

namespace papyr {
namespace {

using ::testing::ElementsAre;

NewsFeedItem headline(std::string id) {
    NewsFeedItem item;
    item.id = std::move(id);
    item.title = "T";
    item.link = "https://demo.invalid/" + item.id;
    return item;
}

class TaskBodyTest : public ::testing::Test {
  protected:
    std::pair<Sender<WorkerMessage>, Receiver<WorkerMessage>> channel_ =
        make_channel<WorkerMessage>();
    test::LogCollector log_;
    std::vector<std::pair<std::string, std::string>> feed_calls_;

    FeedFetchFn answering(Result<std::vector<NewsFeedItem>> answer) {
        return [this, answer](const std::string& source, const std::string& category) {
            feed_calls_.emplace_back(source, category);
            return answer;
        };
    }
    // Every message sent, oldest first.
    std::vector<WorkerMessage> sent() {
        std::vector<WorkerMessage> messages;
        while (std::optional<WorkerMessage> message = channel_.second.try_receive())
            messages.push_back(std::move(*message));
        return messages;
    }
};

TEST_F(TaskBodyTest, InitialFetchLogsTheRequestAndItsSuccessThenSendsTheItemsForTheFirstFeed) {
    initial_feed_fetch_task(channel_.first, "vnexpress", "tin-moi",
                            answering(std::vector{headline("a"), headline("b")}), log_.fn());

    EXPECT_THAT(log_.lines, ElementsAre("[Main] Starting initial feed fetch: source=vnexpress, "
                                        "cat=tin-moi",
                                        "[Main] Initial feed fetch success: 2 items"));
    EXPECT_THAT(feed_calls_,
                ElementsAre(std::pair<std::string, std::string>("vnexpress", "tin-moi")));
    const std::vector<WorkerMessage> messages = sent();
    ASSERT_EQ(messages.size(), 1U);
    const auto* loaded = std::get_if<FeedLoaded>(&messages[0]);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->items, (std::vector{headline("a"), headline("b")}));
    EXPECT_EQ(loaded->source_index, 0U);
    EXPECT_EQ(loaded->category_index, 0U);
}

TEST_F(TaskBodyTest, InitialFetchLogsOnlyTheFailureWhenItFails) {
    initial_feed_fetch_task(channel_.first, "vnexpress", "tin-moi",
                            answering(fail("Lỗi máy chủ không xác định")), log_.fn());

    EXPECT_THAT(log_.lines, ElementsAre("[Main] Starting initial feed fetch: source=vnexpress, "
                                        "cat=tin-moi",
                                        "[Main] Initial feed fetch failed: Lỗi máy chủ không xác "
                                        "định"));
    const std::vector<WorkerMessage> messages = sent();
    ASSERT_EQ(messages.size(), 1U);
    const auto* failed = std::get_if<FeedFailed>(&messages[0]);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->error, "Lỗi máy chủ không xác định");
}

TEST_F(TaskBodyTest, RefreshReportsTheIndicesItWasGiven) {
    feed_refresh_task(channel_.first, "dantri", "xa-hoi", 2, 1,
                      answering(std::vector<NewsFeedItem>{}));
    feed_refresh_task(channel_.first, "dantri", "xa-hoi", 2, 1, answering(fail("Lỗi X")));

    EXPECT_THAT(feed_calls_, ElementsAre(std::pair<std::string, std::string>("dantri", "xa-hoi"),
                                         std::pair<std::string, std::string>("dantri", "xa-hoi")));
    const std::vector<WorkerMessage> messages = sent();
    ASSERT_EQ(messages.size(), 2U);
    const auto* loaded = std::get_if<FeedLoaded>(&messages[0]);
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(loaded->items.empty());
    EXPECT_EQ(loaded->source_index, 2U);
    EXPECT_EQ(loaded->category_index, 1U);
    const auto* failed = std::get_if<FeedFailed>(&messages[1]);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->error, "Lỗi X");
}

TEST_F(TaskBodyTest, ArticleFetchSendsTheArticleOrTheFailure) {
    ArticleDetail article;
    article.url = "https://demo.invalid/a";
    article.title = "A";
    std::vector<std::string> asked;
    article_fetch_task(channel_.first, article.url, [&](const std::string& link) {
        asked.push_back(link);
        return Result<ArticleDetail>(article);
    });
    article_fetch_task(channel_.first, "https://demo.invalid/b",
                       [](const std::string&) -> Result<ArticleDetail> {
                           return fail("Nội dung bài viết trống");
                       });

    EXPECT_THAT(asked, ElementsAre(article.url));
    const std::vector<WorkerMessage> messages = sent();
    ASSERT_EQ(messages.size(), 2U);
    const auto* loaded = std::get_if<ArticleLoaded>(&messages[0]);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->article, article);
    const auto* failed = std::get_if<ArticleFailed>(&messages[1]);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->error, "Nội dung bài viết trống");
}

// The first message to arrive, waiting up to a deadline for a task thread.
std::optional<WorkerMessage> wait_for_message(Receiver<WorkerMessage>& receiver) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::optional<WorkerMessage> message = receiver.try_receive())
            return message;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::nullopt;
}

TEST(TaskEffects, StartsAFeedRefreshOnItsOwnThreadAgainstTheCompiledApi) {
    test::FakeProgramDir fakes;
    fakes.add_recording_script(
        "curl", R"(printf '%s' '{"success":true,"items":[{"id":"x","title":"X","link":"L"}]}')");
    auto [sender, receiver] = make_channel<WorkerMessage>();
    TaskEffects effects(sender, Paths{});

    effects.start_feed_refresh("bbc-world", "science", 5, 3);

    const std::optional<WorkerMessage> message = wait_for_message(receiver);
    ASSERT_TRUE(message.has_value());
    const auto* loaded = std::get_if<FeedLoaded>(&*message);
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->items.size(), 1U);
    EXPECT_EQ(loaded->items[0].link, "L");
    EXPECT_EQ(loaded->source_index, 5U);
    EXPECT_EQ(loaded->category_index, 3U);
    ASSERT_EQ(fakes.recorded_calls("curl").size(), 1U);
    EXPECT_EQ(fakes.recorded_calls("curl")[0].back(),
              std::string(api_base_url()) + "/feed?source=bbc-world&category=science");
}

TEST(TaskEffects, ArticlesAndBookmarksUseTheGivenCacheFolders) {
    test::TempDir dir;
    Paths paths;
    paths.cache = {(dir / "card").string(), (dir / "local").string()};
    test::FakeProgramDir fakes;
    fakes.add_script(
        "curl",
        R"(printf '%s' '{"success":true,"article":{"url":"abc","source":"S","title":"T"}}')");
    auto [sender, receiver] = make_channel<WorkerMessage>();
    TaskEffects effects(sender, paths);

    effects.start_article_fetch("abc");
    const std::optional<WorkerMessage> message = wait_for_message(receiver);
    ASSERT_TRUE(message.has_value());
    const auto* loaded = std::get_if<ArticleLoaded>(&*message);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->article.title, "T");
    // Written before the message was sent.
    EXPECT_TRUE(std::filesystem::exists(dir / "card" / article_cache_file_name("abc")));

    EXPECT_TRUE(effects.toggle_bookmark(headline("a")));
    EXPECT_TRUE(std::filesystem::exists(dir / "card/bookmarks.json"));
    EXPECT_FALSE(effects.toggle_bookmark(headline("a")));
    EXPECT_EQ(test::read_file(dir / "card/bookmarks.json"), "[]");
}

}  // namespace
}  // namespace papyr
