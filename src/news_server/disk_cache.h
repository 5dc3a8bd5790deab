#pragma once

// One folder of cache files in the data folder, bounded in size: when a
// write takes it over the bound, the files written longest ago go first
// until it is back under. Every file is replaced atomically (temporary file
// and rename), so a crash or a power cut never leaves a torn one; a file that
// is damaged anyway is the reader's to refuse (the caller decodes it). What
// lies under a file's name is not trusted to be a file: only a regular file
// within the size bound is read (base/file_bytes.h), anything else is a miss.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace papyr::news_server {

struct StoredFile {
    std::string bytes;
    std::chrono::system_clock::time_point written;
};

class DiskCache {
  public:
    // Creates the folder when it is missing. Leftover temporary files of an
    // earlier run are removed. `max_file_bytes` bounds each file, both ways.
    DiskCache(std::filesystem::path folder, std::uint64_t max_bytes, std::size_t max_file_bytes);

    // Nothing when the file is missing, unreadable, larger than the bound or
    // not a regular file.
    [[nodiscard]] std::optional<StoredFile> read(std::string_view name) const;
    // False when the file could not be written or is larger than the bound;
    // the cache stays usable.
    bool write(std::string_view name, std::string_view bytes);
    void remove(std::string_view name);

    // The bytes the files take now, as counted by this object.
    std::uint64_t size() const;
    const std::filesystem::path& folder() const { return folder_; }

  private:
    void trim_locked(const std::filesystem::path& keep);

    std::filesystem::path folder_;
    std::uint64_t max_bytes_;
    std::size_t max_file_bytes_;
    mutable std::mutex mutex_;
    std::uint64_t total_ = 0;
};

}  // namespace papyr::news_server
