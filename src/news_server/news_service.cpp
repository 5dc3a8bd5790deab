#include "news_server/news_service.h"

#include <algorithm>

#include "extraction/extract.h"
#include "news_api/json.h"
#include "news_api/url_hash.h"
#include "news_server/feed_retrieval.h"
#include "news_server/messages.h"

namespace papyr::news_server {
namespace {

using SteadyClock = std::chrono::steady_clock;

// A shared cache in front of the service may keep a stale copy briefly, so
// a publisher that is down is not asked by every console.
constexpr std::string_view kStaleCacheControl = "public, max-age=30";
// Articles change rarely once published.
constexpr std::string_view kArticleCacheControl = "public, max-age=86400";
// Neither errors nor demo answers may outlive the moment.
constexpr std::string_view kNoStore = "no-store";
constexpr std::size_t kPrefetchQueueLimit = 64;
// Each cache file, read or written: far above any real feed or article.
constexpr std::size_t kLargestFeedFile = 2 * 1024 * 1024;
constexpr std::size_t kLargestArticleFile = 8 * 1024 * 1024;
// Failed article URLs remembered at once: a reader asking for many broken
// links must not grow the service without end.
constexpr std::size_t kRememberedArticleFailures = 256;

std::string feed_key(std::string_view source_id, std::string_view category_id) {
    return std::string(source_id) + "/" + std::string(category_id);
}

std::string feed_file_name(const std::string& key) {
    std::string name = key;
    std::replace(name.begin(), name.end(), '/', '_');
    return name + ".json";
}

std::string feed_body(std::vector<NewsFeedItem> items) {
    return encode_json(FeedResponse{true, std::move(items), std::nullopt}, JsonLayout::Compact);
}

std::string fresh_cache_control(std::chrono::seconds left) {
    return "public, max-age=" + std::to_string(std::max<std::int64_t>(1, left.count()));
}

Answer success(std::string body, std::string_view cache_control, AnswerOrigin origin,
               std::string note = {}) {
    return Answer{200, std::move(body), std::string(cache_control), origin, std::move(note)};
}

// An exception inside (memory, threads) becomes a 500 whose reason is for
// the log only.
template <class Work>
Answer without_exceptions(const Work& work, Answer (*failure)(int, std::string)) {
    try {
        return work();
    } catch (const std::exception& error) {
        Answer answer = failure(500, messages::internal_error());
        answer.note = std::string("internal error: ") + error.what();
        return answer;
    } catch (...) {
        Answer answer = failure(500, messages::internal_error());
        answer.note = "internal error";
        return answer;
    }
}

}  // namespace

std::string_view origin_name(AnswerOrigin origin) {
    switch (origin) {
        case AnswerOrigin::None:
            return "-";
        case AnswerOrigin::Memory:
            return "memory";
        case AnswerOrigin::Disk:
            return "disk";
        case AnswerOrigin::Publisher:
            return "publisher";
        case AnswerOrigin::Demo:
            return "demo";
    }
    return "-";
}

Answer feed_failure(int status, std::string message) {
    const FeedResponse response{false, std::nullopt, std::move(message)};
    return Answer{status,
                  encode_json(response, JsonLayout::Compact),
                  std::string(kNoStore),
                  AnswerOrigin::None,
                  {}};
}

Answer article_failure(int status, std::string message) {
    const ArticleResponse response{false, std::nullopt, std::move(message)};
    return Answer{status,
                  encode_json(response, JsonLayout::Compact),
                  std::string(kNoStore),
                  AnswerOrigin::None,
                  {}};
}

NewsService::NewsService(Sources sources, ServiceSettings settings,
                         const std::filesystem::path& cache_folder, Fetcher fetch, LogFn log,
                         ServiceClock clock, Extractor extract)
    : sources_(std::move(sources)),
      settings_(settings),
      feed_files_(cache_folder / "feeds", settings.feed_cache_bytes, kLargestFeedFile),
      article_files_(cache_folder / "articles", settings.article_cache_bytes, kLargestArticleFile),
      fetch_(std::move(fetch)),
      log_(std::move(log)),
      clock_(std::move(clock)),
      extract_(std::move(extract)),
      extraction_slots_(std::clamp<std::ptrdiff_t>(settings.max_extractions, 1, 256)) {
    if (settings_.demo) {
        auto demo = load_demo_content();
        if (demo)
            demo_ = std::move(demo).value();
        else
            log_("[Server] The demo set cannot be read: " + demo.error());
    }
    if (settings_.prefetch_articles > 0)
        prefetcher_ = std::thread([this] { prefetch_loop(); });
}

NewsService::~NewsService() {
    {
        const std::lock_guard lock(prefetch_mutex_);
        stopping_ = true;
    }
    prefetch_changed_.notify_all();
    if (prefetcher_.joinable())
        prefetcher_.join();
}

// --- feeds -----------------------------------------------------------------

Answer NewsService::feed(std::string_view source_id, std::string_view category_id) {
    const Publisher* publisher = sources_.find(source_id);
    if (publisher == nullptr)
        return feed_failure(404, messages::unknown_source(source_id));
    const Category* category = publisher->find_category(category_id);
    if (category == nullptr)
        return feed_failure(404, messages::unknown_category(source_id, category_id));
    const std::string key = feed_key(source_id, category_id);
    if (std::optional<Answer> fresh = fresh_feed(key))
        return *std::move(fresh);
    // Offline with nothing kept: the demo set at once, not after another
    // wait for a publisher that failed moments ago.
    if (failed_recently(key)) {
        if (std::optional<Answer> demo =
                demo_feed(*publisher, *category, "the publisher failed moments ago"))
            return *std::move(demo);
    }
    return without_exceptions(
        [&] {
            return feed_flights_.run(key,
                                     [&] { return fetch_feed_once(*publisher, *category, key); });
        },
        feed_failure);
}

bool NewsService::failed_recently(const std::string& key) {
    const std::lock_guard lock(memory_mutex_);
    const auto retry = retry_not_before_.find(key);
    return retry != retry_not_before_.end() && clock_.steady() < retry->second;
}

std::optional<Answer> NewsService::demo_feed(const Publisher& publisher, const Category& category,
                                             std::string note) const {
    if (!demo_)
        return std::nullopt;
    const auto found = demo_->feeds.find({publisher.id, category.id});
    if (found == demo_->feeds.end())
        return std::nullopt;
    return success(feed_body(found->second), kNoStore, AnswerOrigin::Demo, std::move(note));
}

std::optional<Answer> NewsService::fresh_feed(const std::string& key) {
    const std::lock_guard lock(memory_mutex_);
    const auto found = memory_.find(key);
    if (found == memory_.end())
        return std::nullopt;
    const MemoryFeed& feed = found->second;
    const auto now = clock_.steady();
    if (feed.fetched && now - *feed.fetched < settings_.feed_fresh_for) {
        const auto left = std::chrono::duration_cast<std::chrono::seconds>(
            settings_.feed_fresh_for - (now - *feed.fetched));
        return success(feed.body, fresh_cache_control(left), AnswerOrigin::Memory);
    }
    // The publisher failed a moment ago: the kept copy now, not another wait.
    const auto retry = retry_not_before_.find(key);
    if (retry != retry_not_before_.end() && now < retry->second)
        return success(feed.body, kStaleCacheControl, AnswerOrigin::Memory,
                       "kept copy; the publisher failed moments ago");
    return std::nullopt;
}

Answer NewsService::fetch_feed_once(const Publisher& publisher, const Category& category,
                                    const std::string& key) {
    // Another request may have fetched it while this one waited.
    if (std::optional<Answer> fresh = fresh_feed(key))
        return *std::move(fresh);
    if (std::optional<Answer> kept = disk_feed_after_restart(key))
        return *std::move(kept);

    const auto deadline = clock_.steady() + settings_.answer_deadline;
    FeedOutcome outcome = retrieve_feed(publisher, category, fetch_, deadline);
    if (outcome.ok) {
        std::string body = feed_body(outcome.items);
        feed_files_.write(feed_file_name(key), body);
        remember(key, MemoryFeed{body, clock_.steady()});
        schedule_prefetch(outcome.items);
        return success(std::move(body), fresh_cache_control(settings_.feed_fresh_for),
                       AnswerOrigin::Publisher, std::move(outcome.detail));
    }
    note_failure(key);
    if (std::optional<Answer> kept = kept_feed(key, outcome.detail))
        return *std::move(kept);
    if (std::optional<Answer> demo = demo_feed(publisher, category, outcome.detail))
        return *std::move(demo);
    Answer failure = feed_failure(outcome.timed_out ? 504 : 502, std::move(outcome.error));
    failure.note = std::move(outcome.detail);
    return failure;
}

// The copy on disk of a feed this process has not seen yet, when it is
// younger than the freshness time: a restart does not make the reader's
// refresh cost a fetch. An older copy waits for the publisher to fail.
std::optional<Answer> NewsService::disk_feed_after_restart(const std::string& key) {
    {
        const std::lock_guard lock(memory_mutex_);
        if (memory_.count(key) != 0)
            return std::nullopt;
    }
    std::optional<MemoryFeed> stored = read_feed_file(key);
    if (!stored || !stored->fetched)
        return std::nullopt;
    const auto left = std::chrono::duration_cast<std::chrono::seconds>(
        settings_.feed_fresh_for - (clock_.steady() - *stored->fetched));
    Answer answer = success(stored->body, fresh_cache_control(left), AnswerOrigin::Disk);
    remember(key, std::move(*stored));
    return answer;
}

std::optional<NewsService::MemoryFeed> NewsService::read_feed_file(const std::string& key) {
    std::optional<StoredFile> stored = feed_files_.read(feed_file_name(key));
    if (!stored)
        return std::nullopt;
    // A damaged file is ignored; the next fetch replaces it.
    auto decoded = decode_feed_response(stored->bytes);
    if (!decoded || !decoded->success)
        return std::nullopt;
    MemoryFeed feed;
    feed.body = std::move(stored->bytes);
    const auto age = clock_.wall() - stored->written;
    if (age >= std::chrono::seconds(0) && age < settings_.feed_fresh_for)
        feed.fetched = clock_.steady() - std::chrono::duration_cast<SteadyClock::duration>(age);
    return feed;
}

std::optional<Answer> NewsService::kept_feed(const std::string& key, std::string note) {
    std::optional<MemoryFeed> kept;
    {
        const std::lock_guard lock(memory_mutex_);
        if (const auto found = memory_.find(key); found != memory_.end())
            kept = found->second;
    }
    AnswerOrigin origin = AnswerOrigin::Memory;
    if (!kept) {
        kept = read_feed_file(key);
        if (!kept)
            return std::nullopt;
        origin = AnswerOrigin::Disk;
        kept->fetched.reset();
        remember(key, *kept);
    }
    return success(std::move(kept->body), kStaleCacheControl, origin,
                   "kept copy; " + std::move(note));
}

void NewsService::remember(const std::string& key, MemoryFeed feed) {
    const std::lock_guard lock(memory_mutex_);
    memory_[key] = std::move(feed);
    retry_not_before_.erase(key);
}

void NewsService::note_failure(const std::string& key) {
    const std::lock_guard lock(memory_mutex_);
    retry_not_before_[key] = clock_.steady() + settings_.retry_after;
}

// --- articles --------------------------------------------------------------

Answer NewsService::article(std::string_view asked) {
    // The one parse of the URL: everything behind takes the typed value.
    const std::optional<HttpsUrl> url = parse_https_url(asked, PlainHttp::Upgrade);
    if (!url)
        return article_failure(400, messages::invalid_article_url());
    if (std::optional<Answer> demo = demo_article(asked))
        return *std::move(demo);
    // Checked before anything is fetched: the service reaches no other host.
    const Publisher* publisher = sources_.publisher_of(*url);
    if (publisher == nullptr)
        return article_failure(403, messages::foreign_article_url());
    const std::string key(asked);
    if (std::optional<Answer> failed = recent_article_failure(key))
        return *std::move(failed);
    return without_exceptions(
        [&] {
            return article_flights_.run(key, [&] { return article_once(*publisher, *url, key); });
        },
        article_failure);
}

std::optional<Answer> NewsService::recent_article_failure(const std::string& url) {
    const std::lock_guard lock(memory_mutex_);
    const auto found = failed_articles_.find(url);
    if (found == failed_articles_.end())
        return std::nullopt;
    if (clock_.steady() >= found->second.until) {
        failed_articles_.erase(found);
        return std::nullopt;
    }
    Answer answer = found->second.answer;
    answer.note = "failed moments ago; " + answer.note;
    return answer;
}

void NewsService::remember_article_failure(const std::string& url, const Answer& failure) {
    const std::lock_guard lock(memory_mutex_);
    const auto now = clock_.steady();
    if (failed_articles_.size() >= kRememberedArticleFailures)
        std::erase_if(failed_articles_,
                      [&](const auto& entry) { return now >= entry.second.until; });
    if (failed_articles_.size() >= kRememberedArticleFailures)
        failed_articles_.erase(failed_articles_.begin());
    failed_articles_[url] = FailedArticle{failure, now + settings_.article_retry_after};
}

std::optional<Answer> NewsService::kept_article(const std::string& url) {
    std::optional<StoredFile> stored = article_files_.read(article_cache_file_name(url));
    if (!stored)
        return std::nullopt;
    auto article = decode_article_detail(stored->bytes);
    // A damaged file, or one of another URL with the same hash, is no copy.
    if (!article || article->url != url)
        return std::nullopt;
    const ArticleResponse response{true, std::move(article).value(), std::nullopt};
    return success(encode_json(response, JsonLayout::Compact), kArticleCacheControl,
                   AnswerOrigin::Disk);
}

std::optional<Answer> NewsService::demo_article(std::string_view url) const {
    if (!demo_)
        return std::nullopt;
    const auto found = demo_->articles.find(std::string(url));
    if (found == demo_->articles.end())
        return std::nullopt;
    const ArticleResponse response{true, found->second, std::nullopt};
    return success(encode_json(response, JsonLayout::Compact), kNoStore, AnswerOrigin::Demo);
}

Answer NewsService::article_once(const Publisher& publisher, const HttpsUrl& url,
                                 const std::string& asked) {
    if (std::optional<Answer> kept = kept_article(asked))
        return *std::move(kept);
    const auto deadline = clock_.steady() + settings_.answer_deadline;
    const FetchResult fetched =
        fetch_(FetchRequest{url, publisher.hosts, deadline, FetchLane::Article});
    if (!fetched.ok()) {
        Answer failure = article_failure(fetched.problem == FetchProblem::TimedOut ? 504 : 502,
                                         messages::fetch_failed(fetched, publisher.name));
        failure.note = fetched.detail;
        remember_article_failure(asked, failure);
        return failure;
    }
    return read_article(publisher, asked, fetched, deadline);
}

// Parsing a page is what costs the service most memory, so only a few run at
// once; a page that finds no slot by its deadline is answered as such.
Answer NewsService::read_article(const Publisher& publisher, const std::string& asked,
                                 const FetchResult& fetched, SteadyTime deadline) {
    const auto wait_until = std::chrono::steady_clock::now() + (deadline - clock_.steady());
    if (!extraction_slots_.try_acquire_until(wait_until)) {
        Answer busy = article_failure(503, messages::service_busy());
        busy.note = "no extraction slot came free in time";
        return busy;
    }
    const SlotHold hold(extraction_slots_);
    extraction::Page page;
    page.bytes = fetched.body;
    page.url = asked;
    page.source_name = publisher.name;
    page.rules = &publisher.rules;
    page.default_utc_offset_minutes = publisher.utc_offset_minutes;
    page.declared_charset = fetched.charset;
    auto article = extract_(page);
    if (!article) {
        Answer failure = article_failure(502, std::move(article).error());
        remember_article_failure(asked, failure);
        return failure;
    }
    // The reader names its cache file and finds its saved mark by this URL.
    article->url = asked;
    article_files_.write(article_cache_file_name(asked), encode_article_compact(*article));
    const ArticleResponse response{true, std::move(article).value(), std::nullopt};
    return success(encode_json(response, JsonLayout::Compact), kArticleCacheControl,
                   AnswerOrigin::Publisher);
}

// --- background fetching of the first articles ---------------------------

void NewsService::schedule_prefetch(const std::vector<NewsFeedItem>& items) {
    if (settings_.prefetch_articles == 0)
        return;
    {
        const std::lock_guard lock(prefetch_mutex_);
        const std::size_t count = std::min(items.size(), settings_.prefetch_articles);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& link = items[i].link;
            if (prefetch_queue_.size() >= kPrefetchQueueLimit)
                break;
            if (std::find(prefetch_queue_.begin(), prefetch_queue_.end(), link) ==
                prefetch_queue_.end())
                prefetch_queue_.push_back(link);
        }
    }
    prefetch_changed_.notify_all();
}

void NewsService::prefetch_loop() {
    std::unique_lock lock(prefetch_mutex_);
    while (true) {
        prefetch_changed_.wait(lock, [&] { return stopping_ || !prefetch_queue_.empty(); });
        if (stopping_)
            return;
        const std::string url = std::move(prefetch_queue_.front());
        prefetch_queue_.pop_front();
        prefetch_busy_ = true;
        lock.unlock();
        const auto started = clock_.steady();
        const Answer answer = article(url);
        if (answer.origin != AnswerOrigin::Disk) {
            const auto took =
                std::chrono::duration_cast<std::chrono::milliseconds>(clock_.steady() - started);
            std::string line = "[Server] Prefetch " + url + " " + std::to_string(answer.status) +
                               " " + std::to_string(took.count()) + " ms " +
                               std::string(origin_name(answer.origin));
            if (!answer.note.empty())
                line += " (" + answer.note + ")";
            log_(line);
        }
        lock.lock();
        prefetch_busy_ = false;
        prefetch_changed_.notify_all();
    }
}

void NewsService::wait_for_prefetch() {
    std::unique_lock lock(prefetch_mutex_);
    prefetch_changed_.wait(lock, [&] { return prefetch_queue_.empty() && !prefetch_busy_; });
}

}  // namespace papyr::news_server
