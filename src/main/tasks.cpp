#include "main/tasks.h"

namespace papyr {

// FIXME: the news client and the updater are not wired in yet; until they
// are, requests are accepted and nothing is started.
void TaskEffects::start_feed_refresh(const std::string&, const std::string&, std::size_t,
                                     std::size_t) {}
void TaskEffects::start_article_fetch(const std::string&) {}
void TaskEffects::start_update_install(const std::string&) {}
bool TaskEffects::toggle_bookmark(const NewsFeedItem&) {
    return false;
}

}  // namespace papyr
