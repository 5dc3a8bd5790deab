#include "main/tasks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

using test::drain;
using ::testing::ElementsAre;
using FeedCall = std::pair<std::string, std::string>;

NewsFeedItem headline(std::string id) {
    NewsFeedItem item;
    item.id = std::move(id);
    item.title = "T";
    item.link = "https://demo.invalid/" + item.id;
    return item;
}

class TaskBodyTest : public ::testing::Test {
  protected:
    FeedFetchFn answering(Result<std::vector<NewsFeedItem>> answer) {
        return [this, answer](const std::string& source, const std::string& category) {
            feed_calls_.emplace_back(source, category);
            return answer;
        };
    }

    std::pair<Sender<WorkerMessage>, Receiver<WorkerMessage>> channel_ =
        make_channel<WorkerMessage>();
    test::LogCollector log_;
    std::vector<FeedCall> feed_calls_;
};

TEST_F(TaskBodyTest, InitialFetchLogsTheRequestAndOneResultLineAndSendsForTheFirstFeed) {
    const std::string request = "[Main] Starting initial feed fetch: source=vnexpress, cat=tin-moi";
    initial_feed_fetch_task(channel_.first, "vnexpress", "tin-moi",
                            answering(std::vector{headline("a"), headline("b")}), log_.fn());
    EXPECT_THAT(log_.lines, ElementsAre(request, "[Main] Initial feed fetch success: 2 items"));

    log_.lines.clear();
    initial_feed_fetch_task(channel_.first, "vnexpress", "tin-moi",
                            answering(fail("Lỗi máy chủ không xác định")), log_.fn());
    EXPECT_THAT(log_.lines, ElementsAre(request,
                                        "[Main] Initial feed fetch failed: Lỗi máy chủ "
                                        "không xác định"));

    EXPECT_THAT(feed_calls_,
                ElementsAre(FeedCall("vnexpress", "tin-moi"), FeedCall("vnexpress", "tin-moi")));
    EXPECT_THAT(drain(channel_.second),
                ElementsAre("FeedLoaded 0/0: a b", "FeedFailed: Lỗi máy chủ không xác định"));
}

TEST_F(TaskBodyTest, RefreshReportsTheIndicesItWasGiven) {
    feed_refresh_task(channel_.first, "dantri", "xa-hoi", 2, 1,
                      answering(std::vector{headline("c")}));
    feed_refresh_task(channel_.first, "dantri", "xa-hoi", 2, 1, answering(fail("Lỗi X")));

    EXPECT_THAT(feed_calls_,
                ElementsAre(FeedCall("dantri", "xa-hoi"), FeedCall("dantri", "xa-hoi")));
    EXPECT_THAT(drain(channel_.second), ElementsAre("FeedLoaded 2/1: c", "FeedFailed: Lỗi X"));
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
    EXPECT_THAT(drain(channel_.second), ElementsAre("ArticleLoaded: https://demo.invalid/a A",
                                                    "ArticleFailed: Nội dung bài viết trống"));
}

TEST(TaskEffects, StartsAFeedRefreshOnItsOwnThreadAgainstTheCompiledApi) {
    test::FakeProgramDir fakes;
    fakes.add_recording_script(
        "curl", R"(printf '%s' '{"success":true,"items":[{"id":"x","title":"X","link":"L"}]}')");
    auto [sender, receiver] = make_channel<WorkerMessage>();
    TaskEffects effects(sender, Paths{});

    effects.start_feed_refresh("bbc-world", "science", 5, 3);

    EXPECT_THAT(test::wait_for_messages(receiver, 1), ElementsAre("FeedLoaded 5/3: x"));
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
    EXPECT_THAT(test::wait_for_messages(receiver, 1), ElementsAre("ArticleLoaded: abc T"));
    // Written before the message was sent.
    EXPECT_TRUE(std::filesystem::exists(dir / "card" / article_cache_file_name("abc")));

    EXPECT_TRUE(effects.toggle_bookmark(headline("a")));
    EXPECT_TRUE(std::filesystem::exists(dir / "card/bookmarks.json"));
    EXPECT_FALSE(effects.toggle_bookmark(headline("a")));
    EXPECT_EQ(test::read_file(dir / "card/bookmarks.json"), "[]");
}

}  // namespace
}  // namespace papyr
