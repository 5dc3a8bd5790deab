#pragma once

// sources.json: which feeds make each catalogue entry, which hosts belong to
// each publisher, and how its article pages are read. The file is data so
// that a moved feed or a changed page layout is fixed without a new program.
//
//   {"publishers": [{
//       "id": "dantri", "name": "Dân Trí",
//       "hosts": ["dantri.com.vn"],        // the host and its subdomains
//       "paths": ["/vietnamese"],          // optional: article paths, for
//                                          // publishers that share hosts
//       "timeZone": "+07:00",              // for dates that name no zone
//       "categories": [{"id": "xa-hoi",
//                       "feeds": ["https://…/xa-hoi.rss", "https://…/thoi-su.rss"],
//                       "merge": true}],   // optional; see FeedSet
//       "extraction": {…}                  // see extraction::SiteRules
//   }]}
//
// Every member is checked: an unknown one is refused (a misspelt "feed"
// would otherwise silently drop a category's feeds).

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "base/url.h"
#include "extraction/extract.h"

namespace papyr::news_server {

// The feeds of one catalogue entry. Without merge they are alternatives,
// tried in order until one answers. With merge all of them are read and
// their items joined (first feed first, a link seen before dropped), so a
// stale feed can be backed by its successor.
struct FeedSet {
    // Never empty; on the publisher's hosts. A feed written as http:// is
    // read over https.
    std::vector<HttpsUrl> urls;
    bool merge = false;

    bool operator==(const FeedSet&) const = default;
};

struct Category {
    std::string id;
    FeedSet feeds;

    bool operator==(const Category&) const = default;
};

struct Publisher {
    std::string id;
    std::string name;                // the catalogue's name: "sourceName" of every item
    std::vector<std::string> hosts;  // lowercase domains, never empty
    std::vector<std::string> paths;  // path prefixes of its articles; empty: any path
    int utc_offset_minutes = 0;
    std::vector<Category> categories;
    extraction::SiteRules rules;

    const Category* find_category(std::string_view category_id) const;
    // Whether `host` is one of the publisher's hosts or a subdomain of one.
    bool owns_host(std::string_view host) const;

    bool operator==(const Publisher&) const = default;
};

struct Sources {
    std::vector<Publisher> publishers;

    const Publisher* find(std::string_view source_id) const;

    // The publisher an article URL belongs to: one on its hosts and, for a
    // publisher with paths, under one of them. A publisher with paths wins
    // over one without that shares its hosts (BBC Tiếng Việt's articles are
    // on the same hosts as BBC News). Nullptr for any other URL.
    const Publisher* publisher_of(const HttpsUrl& url) const;

    bool operator==(const Sources&) const = default;
};

// Reads a whole sources file and checks that every entry of the reader's
// catalogue is in it. A failure names the place and the problem, for
// example `publishers[2] ("dantri").categories[1] ("xa-hoi").feeds[0]: not
// an http(s) URL`; the caller puts the file name in front.
[[nodiscard]] Result<Sources> parse_sources(std::string_view text);

// "+07:00" → 420; nothing for anything else.
[[nodiscard]] std::optional<int> parse_utc_offset(std::string_view text);

}  // namespace papyr::news_server
