#pragma once

// The saved headlines and the cache folder they share with the article cache.
//
// bookmarks.json is a JSON array of NewsFeedItem in the indented layout,
// newest first, identified by "link" byte for byte. There is no copy in
// memory: every operation reads the file afresh and every change rewrites it
// whole. Failures of the folder or the file are silent: an unusable file
// reads as an empty list, a failed write stores nothing.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
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

// The same answer as is_bookmarked, for a caller that asks on every frame:
// the file is read and decoded again only when it may have changed, which
// costs one stat(2) per question otherwise.
//
// The file counts as changed when its identity (device and inode), size,
// modification time or status-change time (both to the nanosecond) differ
// from when it was last read, or when it appears, goes, or moves with the
// cache folder. The store rewrites the file through a new temporary file
// renamed over it, so every save gives a new inode even when size and times
// come out equal. What no stamp can show is another writer rewriting the file
// in place, with the same size, within one tick of the file system's clock
// (two seconds on FAT): so while the file's modification time lies within a
// few seconds of the last read, the file is read on every question, as Git
// does with a "racily clean" index.
class SavedMarks {
  public:
    explicit SavedMarks(CacheLocations locations);

    [[nodiscard]] bool contains(std::string_view url);

    // How often the file has been read: what the caching saves.
    std::size_t read_count() const { return read_count_; }

  private:
    struct Stamp {
        std::string path;
        bool exists = false;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modified_seconds = 0;
        std::int64_t modified_nanoseconds = 0;
        std::int64_t changed_seconds = 0;
        std::int64_t changed_nanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stamp_of(std::string path);
    static bool modified_recently(const Stamp& stamp);

    CacheLocations locations_;
    std::optional<Stamp> read_stamp_;  // the file as it was when last read
    bool must_read_again_ = false;     // it was read too soon after a change
    std::vector<std::string> links_;   // sorted, for a binary search
    std::size_t read_count_ = 0;
};

}  // namespace papyr
