#pragma once

// The release channel behind the service's update endpoints: its key, its
// fetchers through curl, and its answers as replies.

#include <filesystem>
#include <optional>
#include <vector>

#include "base/result.h"
#include "news_server/http_server.h"
#include "news_server/numeric_address.h"
#include "news_server/publisher_fetch.h"
#include "releases/release_channel.h"
#include "releases/release_signature.h"

namespace papyr::news_server {

// The key compiled in, or the one in `key_file`.
[[nodiscard]] Result<releases::ReleaseKey> release_key(
    const std::optional<std::filesystem::path>& key_file);

// Manifest and signature are small; the package gets room and time of its
// own, one download at a time.
[[nodiscard]] releases::ChannelFetchers channel_fetchers(const CurlSettings& publishers);

// GET /ota/papyr.json and GET /ota/package/<version>.zip.
[[nodiscard]] std::vector<Route> release_routes(releases::ReleaseChannel& channel,
                                                const ListenAddress& listen);

}  // namespace papyr::news_server
