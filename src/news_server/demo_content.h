#pragma once

// The built-in demo set: invented headlines and articles for every entry of
// the reader's catalogue, the same set the project's stand-in server serves
// (tests/support/demo_content.py writes demo_content.json, which is compiled
// in). A desktop without internet answers from it in demo mode, so the
// reader shows something; the console never uses it.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/result.h"
#include "news_api/records.h"

namespace papyr::news_server {

struct DemoContent {
    std::map<std::pair<std::string, std::string>, std::vector<NewsFeedItem>> feeds;
    std::map<std::string, ArticleDetail> articles;  // by URL
};

// Reads the compiled-in set.
[[nodiscard]] Result<DemoContent> load_demo_content();

// Reads a document of the same shape ({"feeds": [...], "articles": [...]}).
[[nodiscard]] Result<DemoContent> parse_demo_content(std::string_view text);

}  // namespace papyr::news_server
