#pragma once

// papyr-server's command line, read into plain records. Every usage error is
// one line for standard error; the program then ends with status 2.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/result.h"
#include "news_server/numeric_address.h"

namespace papyr::news_server {

struct HelpCommand {};
struct VersionCommand {};

struct ServeOptions {
    ListenAddress listen{"127.0.0.1", 4548};
    std::optional<std::filesystem::path> data;
    std::optional<std::filesystem::path> sources;
    std::optional<std::filesystem::path> cert;
    std::optional<std::filesystem::path> key;
    std::optional<std::filesystem::path> ca_bundle;
    bool demo = false;
    std::size_t prefetch = 5;
    std::size_t workers = 64;
    std::uint64_t cache_megabytes = 64;
    std::chrono::seconds feed_fresh_for{300};
    // The signed release manifest's URL, instead of the one built in.
    std::optional<std::string> release_channel;
    // The release public key (PEM), instead of the one built in.
    std::optional<std::filesystem::path> release_key;
    // Test only: every publisher host is reached at this IP address.
    std::optional<std::string> test_resolve_publishers;
};

struct FeedOptions {
    std::string source;
    std::string category;
    std::optional<std::filesystem::path> sources;
    std::optional<std::filesystem::path> input;  // standard input when absent
};

struct ExtractOptions {
    std::string url;
    std::optional<std::filesystem::path> sources;
    std::optional<std::filesystem::path> input;
};

using Command =
    std::variant<HelpCommand, VersionCommand, ServeOptions, FeedOptions, ExtractOptions>;

// `arguments` without the program name.
[[nodiscard]] Result<Command> parse_command_line(const std::vector<std::string>& arguments);

// The text --help prints.
[[nodiscard]] std::string usage_text();

// The data folder when --data is not given: the console's app folder when
// it exists, else the user's cache folder. Fails when neither
// XDG_CACHE_HOME nor HOME is set.
[[nodiscard]] Result<std::filesystem::path> default_data_folder(
    bool console_app_folder_exists, const std::optional<std::string>& xdg_cache_home,
    const std::optional<std::string>& home);

inline constexpr std::string_view kConsoleAppFolder = "/mnt/SDCARD/Apps/papyr";

}  // namespace papyr::news_server
