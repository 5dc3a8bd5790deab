#pragma once

// One article, from the offline cache when it has been opened before, else
// from the news API. Every article received from the network is cached at
// once, so it opens again without network, now and after a restart.

#include <filesystem>
#include <string>
#include <string_view>

#include "base/result.h"
#include "news_api/bookmarks.h"
#include "news_api/endpoints.h"
#include "news_api/records.h"

namespace papyr {

// The cache folder (which may be created by asking) joined with
// "art_" + url_hash in hexadecimal + ".json".
[[nodiscard]] std::filesystem::path article_cache_path(std::string_view url,
                                                       const CacheLocations& locations);

// base_url + "/article?url=" + the percent-encoded url, so that "?", "&", "="
// and "#" inside the link stay inside the one query value.
[[nodiscard]] std::string article_request_url(std::string_view base_url, std::string_view url);

// The article of an article response body, or the message for the user.
[[nodiscard]] Result<ArticleDetail> article_from_body(std::string_view body);

// Blocking: may run curl, so only background tasks call it. A cache file that
// is missing or does not decode is a silent miss. An article from the network
// is written to the file named after its own "url" before it is returned;
// a failed write is ignored.
[[nodiscard]] Result<ArticleDetail> fetch_article(const std::string& url,
                                                  const CacheLocations& locations,
                                                  std::string_view base_url = api_base_url());

}  // namespace papyr
