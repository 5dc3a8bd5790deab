#include "main/tasks.h"

#include <utility>

#include "main/threads.h"
#include "news_api/article.h"
#include "news_api/feed.h"

namespace papyr {

void initial_feed_fetch_task(const Sender<WorkerMessage>& messages, const std::string& source_id,
                             const std::string& category_id, const FeedFetchFn& fetch,
                             const LogFn& log) {
    log("[Main] Starting initial feed fetch: source=" + source_id + ", cat=" + category_id);
    Result<std::vector<NewsFeedItem>> items = fetch(source_id, category_id);
    if (items) {
        log("[Main] Initial feed fetch success: " + std::to_string(items->size()) + " items");
        messages.send(FeedLoaded{std::move(items).value(), 0, 0});
    } else {
        log("[Main] Initial feed fetch failed: " + items.error());
        messages.send(FeedFailed{std::move(items).error()});
    }
}

void feed_refresh_task(const Sender<WorkerMessage>& messages, const std::string& source_id,
                       const std::string& category_id, std::size_t source_index,
                       std::size_t category_index, const FeedFetchFn& fetch) {
    Result<std::vector<NewsFeedItem>> items = fetch(source_id, category_id);
    if (items) {
        messages.send(FeedLoaded{std::move(items).value(), source_index, category_index});
    } else {
        messages.send(FeedFailed{std::move(items).error()});
    }
}

void article_fetch_task(const Sender<WorkerMessage>& messages, const std::string& link,
                        const ArticleFetchFn& fetch) {
    Result<ArticleDetail> article = fetch(link);
    if (article) {
        messages.send(ArticleLoaded{std::move(article).value()});
    } else {
        messages.send(ArticleFailed{std::move(article).error()});
    }
}

namespace {

// The news API compiled into the program.
Result<std::vector<NewsFeedItem>> fetch_feed_from_api(const std::string& source_id,
                                                      const std::string& category_id) {
    return fetch_feed(source_id, category_id);
}

}  // namespace

void start_initial_feed_fetch(Sender<WorkerMessage> messages, std::string source_id,
                              std::string category_id) {
    spawn_detached([messages = std::move(messages), source_id = std::move(source_id),
                    category_id = std::move(category_id)] {
        initial_feed_fetch_task(messages, source_id, category_id, fetch_feed_from_api,
                                stderr_log());
    });
}

void start_feed_refresh(Sender<WorkerMessage> messages, std::string source_id,
                        std::string category_id, std::size_t source_index,
                        std::size_t category_index) {
    spawn_detached([messages = std::move(messages), source_id = std::move(source_id),
                    category_id = std::move(category_id), source_index, category_index] {
        feed_refresh_task(messages, source_id, category_id, source_index, category_index,
                          fetch_feed_from_api);
    });
}

void start_article_fetch(Sender<WorkerMessage> messages, std::string link,
                         CacheLocations locations) {
    spawn_detached(
        [messages = std::move(messages), link = std::move(link), locations = std::move(locations)] {
            article_fetch_task(messages, link, [&locations](const std::string& url) {
                return fetch_article(url, locations);
            });
        });
}

void TaskEffects::start_feed_refresh(const std::string& source_id, const std::string& category_id,
                                     std::size_t source_index, std::size_t category_index) {
    papyr::start_feed_refresh(messages_, source_id, category_id, source_index, category_index);
}

void TaskEffects::start_article_fetch(const std::string& link) {
    papyr::start_article_fetch(messages_, link, paths_.cache);
}

void TaskEffects::start_update_install(const OtaManifest& manifest) {
    InstallPaths install_paths;
    install_paths.app_dir = paths_.app_dir;
    install_paths.package = paths_.update_package;
    (void)papyr::start_update_install(messages_, install_request_for(manifest), install_slot_,
                                      std::move(install_paths));
}

bool TaskEffects::toggle_bookmark(const NewsFeedItem& item) {
    return papyr::toggle_bookmark(item, paths_.cache);
}

}  // namespace papyr
