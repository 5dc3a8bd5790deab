#include "news_server/disk_cache.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "base/file_bytes.h"
#include "base/text_file.h"

namespace papyr::news_server {
namespace {

namespace fs = std::filesystem;

// Names come from the service itself; anything that could leave the folder
// is refused all the same.
bool safe_name(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos && name != "." &&
           name != ".." && name.find('\0') == std::string_view::npos;
}

// base/text_file.h names its temporary files "<target>.tmp-<pid>-<n>".
bool is_temporary(const fs::path& path) {
    return path.filename().string().find(".tmp-") != std::string::npos;
}

struct Entry {
    fs::path path;
    std::uint64_t size = 0;
    fs::file_time_type written;
};

std::vector<Entry> list_files(const fs::path& folder) {
    std::vector<Entry> entries;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        std::error_code ignored;
        if (!entry.is_regular_file(ignored) || is_temporary(entry.path()))
            continue;
        const auto size = entry.file_size(ignored);
        const auto written = entry.last_write_time(ignored);
        if (!ignored)
            entries.push_back(Entry{entry.path(), size, written});
    }
    return entries;
}

std::uint64_t file_size_or_zero(const fs::path& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? 0 : size;
}

}  // namespace

DiskCache::DiskCache(std::filesystem::path folder, std::uint64_t max_bytes,
                     std::size_t max_file_bytes)
    : folder_(std::move(folder)), max_bytes_(max_bytes), max_file_bytes_(max_file_bytes) {
    std::error_code error;
    fs::create_directories(folder_, error);
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        if (is_temporary(entry.path())) {
            std::error_code ignored;
            fs::remove(entry.path(), ignored);
        }
    }
    const std::lock_guard lock(mutex_);
    for (const Entry& entry : list_files(folder_))
        total_ += entry.size;
    trim_locked({});
}

std::optional<StoredFile> DiskCache::read(std::string_view name) const {
    if (!safe_name(name))
        return std::nullopt;
    std::optional<RegularFile> file =
        read_regular_file(folder_ / std::string(name), max_file_bytes_);
    if (!file)
        return std::nullopt;
    return StoredFile{std::move(file->bytes), file->modified};
}

bool DiskCache::write(std::string_view name, std::string_view bytes) {
    if (!safe_name(name) || bytes.size() > max_file_bytes_)
        return false;
    const fs::path path = folder_ / std::string(name);
    const std::lock_guard lock(mutex_);
    // The folder may have been removed under a running service.
    std::error_code error;
    fs::create_directories(folder_, error);
    const std::uint64_t before = file_size_or_zero(path);
    if (!replace_file(path, bytes))
        return false;
    total_ = total_ - std::min(total_, before) + bytes.size();
    if (total_ > max_bytes_)
        trim_locked(path);
    return true;
}

void DiskCache::remove(std::string_view name) {
    if (!safe_name(name))
        return;
    const fs::path path = folder_ / std::string(name);
    const std::lock_guard lock(mutex_);
    const std::uint64_t size = file_size_or_zero(path);
    std::error_code error;
    if (fs::remove(path, error))
        total_ -= std::min(total_, size);
}

std::uint64_t DiskCache::size() const {
    const std::lock_guard lock(mutex_);
    return total_;
}

// Down to nine tenths of the bound, so that not every later write trims.
// The file just written stays even when it alone is over the bound (file
// times are too coarse to tell it from others written in the same moment).
void DiskCache::trim_locked(const std::filesystem::path& keep) {
    if (total_ <= max_bytes_)
        return;
    std::vector<Entry> entries = list_files(folder_);
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.written < b.written; });
    total_ = 0;
    for (const Entry& entry : entries)
        total_ += entry.size;
    const std::uint64_t goal = max_bytes_ - max_bytes_ / 10;
    for (std::size_t i = 0; i < entries.size() && total_ > goal; ++i) {
        if (entries[i].path == keep)
            continue;
        std::error_code error;
        if (fs::remove(entries[i].path, error))
            total_ -= std::min(total_, entries[i].size);
    }
}

}  // namespace papyr::news_server
