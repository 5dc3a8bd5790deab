#pragma once

// Whole-file reading and replacing for the files the news client keeps (the
// article cache and bookmarks.json). Failures of local files are never shown
// to the user, so both report only whether they worked.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace papyr {

// The whole content when the file can be read and is valid UTF-8; nothing
// otherwise (missing, unreadable, a folder, invalid UTF-8).
[[nodiscard]] std::optional<std::string> read_text_file(const std::filesystem::path& path);

// Replaces the file's whole content so that readers, a crash or a power cut
// only ever meet the old content or the new one, never a torn mix: the bytes
// go to a uniquely named temporary file in the same folder (created with
// permission bits 0666 reduced by the umask), are flushed to the disk, and
// the temporary file is renamed over the target. On any failure the temporary
// file is removed and the old file stays as it was. True when replaced.
[[nodiscard]] bool replace_file(const std::filesystem::path& path, std::string_view bytes);

}  // namespace papyr
