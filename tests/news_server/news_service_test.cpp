#include "news_server/news_service.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "news_api/json.h"
#include "news_api/url_hash.h"
#include "news_server/program.h"
#include "support/temp.h"

namespace papyr::news_server {
namespace {

using namespace std::chrono_literals;

const std::string kFeedUrl = "https://vnexpress.net/rss/tin-moi-nhat.rss";

// The publishers as the service meets them: answers by URL, every request
// counted. Fault injection: a URL can fail, or be slow.
class FakePublishers {
  public:
    void serve(const std::string& url, std::string body) {
        const std::lock_guard lock(mutex_);
        pages_[url] = FetchResult{FetchProblem::None, 200, url, std::move(body), {}, {}};
    }
    void fail(const std::string& url, FetchProblem problem) {
        const std::lock_guard lock(mutex_);
        pages_[url] = FetchResult{problem, 0, url, {}, "injected", {}};
    }
    void go_offline() {
        const std::lock_guard lock(mutex_);
        offline_ = true;
    }
    void set_delay(std::chrono::milliseconds delay) { delay_ = delay; }
    // The next fetch of `url` throws, as an allocation or a thread may.
    void throw_once(const std::string& url) {
        const std::lock_guard lock(mutex_);
        throw_for_ = url;
    }
    int calls(const std::string& url) {
        const std::lock_guard lock(mutex_);
        return calls_[url];
    }
    int total_calls() {
        const std::lock_guard lock(mutex_);
        int total = 0;
        for (const auto& [url, count] : calls_)
            total += count;
        return total;
    }

    Fetcher fetcher() {
        return [this](const FetchRequest& request) {
            std::this_thread::sleep_for(delay_.load());
            const std::string url = to_string(request.url);
            const std::lock_guard lock(mutex_);
            ++calls_[url];
            if (url == throw_for_) {
                throw_for_.clear();
                throw std::runtime_error("secret internal detail");
            }
            if (offline_)
                return FetchResult{FetchProblem::Unreachable, 0, url, {}, "offline", {}};
            const auto found = pages_.find(url);
            if (found == pages_.end())
                return FetchResult{FetchProblem::HttpStatus, 404, url, {}, "HTTP 404", {}};
            return found->second;
        };
    }

  private:
    std::mutex mutex_;
    std::map<std::string, FetchResult> pages_;
    std::map<std::string, int> calls_;
    std::string throw_for_;
    bool offline_ = false;
    std::atomic<std::chrono::milliseconds> delay_{0ms};
};

std::string rss(const std::vector<std::pair<std::string, std::string>>& items) {
    std::string text =
        R"(<?xml version="1.0" encoding="UTF-8"?><rss version="2.0"><channel><title>T</title>)";
    for (const auto& [link, date] : items) {
        text += "<item><title>Tin " + link.substr(link.rfind('/') + 1) + "</title><link>" + link +
                "</link><pubDate>" + date + "</pubDate></item>";
    }
    return text + "</channel></rss>";
}

std::string article_page(const std::string& title) {
    return "<html><head><meta name=\"description\" content=\"Tóm tắt\"></head><body><h1>" + title +
           "</h1><p>Đoạn một của bài.</p><p>Đoạn hai của bài.</p></body></html>";
}

Sources repository_sources() {
    auto sources =
        load_sources(std::filesystem::path(PAPYR_SOURCE_DIR) / "packaging" / "sources.json");
    EXPECT_TRUE(sources) << sources.error();
    return std::move(sources).value();
}

// A clock the test moves by hand.
struct ManualClock {
    std::atomic<std::chrono::steady_clock::duration> steady{std::chrono::hours(1000)};
    std::atomic<std::chrono::system_clock::duration> wall_offset{0s};

    ServiceClock clock() {
        return ServiceClock{
            [this] { return std::chrono::steady_clock::time_point(steady.load()); },
            [this] { return std::chrono::system_clock::now() + wall_offset.load(); }};
    }
    void advance(std::chrono::seconds by) {
        steady = steady.load() + by;
        wall_offset = wall_offset.load() + by;
    }
};

class NewsServiceTest : public ::testing::Test {
  protected:
    std::unique_ptr<NewsService> start(ServiceSettings settings = quiet_settings()) {
        return std::make_unique<NewsService>(
            repository_sources(), settings, dir_ / "cache", publishers_.fetcher(),
            [this](std::string_view line) {
                const std::lock_guard lock(log_mutex_);
                log_.emplace_back(line);
            },
            clock_.clock());
    }
    static ServiceSettings quiet_settings() {
        ServiceSettings settings;
        settings.prefetch_articles = 0;
        return settings;
    }
    static FeedResponse decode_feed(const Answer& answer) {
        auto response = decode_feed_response(answer.body);
        EXPECT_TRUE(response) << answer.body;
        return response ? *response : FeedResponse{};
    }

    test::TempDir dir_;
    FakePublishers publishers_;
    ManualClock clock_;
    std::mutex log_mutex_;
    std::vector<std::string> log_;
};

TEST_F(NewsServiceTest, AFreshFeedComesFromMemoryThenTheKeptCopyWhenThePublisherIsDown) {
    publishers_.serve(kFeedUrl,
                      rss({{"https://vnexpress.net/a-1.html", "Thu, 06 Feb 2025 20:30:48 +0700"}}));
    auto service = start();

    const Answer first = service->feed("vnexpress", "tin-moi");
    EXPECT_EQ(first.origin, AnswerOrigin::Publisher);
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.cache_control, "public, max-age=300");
    const FeedResponse response = decode_feed(first);
    ASSERT_TRUE(response.success);
    ASSERT_EQ(response.items->size(), 1U);
    EXPECT_EQ((*response.items)[0].source_name, "VnExpress");

    clock_.advance(120s);
    const Answer again = service->feed("vnexpress", "tin-moi");
    EXPECT_EQ(again.origin, AnswerOrigin::Memory);
    EXPECT_EQ(again.body, first.body);
    EXPECT_EQ(again.cache_control, "public, max-age=180");
    EXPECT_EQ(publishers_.calls(kFeedUrl), 1);

    // Past the freshness time the publisher is asked again; down, its last
    // copy is answered instead of an error, and for a while without asking.
    clock_.advance(200s);
    publishers_.go_offline();
    const Answer stale = service->feed("vnexpress", "tin-moi");
    EXPECT_EQ(stale.status, 200);
    EXPECT_EQ(stale.origin, AnswerOrigin::Memory);
    EXPECT_EQ(stale.body, first.body);
    EXPECT_EQ(stale.cache_control, "public, max-age=30");
    EXPECT_EQ(publishers_.calls(kFeedUrl), 2);
    EXPECT_EQ(service->feed("vnexpress", "tin-moi").body, first.body);
    EXPECT_EQ(publishers_.calls(kFeedUrl), 2);
}

TEST_F(NewsServiceTest, AfterARestartTheDiskCopyIsAnsweredFreshOrWhenThePublisherIsDown) {
    publishers_.serve(kFeedUrl, rss({{"https://vnexpress.net/a-1.html", ""}}));
    const std::string body = start()->feed("vnexpress", "tin-moi").body;

    // Within the freshness time a restart costs no fetch.
    clock_.advance(60s);
    const Answer fresh = start()->feed("vnexpress", "tin-moi");
    EXPECT_EQ(fresh.origin, AnswerOrigin::Disk);
    EXPECT_EQ(fresh.body, body);
    EXPECT_EQ(publishers_.calls(kFeedUrl), 1);

    clock_.advance(3600s);
    publishers_.go_offline();
    const Answer kept = start()->feed("vnexpress", "tin-moi");
    EXPECT_EQ(kept.status, 200);
    EXPECT_EQ(kept.origin, AnswerOrigin::Disk);
    EXPECT_EQ(kept.body, body);
    EXPECT_EQ(publishers_.calls(kFeedUrl), 2);
}

TEST_F(NewsServiceTest, ADamagedDiskCopyIsIgnoredAndReplaced) {
    publishers_.serve(kFeedUrl, rss({{"https://vnexpress.net/a-1.html", ""}}));
    const std::string body = start()->feed("vnexpress", "tin-moi").body;
    const auto file = dir_ / "cache" / "feeds" / "vnexpress_tin-moi.json";
    ASSERT_EQ(test::read_file(file), body);
    test::write_file(file, body.substr(0, body.size() / 2));

    publishers_.go_offline();
    const Answer nothing = start()->feed("vnexpress", "tin-moi");
    EXPECT_EQ(nothing.status, 502);
    EXPECT_EQ(decode_feed(nothing).error, "Không kết nối được tới VnExpress");
    EXPECT_EQ(nothing.cache_control, "no-store");

    FakePublishers back;
    back.serve(kFeedUrl, rss({{"https://vnexpress.net/b-2.html", ""}}));
    NewsService service(
        repository_sources(), quiet_settings(), dir_ / "cache", back.fetcher(),
        [](std::string_view) {}, clock_.clock());
    EXPECT_EQ(service.feed("vnexpress", "tin-moi").origin, AnswerOrigin::Publisher);
    EXPECT_TRUE(decode_feed_response(test::read_file(file)));
}

TEST_F(NewsServiceTest, ConcurrentRequestsForOneFeedShareOneFetch) {
    publishers_.serve(kFeedUrl, rss({{"https://vnexpress.net/a-1.html", ""}}));
    publishers_.set_delay(300ms);
    auto service = start();
    std::vector<std::thread> readers;
    std::vector<Answer> answers(8);
    for (std::size_t i = 0; i < answers.size(); ++i)
        readers.emplace_back([&, i] { answers[i] = service->feed("vnexpress", "tin-moi"); });
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(publishers_.calls(kFeedUrl), 1);
    for (const Answer& answer : answers) {
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.body, answers[0].body);
    }
}

TEST_F(NewsServiceTest, AlternativesAreTriedInOrderAndMergedFeedsAreJoinedNewestFirst) {
    // Tuổi Trẻ's first feed of "thoi-su" is gone; its second answers.
    publishers_.serve("https://tuoitre.vn/rss/thoi-su.rss",
                      rss({{"https://tuoitre.vn/b-1.htm", ""}}));
    auto service = start();
    const FeedResponse alternative = decode_feed(service->feed("tuoitre", "thoi-su"));
    ASSERT_TRUE(alternative.success);
    EXPECT_EQ((*alternative.items)[0].link, "https://tuoitre.vn/b-1.htm");
    EXPECT_EQ(publishers_.calls("https://tuoitre.vn/thoi-su.rss"), 1);

    // Dân Trí's stale "xa-hoi" is merged with its successor.
    publishers_.serve("https://dantri.com.vn/rss/xa-hoi.rss",
                      rss({{"https://dantri.com.vn/old.htm", "Mon, 05 May 2025 08:00:00 +0700"},
                           {"https://dantri.com.vn/both.htm", "Tue, 06 May 2025 08:00:00 +0700"}}));
    publishers_.serve("https://dantri.com.vn/rss/thoi-su.rss",
                      rss({{"https://dantri.com.vn/both.htm", "Tue, 06 May 2025 08:00:00 +0700"},
                           {"https://dantri.com.vn/new.htm", "Thu, 05 Jun 2025 09:00:00 +0700"},
                           {"https://dantri.com.vn/undated.htm", ""}}));
    const FeedResponse merged = decode_feed(service->feed("dantri", "xa-hoi"));
    ASSERT_TRUE(merged.success);
    std::vector<std::string> links;
    for (const NewsFeedItem& item : *merged.items)
        links.push_back(item.link);
    EXPECT_EQ(links, (std::vector<std::string>{
                         "https://dantri.com.vn/new.htm", "https://dantri.com.vn/both.htm",
                         "https://dantri.com.vn/old.htm", "https://dantri.com.vn/undated.htm"}));
}

TEST_F(NewsServiceTest, FailuresAreShortVietnameseMessagesWithSoundStatuses) {
    publishers_.fail(kFeedUrl, FetchProblem::TimedOut);
    publishers_.serve("https://vnexpress.net/rss/thoi-su.rss",
                      "<html><body>Bad gateway</body></html>");
    auto service = start();
    const struct {
        Answer answer;
        int status;
        std::string message;
    } cases[] = {
        {service->feed("nope", "tin-moi"), 404, "Không có nguồn tin 'nope'"},
        {service->feed("vnexpress", "xa-hoi"), 404,
         "Nguồn 'vnexpress' không có chuyên mục 'xa-hoi'"},
        {service->feed("vnexpress", "tin-moi"), 504, "VnExpress không phản hồi kịp"},
    };
    for (const auto& [answer, status, message] : cases) {
        EXPECT_EQ(answer.status, status) << message;
        EXPECT_EQ(decode_feed(answer).error, message);
        EXPECT_FALSE(decode_feed(answer).success);
    }
    // A document that is no feed: the feed reader's own message.
    const Answer malformed = service->feed("vnexpress", "thoi-su");
    EXPECT_EQ(malformed.status, 502);
    EXPECT_FALSE(decode_feed(malformed).error.value_or("").empty());
}

TEST_F(NewsServiceTest, ArticlesOfOtherHostsAreRefusedWithoutAnyRequest) {
    auto service = start();
    const std::vector<std::pair<std::string, int>> cases{
        {"https://evil.example/vnexpress.net/a.html", 403},
        {"https://vnexpress.net.evil.example/a.html", 403},
        {"https://127.0.0.1:4548/healthz", 403},
        {"http://169.254.169.254/latest/meta-data", 403},
        {"file:///etc/passwd", 400},
        {"gopher://vnexpress.net/a", 400},
        {"not a url", 400},
        // Hosts that only end in a publisher's domain: curl 7.54 would
        // connect to the address in the brackets.
        {"http://[::ffff:127.0.0.1].vnexpress.net/secret", 400},
        {"https://a%2f.vnexpress.net/a.html", 400},
    };
    for (const auto& [url, status] : cases) {
        const Answer answer = service->article(url);
        EXPECT_EQ(answer.status, status) << url;
        auto response = decode_article_response(answer.body);
        ASSERT_TRUE(response) << answer.body;
        EXPECT_FALSE(response->success);
    }
    EXPECT_EQ(publishers_.total_calls(), 0);
}

TEST_F(NewsServiceTest, AnArticleIsExtractedOnceKeptOnDiskAndCarriesTheAskedUrl) {
    const std::string url = "https://vnexpress.net/bai-viet-4812345.html";
    publishers_.serve(url, article_page("Tiêu đề bài"));
    auto service = start();
    const Answer first = service->article(url);
    ASSERT_EQ(first.status, 200) << first.body;
    EXPECT_EQ(first.origin, AnswerOrigin::Publisher);
    const auto response = decode_article_response(first.body);
    ASSERT_TRUE(response && response->article);
    EXPECT_EQ(response->article->url, url);
    EXPECT_EQ(response->article->source, "VnExpress");
    EXPECT_EQ(response->article->title, "Tiêu đề bài");

    publishers_.go_offline();
    const Answer kept = start()->article(url);
    EXPECT_EQ(kept.origin, AnswerOrigin::Disk);
    EXPECT_EQ(kept.body, first.body);
    EXPECT_EQ(publishers_.calls(url), 1);

    // A page without article text is an error, not an empty article.
    const std::string empty = "https://vnexpress.net/trang-trong.html";
    FakePublishers other;
    other.serve(empty, "<html><body><div>menu</div></body></html>");
    NewsService service2(
        repository_sources(), quiet_settings(), dir_ / "cache2", other.fetcher(),
        [](std::string_view) {}, clock_.clock());
    const Answer no_text = service2.article(empty);
    EXPECT_EQ(no_text.status, 502);
    EXPECT_FALSE(
        std::filesystem::exists(dir_ / "cache2" / "articles" / article_cache_file_name(empty)));
}

TEST_F(NewsServiceTest, AnExceptionInAFetchIsAnAnswerAndTheNextRequestGetsTheArticle) {
    const std::string url = "https://vnexpress.net/bai-4812345.html";
    publishers_.serve(url, article_page("Bài"));
    publishers_.throw_once(url);
    auto service = start();
    const Answer failed = service->article(url);
    EXPECT_EQ(failed.status, 500);
    EXPECT_EQ(failed.cache_control, "no-store");
    EXPECT_EQ(failed.body.find("secret"), std::string::npos) << failed.body;
    EXPECT_NE(failed.note.find("secret internal detail"), std::string::npos);
    EXPECT_EQ(service->article(url).status, 200);
    EXPECT_EQ(publishers_.calls(url), 2);

    publishers_.serve(kFeedUrl, rss({{"https://vnexpress.net/a-1.html", ""}}));
    publishers_.throw_once(kFeedUrl);
    EXPECT_EQ(service->feed("vnexpress", "tin-moi").status, 500);
    EXPECT_EQ(service->feed("vnexpress", "tin-moi").status, 200);
}

TEST_F(NewsServiceTest, AFailedArticleIsAnsweredAtOnceForAWhileThenAskedForAgain) {
    const std::string url = "https://vnexpress.net/bai-4812345.html";
    publishers_.fail(url, FetchProblem::TimedOut);
    auto service = start();
    EXPECT_EQ(service->article(url).status, 504);
    const Answer again = service->article(url);
    EXPECT_EQ(again.status, 504);
    EXPECT_EQ(publishers_.calls(url), 1);
    // A page without article text counts as failed too.
    const std::string empty = "https://vnexpress.net/trang-trong.html";
    publishers_.serve(empty, "<html><body><div>menu</div></body></html>");
    EXPECT_EQ(service->article(empty).status, 502);
    EXPECT_EQ(service->article(empty).status, 502);
    EXPECT_EQ(publishers_.calls(empty), 1);

    clock_.advance(31s);
    publishers_.serve(url, article_page("Bài"));
    EXPECT_EQ(service->article(url).status, 200);
    EXPECT_EQ(publishers_.calls(url), 2);
}

TEST_F(NewsServiceTest, AtMostTwoPagesAreExtractedAtOnceTheOthersWaitWithinTheirDeadline) {
    const auto page = [](int i) {
        return "https://vnexpress.net/bai-" + std::to_string(i) + ".html";
    };
    for (int i = 0; i < 3; ++i)
        publishers_.serve(page(i), article_page("Bài"));
    ServiceSettings settings = quiet_settings();
    settings.answer_deadline = 1500ms;
    // Extractions hold their slot until the test lets them go (or a third
    // one starts, which must not happen).
    std::mutex mutex;
    std::condition_variable changed;
    int started = 0;
    bool released = false;
    NewsService service(
        repository_sources(), settings, dir_ / "cache", publishers_.fetcher(),
        [](std::string_view) {}, clock_.clock(),
        [&](const extraction::Page& fetched) {
            std::unique_lock lock(mutex);
            ++started;
            changed.notify_all();
            changed.wait(lock, [&] { return released || started > 2; });
            lock.unlock();
            return extraction::extract_article(fetched);
        });
    std::array<int, 2> statuses{};
    std::vector<std::thread> readers;
    readers.emplace_back([&] { statuses[0] = service.article(page(0)).status; });
    readers.emplace_back([&] { statuses[1] = service.article(page(1)).status; });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return started == 2; });
    }
    const Answer busy = service.article(page(2));
    EXPECT_EQ(busy.status, 503);
    EXPECT_EQ(decode_article_response(busy.body)->error, "Máy chủ đang bận, thử lại sau");
    {
        const std::lock_guard lock(mutex);
        EXPECT_EQ(started, 2);
        released = true;
    }
    changed.notify_all();
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(statuses, (std::array<int, 2>{200, 200}));
    // Being busy is no failure of the page: it is fetched again.
    EXPECT_EQ(service.article(page(2)).status, 200);
}

TEST_F(NewsServiceTest, WhatLiesInPlaceOfACacheFileIsAMissAnsweredInTime) {
    const std::string url = "https://vnexpress.net/bai-4812345.html";
    publishers_.serve(url, article_page("Bài"));
    publishers_.serve(kFeedUrl, rss({{"https://vnexpress.net/a-1.html", ""}}));
    publishers_.serve("https://vnexpress.net/rss/thoi-su.rss",
                      rss({{"https://vnexpress.net/a-2.html", ""}}));
    const auto feeds = dir_ / "cache" / "feeds";
    const auto articles = dir_ / "cache" / "articles";
    std::filesystem::create_directories(feeds);
    std::filesystem::create_directories(articles);
    // A FIFO blocks whoever opens it to read; /dev/zero never ends.
    ASSERT_EQ(::mkfifo((articles / article_cache_file_name(url)).c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", feeds / "vnexpress_tin-moi.json");
    std::filesystem::create_directory(feeds / "vnexpress_thoi-su.json");
    auto service = start();
    EXPECT_EQ(service->article(url).origin, AnswerOrigin::Publisher);
    EXPECT_EQ(service->feed("vnexpress", "tin-moi").origin, AnswerOrigin::Publisher);
    EXPECT_EQ(service->feed("vnexpress", "thoi-su").origin, AnswerOrigin::Publisher);
    // The fresh copies took the places of the FIFO and the link.
    EXPECT_EQ(start()->article(url).origin, AnswerOrigin::Disk);
    EXPECT_TRUE(std::filesystem::is_regular_file(
        std::filesystem::symlink_status(feeds / "vnexpress_tin-moi.json")));
}

TEST_F(NewsServiceTest, TheFirstArticlesOfAFetchedFeedAreFetchedInTheBackground) {
    std::vector<std::pair<std::string, std::string>> items;
    for (int i = 1; i <= 5; ++i) {
        const std::string link = "https://vnexpress.net/bai-" + std::to_string(i) + ".html";
        items.emplace_back(link, "");
        publishers_.serve(link, article_page("Bài " + std::to_string(i)));
    }
    publishers_.serve(kFeedUrl, rss(items));
    ServiceSettings settings;
    settings.prefetch_articles = 3;
    auto service = start(settings);
    ASSERT_EQ(service->feed("vnexpress", "tin-moi").status, 200);
    service->wait_for_prefetch();
    for (int i = 1; i <= 5; ++i) {
        const std::string link = "https://vnexpress.net/bai-" + std::to_string(i) + ".html";
        EXPECT_EQ(publishers_.calls(link), i <= 3 ? 1 : 0) << link;
    }
    publishers_.go_offline();
    EXPECT_EQ(service->article("https://vnexpress.net/bai-2.html").origin, AnswerOrigin::Disk);
}

TEST_F(NewsServiceTest, DemoModeAnswersTheDemoSetForWhatWasNeverKept) {
    publishers_.go_offline();
    ServiceSettings settings = quiet_settings();
    settings.demo = true;
    auto service = start(settings);
    const Answer feed = service->feed("vnexpress", "tin-moi");
    EXPECT_EQ(feed.status, 200);
    EXPECT_EQ(feed.origin, AnswerOrigin::Demo);
    EXPECT_EQ(feed.cache_control, "no-store");
    const FeedResponse response = decode_feed(feed);
    ASSERT_EQ(response.items->size(), 8U);
    const std::string link = (*response.items)[0].link;
    const Answer article = service->article(link);
    EXPECT_EQ(article.origin, AnswerOrigin::Demo);
    EXPECT_EQ(decode_article_response(article.body)->article->url, link);
    // The publisher that just failed is not waited for again.
    EXPECT_EQ(service->feed("vnexpress", "tin-moi").origin, AnswerOrigin::Demo);
    EXPECT_EQ(publishers_.calls(kFeedUrl), 1);
    clock_.advance(61s);
    EXPECT_EQ(service->feed("vnexpress", "tin-moi").origin, AnswerOrigin::Demo);
    EXPECT_EQ(publishers_.calls(kFeedUrl), 2);
    // Without demo mode the same offline service has nothing to show.
    EXPECT_EQ(start()->feed("vnexpress", "tin-moi").status, 502);
}

}  // namespace
}  // namespace papyr::news_server
