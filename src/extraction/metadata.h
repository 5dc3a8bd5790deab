#pragma once

// What a page says about its article outside the article text: JSON-LD,
// microdata, OpenGraph and the other meta tags, and the document title. Each
// reader fills the same record; read_metadata merges them in a fixed order
// of trust (JSON-LD, then microdata, then meta tags).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extraction/html.h"
#include "news_api/json_value.h"

namespace papyr::extraction {

struct Metadata {
    std::string title;           // headline, og:title and the like
    std::string document_title;  // <title>, often with the site's name
    std::string description;
    std::vector<std::string> authors;        // people, in the page's order
    std::vector<std::string> organisations;  // authors that are organisations
    std::optional<std::int64_t> published;   // seconds since 1970 UTC
    std::string site_name;
    std::string kind;  // the JSON-LD type of the article ("NewsArticle", "LiveBlogPosting")
    std::string body;  // JSON-LD articleBody, rarely present and often cut short
};

// JSON-LD documents as pages write them, which is often not quite JSON:
// CDATA and comment wrappers, trailing commas, raw control characters in
// strings, several documents one after the other. Never fails; what cannot
// be read is left out.
[[nodiscard]] std::vector<json::Value> parse_json_ld(std::string_view script);

// The article described by the JSON-LD values (searched through @graph,
// arrays and mainEntity for an Article type or any of its kin).
[[nodiscard]] Metadata read_json_ld(const std::vector<json::Value>& documents,
                                    int default_offset_minutes);

[[nodiscard]] Metadata read_microdata(const Document& document, int default_offset_minutes);
[[nodiscard]] Metadata read_meta_tags(const Document& document, int default_offset_minutes);

// All of the page's metadata, merged.
[[nodiscard]] Metadata read_metadata(const Document& document, int default_offset_minutes);

// A person's name as a byline writes it, without "By" and the like, or
// empty when the text is no name (a URL, a date, an e-mail address alone).
[[nodiscard]] std::string clean_author(std::string_view text);

// The names of a byline that may name several people ("A and B", "A, B",
// "A và B"), each cleaned, without repeats; added to `names`.
void add_byline_names(std::string_view byline, std::vector<std::string>& names);

}  // namespace papyr::extraction
