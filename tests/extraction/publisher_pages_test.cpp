// The seven publishers' pages, current and older layouts, through the rules
// of packaging/sources.json: title, lead, author and date exact, the body
// complete with nothing added. The pages and their expected records come from
// testdata/make_publisher_pages.py.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "extraction/extract.h"
#include "news_api/json_value.h"

namespace papyr::extraction {
namespace {

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

const std::string& string_of(const json::Value& object, std::string_view key) {
    static const std::string empty;
    const json::Value* value = object.find(key);
    return value != nullptr && value->as_string() != nullptr ? *value->as_string() : empty;
}

struct Publisher {
    std::string name;
    SiteRules rules;
    int offset_minutes = 0;
};

std::map<std::string, Publisher> load_publishers() {
    std::map<std::string, Publisher> publishers;
    const auto sources = json::parse_value(read_file(PAPYR_SOURCE_DIR "/packaging/sources.json"));
    EXPECT_TRUE(sources) << sources.error();
    if (!sources)
        return publishers;
    for (const auto& entry : *sources->find("publishers")->as_array()) {
        Publisher publisher;
        publisher.name = string_of(entry, "name");
        const std::string& zone = string_of(entry, "timeZone");
        publisher.offset_minutes = (zone == "+07:00") ? 420 : 0;
        auto rules = parse_site_rules(*entry.find("extraction"));
        EXPECT_TRUE(rules) << string_of(entry, "id") << ": " << rules.error();
        if (rules)
            publisher.rules = std::move(*rules);
        publishers[string_of(entry, "id")] = std::move(publisher);
    }
    return publishers;
}

TEST(PublisherPages, EveryLayoutGivesTheArticleExactly) {
    const auto publishers = load_publishers();
    const std::string folder = PAPYR_SOURCE_DIR "/tests/extraction/testdata/publishers/";
    const auto cases = json::parse_value(read_file(folder + "expected.json"));
    ASSERT_TRUE(cases) << cases.error();
    ASSERT_GE(cases->as_array()->size(), 14U);
    for (const auto& expected : *cases->as_array()) {
        const std::string& page_name = string_of(expected, "page");
        SCOPED_TRACE(page_name);
        const auto publisher = publishers.find(string_of(expected, "publisher"));
        ASSERT_NE(publisher, publishers.end());
        const std::string bytes = read_file(folder + page_name);
        const auto article =
            extract_article({.bytes = bytes,
                             .url = string_of(expected, "url"),
                             .source_name = publisher->second.name,
                             .rules = &publisher->second.rules,
                             .default_utc_offset_minutes = publisher->second.offset_minutes});
        ASSERT_TRUE(article) << article.error();
        EXPECT_EQ(article->url, string_of(expected, "url"));
        EXPECT_EQ(article->source, publisher->second.name);
        EXPECT_EQ(article->title, string_of(expected, "title"));
        EXPECT_EQ(article->lead, string_of(expected, "lead"));
        EXPECT_EQ(article->author.value_or("(none)"), string_of(expected, "author"));
        EXPECT_EQ(article->pub_date.value_or("(none)"), string_of(expected, "pubDate"));
        std::vector<std::string> paragraphs;
        for (const auto& paragraph : *expected.find("paragraphs")->as_array())
            paragraphs.push_back(*paragraph.as_string());
        EXPECT_EQ(article->paragraphs, paragraphs);
    }
}

}  // namespace
}  // namespace papyr::extraction
