#pragma once

// The saved headlines and the cache folder they share with the article cache.
//
// bookmarks.json is a JSON array of NewsFeedItem in the indented layout,
// newest first, identified by "link" byte for byte. There is no copy in
// memory: every operation reads the file afresh and every change rewrites it
// whole. Failures of the folder or the file are silent: an unusable file
// reads as an empty list, a failed write stores nothing.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "news_api/records.h"

namespace papyr {

// The folders the cache may live in, in order of preference. The program
// uses the defaults; tests give their own.
struct CacheLocations {
    std::string sd_card = "/mnt/SDCARD/Apps/papyr/cache";  // inside the install folder
    std::string local = "./cache";  // relative to the working directory (a desktop)
};

// The SD-card folder when anything exists at its path (its kind is not
// examined) or when it can be created with its parents; otherwise the local
// folder, created if possible. Asked again on every call, so a card that
// appears later is used from then on.
[[nodiscard]] std::filesystem::path cache_dir(const CacheLocations& locations);

// The saved list in file order; empty when the file is missing, unreadable,
// not UTF-8, or not an array of valid entries (one bad entry empties it all).
[[nodiscard]] std::vector<NewsFeedItem> load_bookmarks(const CacheLocations& locations);

// Rewrites the file with the list; a failed write is ignored.
void save_bookmarks(const std::vector<NewsFeedItem>& items, const CacheLocations& locations);

// Removes the first entry with the item's link and returns false, or saves a
// copy of the item in front and returns true. The answer is the same whether
// or not the file could be written.
bool toggle_bookmark(const NewsFeedItem& item, const CacheLocations& locations);

// Whether some saved entry's link is exactly the url (the reader's mark).
[[nodiscard]] bool is_bookmarked(std::string_view url, const CacheLocations& locations);

}  // namespace papyr
