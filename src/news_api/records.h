#pragma once

// The records the news API sends and the program stores. Field order is the
// order of the JSON keys, which is also the order they are written back in
// (the article cache files and bookmarks.json depend on it). The JSON key of
// each field is given beside it where it differs from the C++ name.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace papyr {

// One headline of a feed page, and one entry of bookmarks.json.
struct NewsFeedItem {
    std::string id;                        // required
    std::string title;                     // required
    std::string lead;                      // default ""
    std::string link;                      // required; identity of a saved entry
    std::string pub_date;                  // "pubDate", default ""
    std::optional<std::string> image_url;  // "imageUrl"
    std::optional<std::string> author;
    std::string source_id;    // "sourceId", default ""
    std::string source_name;  // "sourceName", default ""
    std::string category_id;  // "categoryId", default ""

    bool operator==(const NewsFeedItem&) const = default;
};

// One article as the reader shows it, and the content of an article cache file.
struct ArticleDetail {
    std::string url;     // required; names the cache file
    std::string source;  // required
    std::string title;   // required
    std::string lead;    // default ""
    std::optional<std::string> author;
    std::optional<std::string> pub_date;     // "pubDate"
    std::vector<std::string> paragraphs;     // default empty
    std::uint64_t word_count = 0;            // "wordCount"
    std::uint64_t reading_time_minutes = 0;  // "readingTimeMinutes"

    bool operator==(const ArticleDetail&) const = default;
};

// Body of a feed request.
struct FeedResponse {
    bool success = false;  // required
    std::optional<std::vector<NewsFeedItem>> items;
    std::optional<std::string> error;

    bool operator==(const FeedResponse&) const = default;
};

// Body of an article request.
struct ArticleResponse {
    bool success = false;  // required
    std::optional<ArticleDetail> article;
    std::optional<std::string> error;

    bool operator==(const ArticleResponse&) const = default;
};

// The update manifest (snake_case keys on the wire).
struct OtaManifest {
    std::string version;       // required
    std::string name;          // required
    std::string changelog;     // required
    std::string download_url;  // required
    float size_mb = 0.0F;      // any JSON number
    std::optional<std::string> sha256;

    bool operator==(const OtaManifest&) const = default;
};

}  // namespace papyr
