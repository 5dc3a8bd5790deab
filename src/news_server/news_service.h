#pragma once

// The answers of the news API: a catalogue entry's headlines and an
// article's text, as the reader's records in compact JSON, from the fastest
// place that has them:
//   memory     a feed fetched in the last few minutes;
//   disk       the copy kept in the data folder (feeds and articles), also
//              the stale copy answered when the publisher cannot be reached,
//              before and after a restart;
//   publisher  fetched now (concurrent requests for the same feed or article
//              share one fetch);
//   demo       in demo mode, the built-in set for what could not be fetched
//              and was never kept.
// After a feed is fetched, its first articles are fetched and extracted in
// the background, so that opening them is instant and works offline later.
//
// Bounds that requests cannot lift: every answer by its deadline; at most
// max_extractions pages parsed at once (the largest use of memory: the rest
// wait for a slot within their deadline); the cache files' sizes; a failed
// feed or article not asked for again at once. Whatever fails inside, even
// by an exception, ends in an answer without internal text, and leaves the
// URL free for the next request.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "base/diagnostics.h"
#include "base/single_flight.h"
#include "base/slots.h"
#include "news_server/demo_content.h"
#include "news_server/disk_cache.h"
#include "news_server/publisher_fetch.h"
#include "news_server/sources.h"

namespace papyr::news_server {

enum class AnswerOrigin { None, Memory, Disk, Publisher, Demo };

std::string_view origin_name(AnswerOrigin origin);

struct Answer {
    int status = 200;
    std::string body;  // compact JSON
    std::string cache_control;
    AnswerOrigin origin = AnswerOrigin::None;
    // For the log line: why a copy was answered instead of a fresh one, or
    // what failed.
    std::string note;
};

struct ServiceSettings {
    // How long a fetched feed is answered without asking the publisher.
    std::chrono::seconds feed_fresh_for{300};
    // After a failed fetch, how long a kept copy is answered at once instead
    // of making every reader wait for the publisher again.
    std::chrono::seconds retry_after{60};
    // Every answer is ready by then, well inside the reader's 12 seconds.
    std::chrono::milliseconds answer_deadline{9000};
    // After an article could not be fetched or read, how long that failure
    // is answered at once.
    std::chrono::seconds article_retry_after{30};
    int max_extractions = 2;
    std::size_t prefetch_articles = 5;  // per fetched feed; 0 turns it off
    std::uint64_t article_cache_bytes = 64ULL * 1024 * 1024;
    std::uint64_t feed_cache_bytes = 16ULL * 1024 * 1024;
    bool demo = false;
};

// The seam extraction goes through (extraction::extract_article).
using Extractor = std::function<Result<ArticleDetail>(const extraction::Page&)>;

// Time, so tests can move it.
struct ServiceClock {
    std::function<std::chrono::steady_clock::time_point()> steady = [] {
        return std::chrono::steady_clock::now();
    };
    std::function<std::chrono::system_clock::time_point()> wall = [] {
        return std::chrono::system_clock::now();
    };
};

class NewsService {
  public:
    // `cache_folder` holds "feeds/" and "articles/". `log` receives the
    // lines of background work (prefetching).
    NewsService(Sources sources, ServiceSettings settings,
                const std::filesystem::path& cache_folder, Fetcher fetch, LogFn log,
                ServiceClock clock = {}, Extractor extract = extraction::extract_article);
    ~NewsService();
    NewsService(const NewsService&) = delete;
    NewsService& operator=(const NewsService&) = delete;

    Answer feed(std::string_view source_id, std::string_view category_id);
    Answer article(std::string_view url);

    // Waits until the background queue is empty and idle (tests, benchmark).
    void wait_for_prefetch();

  private:
    struct MemoryFeed {
        std::string body;
        // When it was fetched; nothing for a copy known to be stale.
        std::optional<std::chrono::steady_clock::time_point> fetched;
    };

    std::optional<Answer> fresh_feed(const std::string& key);
    Answer fetch_feed_once(const Publisher& publisher, const Category& category,
                           const std::string& key);
    std::optional<Answer> disk_feed_after_restart(const std::string& key);
    std::optional<MemoryFeed> read_feed_file(const std::string& key);
    std::optional<Answer> kept_feed(const std::string& key, std::string note);
    void remember(const std::string& key, MemoryFeed feed);
    void note_failure(const std::string& key);
    bool failed_recently(const std::string& key);
    std::optional<Answer> demo_feed(const Publisher& publisher, const Category& category,
                                    std::string note) const;

    Answer article_once(const Publisher& publisher, const HttpsUrl& url, const std::string& asked);
    Answer read_article(const Publisher& publisher, const std::string& asked,
                        const FetchResult& fetched, SteadyTime deadline);
    std::optional<Answer> kept_article(const std::string& url);
    std::optional<Answer> recent_article_failure(const std::string& url);
    void remember_article_failure(const std::string& url, const Answer& failure);
    std::optional<Answer> demo_article(std::string_view url) const;

    void schedule_prefetch(const std::vector<NewsFeedItem>& items);
    void prefetch_loop();

    Sources sources_;
    ServiceSettings settings_;
    DiskCache feed_files_;
    DiskCache article_files_;
    Fetcher fetch_;
    LogFn log_;
    ServiceClock clock_;
    Extractor extract_;
    Slots extraction_slots_;
    std::optional<DemoContent> demo_;

    std::mutex memory_mutex_;
    std::map<std::string, MemoryFeed> memory_;
    std::map<std::string, std::chrono::steady_clock::time_point> retry_not_before_;
    SingleFlight<Answer> feed_flights_;
    SingleFlight<Answer> article_flights_;
    struct FailedArticle {
        Answer answer;
        std::chrono::steady_clock::time_point until;
    };
    std::map<std::string, FailedArticle> failed_articles_;

    std::mutex prefetch_mutex_;
    std::condition_variable prefetch_changed_;
    std::deque<std::string> prefetch_queue_;
    bool prefetch_busy_ = false;
    bool stopping_ = false;
    std::thread prefetcher_;
};

// The answer for a failure, with the reader's record and no caching.
[[nodiscard]] Answer feed_failure(int status, std::string message);
[[nodiscard]] Answer article_failure(int status, std::string message);

}  // namespace papyr::news_server
