#pragma once

// Background tasks: each request runs on its own detached thread with private
// copies of its inputs and its own sender of the message channel, and
// reports back only through that channel. Nothing waits for, counts or
// cancels a task.
//
// Each task's body is a plain function given the operation it runs, so the
// messages it sends are tested without threads or network; the start_*
// functions put the body on a thread with the real operation.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "base/result.h"
#include "main/channel.h"
#include "main/effects.h"
#include "main/messages.h"
#include "main/paths.h"
#include "main/update_tasks.h"
#include "news_api/bookmarks.h"
#include "news_api/records.h"

namespace papyr {

using FeedFetchFn = std::function<Result<std::vector<NewsFeedItem>>(
    const std::string& source_id, const std::string& category_id)>;
using ArticleFetchFn = std::function<Result<ArticleDetail>(const std::string& link)>;

// The fetch at startup: logs the request and exactly one result line, then
// sends FeedLoaded for indices 0, 0 or FeedFailed.
void initial_feed_fetch_task(const Sender<WorkerMessage>& messages, const std::string& source_id,
                             const std::string& category_id, const FeedFetchFn& fetch,
                             const LogFn& log);

// A refresh the user asked for: sends FeedLoaded with the indices it was
// given, not the current ones, so the frame loop can drop a late result.
void feed_refresh_task(const Sender<WorkerMessage>& messages, const std::string& source_id,
                       const std::string& category_id, std::size_t source_index,
                       std::size_t category_index, const FeedFetchFn& fetch);

void article_fetch_task(const Sender<WorkerMessage>& messages, const std::string& link,
                        const ArticleFetchFn& fetch);

void start_initial_feed_fetch(Sender<WorkerMessage> messages, std::string source_id,
                              std::string category_id);
void start_feed_refresh(Sender<WorkerMessage> messages, std::string source_id,
                        std::string category_id, std::size_t source_index,
                        std::size_t category_index);
void start_article_fetch(Sender<WorkerMessage> messages, std::string link,
                         CacheLocations locations);

// The Effects of the running program. The bookmark toggle is not a task: it
// runs on the calling (main) thread, so bookmarks.json is never written by
// two threads at once.
class TaskEffects final : public Effects {
  public:
    TaskEffects(Sender<WorkerMessage> messages, Paths paths)
        : messages_(std::move(messages)), paths_(std::move(paths)) {}

    void start_feed_refresh(const std::string& source_id, const std::string& category_id,
                            std::size_t source_index, std::size_t category_index) override;
    void start_article_fetch(const std::string& link) override;
    // Starts nothing while an earlier install is still under way.
    void start_update_install(const OtaManifest& manifest) override;
    bool toggle_bookmark(const NewsFeedItem& item) override;

  private:
    Sender<WorkerMessage> messages_;
    Paths paths_;
    InstallSlot install_slot_;
};

}  // namespace papyr
