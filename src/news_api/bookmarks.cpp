#include "news_api/bookmarks.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <system_error>

#include "base/text_file.h"
#include "news_api/json.h"

namespace papyr {
namespace {

constexpr char kBookmarksFileName[] = "bookmarks.json";

bool anything_at(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Succeeds when the folder exists afterwards, including when another thread
// created it first. New folders get 0777 reduced by the umask.
bool create_folders(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return !error;
}

std::filesystem::path bookmarks_path(const CacheLocations& locations) {
    return cache_dir(locations) / kBookmarksFileName;
}

std::vector<NewsFeedItem> load_bookmarks_from(const std::filesystem::path& path) {
    const std::optional<std::string> text = read_text_file(path);
    if (!text)
        return {};
    Result<std::vector<NewsFeedItem>> items = decode_news_feed_items(*text);
    if (!items)
        return {};
    return std::move(items).value();
}

auto same_link(std::string_view link) {
    return [link](const NewsFeedItem& entry) { return entry.link == link; };
}

}  // namespace

std::filesystem::path cache_dir(const CacheLocations& locations) {
    if (anything_at(locations.sd_card) || create_folders(locations.sd_card))
        return locations.sd_card;
    // Whether this works is left to the writes that follow: they fail
    // silently, and the program goes on without a cache.
    (void)create_folders(locations.local);
    return locations.local;
}

std::vector<NewsFeedItem> load_bookmarks(const CacheLocations& locations) {
    return load_bookmarks_from(bookmarks_path(locations));
}

void save_bookmarks(const std::vector<NewsFeedItem>& items, const CacheLocations& locations) {
    (void)replace_file(bookmarks_path(locations), encode_news_feed_items_indented(items));
}

bool toggle_bookmark(const NewsFeedItem& item, const CacheLocations& locations) {
    std::vector<NewsFeedItem> items = load_bookmarks(locations);
    const auto found = std::find_if(items.begin(), items.end(), same_link(item.link));
    const bool adding = found == items.end();
    if (adding) {
        items.insert(items.begin(), item);
    } else {
        items.erase(found);
    }
    save_bookmarks(items, locations);
    return adding;
}

bool is_bookmarked(std::string_view url, const CacheLocations& locations) {
    const std::vector<NewsFeedItem> items = load_bookmarks(locations);
    return std::any_of(items.begin(), items.end(), same_link(url));
}

namespace {

// Longer than the coarsest modification-time tick the file may have (FAT's
// two seconds) plus the lag of the kernel's coarse clock behind the real one.
constexpr std::chrono::seconds kRacyWindow{3};

}  // namespace

SavedMarks::SavedMarks(CacheLocations locations) : locations_(std::move(locations)) {}

SavedMarks::Stamp SavedMarks::stamp_of(std::string path) {
    Stamp stamp;
    stamp.path = std::move(path);
    struct stat info {};
    if (::stat(stamp.path.c_str(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified_seconds = info.st_mtim.tv_sec;
    stamp.modified_nanoseconds = info.st_mtim.tv_nsec;
    stamp.changed_seconds = info.st_ctim.tv_sec;
    stamp.changed_nanoseconds = info.st_ctim.tv_nsec;
    return stamp;
}

bool SavedMarks::modified_recently(const Stamp& stamp) {
    // The wall clock, which is what file times are taken from. A time far
    // ahead of it (a clock set back) is not recent: a new write would stamp
    // the file with the present and so show as a change.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto modified = std::chrono::seconds(stamp.modified_seconds) +
                          std::chrono::nanoseconds(stamp.modified_nanoseconds);
    const auto distance = now > modified ? now - modified : modified - now;
    return stamp.exists && distance < kRacyWindow;
}

bool SavedMarks::contains(std::string_view url) {
    // Taken before reading: a change during the read shows in the next stamp.
    Stamp stamp = stamp_of(bookmarks_path(locations_).string());
    if (!read_stamp_ || *read_stamp_ != stamp || must_read_again_) {
        links_.clear();
        for (NewsFeedItem& item : load_bookmarks_from(stamp.path))
            links_.push_back(std::move(item.link));
        std::sort(links_.begin(), links_.end());
        ++read_count_;
        must_read_again_ = modified_recently(stamp);
        read_stamp_ = std::move(stamp);
    }
    return std::binary_search(links_.begin(), links_.end(), url, std::less<>());
}

}  // namespace papyr
