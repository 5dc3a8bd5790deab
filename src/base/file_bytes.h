#pragma once

// Whole files as bytes, in any encoding (feeds and pages may be in another
// character set than UTF-8; base/text_file.h reads UTF-8 text only).

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace papyr {

[[nodiscard]] std::optional<std::string> read_file_bytes(const std::filesystem::path& path);

struct RegularFile {
    std::string bytes;
    std::chrono::system_clock::time_point modified;
};

// A file that the program itself keeps (a cache file), read as what it must
// be: nothing unless the path names a regular file of at most `max_bytes`,
// itself and not through a symbolic link. It is opened without blocking, so
// a FIFO or a device put in its place is refused at once, never waited on or
// read without end.
[[nodiscard]] std::optional<RegularFile> read_regular_file(const std::filesystem::path& path,
                                                           std::size_t max_bytes);

// Everything on the descriptor until its end (standard input: 0).
[[nodiscard]] std::optional<std::string> read_descriptor_bytes(int fd);

}  // namespace papyr
