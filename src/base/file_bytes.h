#pragma once

// Whole files as bytes, in any encoding (feeds and pages may be in another
// character set than UTF-8; base/text_file.h reads UTF-8 text only).

#include <filesystem>
#include <optional>
#include <string>

namespace papyr {

[[nodiscard]] std::optional<std::string> read_file_bytes(const std::filesystem::path& path);

// Everything on the descriptor until its end (standard input: 0).
[[nodiscard]] std::optional<std::string> read_descriptor_bytes(int fd);

}  // namespace papyr
