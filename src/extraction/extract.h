#pragma once

// Article extraction: the text of a news page as the reader shows it. The one
// entry point takes the page as it was fetched and answers an ArticleDetail,
// or a Vietnamese message that the news service sends to the reader as it is.

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "news_api/json_value.h"
#include "news_api/records.h"

namespace papyr::extraction {

// How to find the parts of one publisher's article pages: the "extraction"
// object of its entry in sources.json (its members are the fields below, in
// lower camel case; every one is optional and is an array of strings). Each
// selector list is tried in order, current layout first, older layouts after
// it: the first selector that matches anything is used.
//   title, lead   the first match's text
//   author        every match of the first selector that names someone,
//                 joined with ", "
//   date          the first match that holds a date: its datetime or
//                 content attribute, or its text
//   body          every match of the first selector that holds text, in
//                 page order: containers of the body or its paragraphs
//   remove        elements taken out of the body before its text is read
//   dropParagraphs  texts (compared without case) that start a paragraph
//                 which is not article text, such as a caption credit line
struct SiteRules {
    std::vector<std::string> title;
    std::vector<std::string> lead;
    std::vector<std::string> body;
    std::vector<std::string> author;
    std::vector<std::string> date;
    std::vector<std::string> remove;
    std::vector<std::string> drop_paragraphs;

    bool operator==(const SiteRules&) const = default;
};

// Reads an "extraction" object; a failure names the member and the problem
// ("`body[2]`: unclosed [ at 5", "unknown member `titel`"), for the
// service's message about its sources file.
[[nodiscard]] Result<SiteRules> parse_site_rules(const json::Value& value);

struct Page {
    std::string_view bytes;            // the HTML as fetched, in any character set
    std::string_view url;              // the URL asked for: the article's "url"
    std::string_view source_name;      // the catalogue's name; empty for other sites
    const SiteRules* rules = nullptr;  // none: the generic extraction alone
    // The zone of dates that name none, in minutes east of UTC (the
    // publisher's "timeZone" in sources.json).
    int default_utc_offset_minutes = 0;
    // The charset parameter of the server's Content-Type, when known; it
    // outranks the page's own <meta> declaration.
    std::string_view declared_charset = {};
};

// Pages larger than this are read only up to it.
inline constexpr std::size_t kMaxPageBytes = std::size_t{8} << 20;

[[nodiscard]] Result<ArticleDetail> extract_article(const Page& page);

}  // namespace papyr::extraction
