#pragma once

// papyr-server's commands, behind its thin main.cpp.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "news_server/command_line.h"
#include "news_server/sources.h"

namespace papyr::news_server {

// Runs the whole program; the exit status.
int run_program(const std::vector<std::string>& arguments);

// The one line of JSON `feed` writes for a document.
[[nodiscard]] std::string feed_command_answer(const Sources& sources, const FeedOptions& options,
                                              std::string_view document);

// The one line of JSON `extract` writes for a page.
[[nodiscard]] std::string extract_command_answer(const Sources& sources,
                                                 const ExtractOptions& options,
                                                 std::string_view page);

// The sources file to read: the one given, else sources.json beside the
// program or in its parent folder (the release's layout, bin/papyr-server),
// else this repository's copy. `program_folder` is where the program is.
[[nodiscard]] std::filesystem::path sources_path(const std::optional<std::filesystem::path>& given,
                                                 const std::filesystem::path& program_folder);

// Reads and checks a sources file; the failure names the file first.
[[nodiscard]] Result<Sources> load_sources(const std::filesystem::path& path);

}  // namespace papyr::news_server
