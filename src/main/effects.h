#pragma once

// What handling an action may set in motion outside the state: background
// tasks and the bookmarks file. The frame loop's tables call this interface,
// so they are tested without threads, network or files.

#include <cstddef>
#include <string>

#include "news_api/records.h"

namespace papyr {

class Effects {
  public:
    virtual ~Effects() = default;
    virtual void start_feed_refresh(const std::string& source_id, const std::string& category_id,
                                    std::size_t source_index, std::size_t category_index) = 0;
    virtual void start_article_fetch(const std::string& link) = 0;
    // The whole manifest: the install checks the package against its checksum.
    virtual void start_update_install(const OtaManifest& manifest) = 0;
    // True when the entry is saved afterwards, false when it was removed.
    virtual bool toggle_bookmark(const NewsFeedItem& item) = 0;
};

}  // namespace papyr
