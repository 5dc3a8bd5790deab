#include "news_api/bookmarks.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>

#include "news_api/json.h"
#include "news_api/text_file.h"

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
    const std::optional<std::string> text = read_text_file(bookmarks_path(locations));
    if (!text)
        return {};
    Result<std::vector<NewsFeedItem>> items = decode_news_feed_items(*text);
    if (!items)
        return {};
    return std::move(items).value();
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

}  // namespace papyr
