#pragma once

// The Effects of the running program: each request becomes a background task
// on its own detached thread, reporting back through the message channel.

#include "main/channel.h"
#include "main/effects.h"
#include "main/messages.h"
#include "main/paths.h"

namespace papyr {

class TaskEffects final : public Effects {
  public:
    TaskEffects(Sender<WorkerMessage> messages, const Paths& paths)
        : messages_(std::move(messages)), paths_(paths) {}

    void start_feed_refresh(const std::string& source_id, const std::string& category_id,
                            std::size_t source_index, std::size_t category_index) override;
    void start_article_fetch(const std::string& link) override;
    void start_update_install(const std::string& download_url) override;
    bool toggle_bookmark(const NewsFeedItem& item) override;

  private:
    Sender<WorkerMessage> messages_;
    const Paths& paths_;
};

}  // namespace papyr
