#include "news_server/sources.h"

#include <gtest/gtest.h>

#include <set>

#include "main/catalogue.h"
#include "news_api/json.h"
#include "news_server/catalogue.h"
#include "news_server/program.h"

namespace papyr::news_server {
namespace {

// A complete file: `first_publisher` for VnExpress, and a plain publisher
// for every other source of the catalogue, so one thing at a time can be
// broken in the first.
std::string sources_text(const std::string& first_publisher) {
    std::string text = R"({"publishers": [)" + first_publisher;
    std::string open_source;
    for (const CatalogueEntry& entry : reader_catalogue()) {
        if (entry.source_id == "vnexpress")
            continue;
        if (entry.source_id != open_source) {
            if (!open_source.empty())
                text += R"(], "extraction": {}})";
            open_source = std::string(entry.source_id);
            text +=
                R"(, {"id": ")" + open_source +
                R"(", "name": "X", "hosts": ["example.org"], "timeZone": "+00:00", "categories": [)";
        } else {
            text += ",";
        }
        text += R"({"id": ")" + std::string(entry.category_id) +
                R"(", "feeds": ["https://example.org/feed"]})";
    }
    return text + R"(], "extraction": {}}]})";
}

const std::string kVnExpress = R"({"id": "vnexpress", "name": "VnExpress",
  "hosts": ["vnexpress.net"], "timeZone": "+07:00", "extraction": {},
  "categories": [{"id": "tin-moi", "feeds": ["https://vnexpress.net/rss/tin-moi-nhat.rss"]},
                 {"id": "thoi-su", "feeds": ["https://vnexpress.net/rss/thoi-su.rss"]},
                 {"id": "the-gioi", "feeds": ["https://vnexpress.net/rss/the-gioi.rss"]},
                 {"id": "cong-nghe", "feeds": ["http://vnexpress.net/a.rss", "https://vnexpress.net/b.rss"], "merge": true},
                 {"id": "kinh-doanh", "feeds": ["https://vnexpress.net/rss/kinh-doanh.rss"]}]})";

Result<Sources> repository_sources() {
    return load_sources(std::filesystem::path(PAPYR_SOURCE_DIR) / "packaging" / "sources.json");
}

TEST(Sources, TheRepositoryFileCoversTheReadersWholeCatalogue) {
    const auto sources = repository_sources();
    ASSERT_TRUE(sources) << sources.error();
    // The service's list of entries is the reader's own catalogue.
    std::vector<std::pair<std::string, std::string>> reader;
    for (const NewsSource& source : build_catalogue()) {
        for (const NewsCategory& category : source.categories)
            reader.emplace_back(source.id, category.id);
    }
    std::vector<std::pair<std::string, std::string>> service;
    for (const CatalogueEntry& entry : reader_catalogue())
        service.emplace_back(entry.source_id, entry.category_id);
    EXPECT_EQ(service, reader);
    // The names are the catalogue's, which the reader shows as sourceName.
    for (const NewsSource& source : build_catalogue()) {
        const Publisher* publisher = sources->find(source.id);
        ASSERT_NE(publisher, nullptr) << source.id;
        EXPECT_EQ(publisher->name, source.name);
    }
    const Publisher* dantri = sources->find("dantri");
    ASSERT_NE(dantri, nullptr);
    EXPECT_TRUE(dantri->find_category("xa-hoi")->feeds.merge);
    EXPECT_EQ(dantri->utc_offset_minutes, 420);
    EXPECT_EQ(sources->find("guardian")->utc_offset_minutes, 0);
}

TEST(Sources, ReadsEveryMemberOfAPublisher) {
    const auto sources = parse_sources(sources_text(kVnExpress));
    ASSERT_TRUE(sources) << sources.error();
    const Publisher& vnexpress = sources->publishers.front();
    EXPECT_EQ(vnexpress.hosts, std::vector<std::string>{"vnexpress.net"});
    EXPECT_TRUE(vnexpress.paths.empty());
    EXPECT_EQ(vnexpress.utc_offset_minutes, 420);
    const Category* technology = vnexpress.find_category("cong-nghe");
    ASSERT_NE(technology, nullptr);
    // A feed written the old way is read over https.
    ASSERT_EQ(technology->feeds.urls.size(), 2U);
    EXPECT_EQ(to_string(technology->feeds.urls[0]), "https://vnexpress.net/a.rss");
    EXPECT_EQ(to_string(technology->feeds.urls[1]), "https://vnexpress.net/b.rss");
    EXPECT_TRUE(technology->feeds.merge);
    EXPECT_FALSE(vnexpress.find_category("tin-moi")->feeds.merge);
}

struct BrokenCase {
    std::string what;
    std::string from;  // replaced once in kVnExpress…
    std::string to;    // …by this
    std::string message;
};

TEST(Sources, ABrokenFileNamesThePlaceAndTheProblem) {
    const std::vector<BrokenCase> cases{
        {"feed on another host", "https://vnexpress.net/rss/thoi-su.rss",
         "https://evil.example/x.rss",
         R"(publishers[0] ("vnexpress").categories[1] ("thoi-su").feeds[0]: host "evil.example" is not one of the publisher's hosts)"},
        {"feed not http", "https://vnexpress.net/rss/the-gioi.rss", "file:///etc/passwd",
         R"(publishers[0] ("vnexpress").categories[2] ("the-gioi").feeds[0]: not an http(s) URL)"},
        {"feed host no DNS name", "https://vnexpress.net/rss/the-gioi.rss",
         "https://[::1].vnexpress.net/x.rss",
         R"(publishers[0] ("vnexpress").categories[2] ("the-gioi").feeds[0]: not an http(s) URL)"},
        {"misspelt member", R"("feeds": ["https://vnexpress.net/rss/kinh-doanh.rss"])",
         R"("feed": ["https://vnexpress.net/rss/kinh-doanh.rss"])",
         R"(publishers[0] ("vnexpress").categories[4]: unknown member "feed")"},
        {"no feeds", R"(["https://vnexpress.net/rss/kinh-doanh.rss"])", "[]",
         R"(publishers[0] ("vnexpress").categories[4] ("kinh-doanh").feeds: must not be empty)"},
        {"merge not a boolean", R"("merge": true)", R"("merge": "yes")",
         R"(publishers[0] ("vnexpress").categories[3] ("cong-nghe").merge: must be true or false, found a string)"},
        {"bad time zone", R"("+07:00")", R"("GMT+7")",
         R"(publishers[0] ("vnexpress").timeZone: must be an offset such as "+07:00")"},
        {"host with a scheme", R"(["vnexpress.net"])", R"(["https://vnexpress.net"])",
         R"(publishers[0] ("vnexpress").hosts[0]: must be a lowercase domain name such as "example.com")"},
        {"id with a slash", R"("id": "thoi-su")", R"("id": "thoi/su")",
         R"(publishers[0] ("vnexpress").categories[1].id: must be lowercase letters, digits and "-")"},
        {"category twice", R"("id": "thoi-su")", R"("id": "tin-moi")",
         R"(publishers[0] ("vnexpress").categories[1]: category "tin-moi" appears twice)"},
        {"catalogue entry missing", R"("id": "kinh-doanh")", R"("id": "kinh-te")",
         R"(publisher "vnexpress" has no category "kinh-doanh", which the reader's catalogue names)"},
        {"no extraction rules", R"("extraction": {},)", "",
         R"(publishers[0] ("vnexpress"): missing member "extraction")"},
        {"extraction not an object", R"("extraction": {})", R"("extraction": [])",
         // The rest is the extraction rules' own message.
         R"(publishers[0] ("vnexpress").extraction: )"},
    };
    for (const BrokenCase& broken : cases) {
        std::string publisher = kVnExpress;
        const std::size_t at = publisher.find(broken.from);
        ASSERT_NE(at, std::string::npos) << broken.what;
        publisher.replace(at, broken.from.size(), broken.to);
        const auto sources = parse_sources(sources_text(publisher));
        ASSERT_FALSE(sources) << broken.what;
        if (broken.message.ends_with(": "))
            EXPECT_TRUE(sources.error().starts_with(broken.message)) << sources.error();
        else
            EXPECT_EQ(sources.error(), broken.message) << broken.what;
    }
}

TEST(Sources, AFileThatIsNoJsonGivesTheParsersPosition) {
    const auto sources = parse_sources("{\"publishers\": [\n  {\"id\": \"x\",}\n]}");
    ASSERT_FALSE(sources);
    EXPECT_NE(sources.error().find("line 2 column"), std::string::npos) << sources.error();
    const auto loaded = load_sources("/nonexistent/sources.json");
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error(), "/nonexistent/sources.json: cannot be read");
}

TEST(Sources, AnArticleBelongsToThePublisherOfItsHostAndPath) {
    const auto sources = repository_sources();
    ASSERT_TRUE(sources) << sources.error();
    const std::vector<std::pair<std::string, std::string>> cases{
        {"https://vnexpress.net/tin-mot-4812345.html", "vnexpress"},
        {"http://vnexpress.net/tin-mot-4812345.html", "vnexpress"},
        {"https://e.vnexpress.net/news/a-1.html", "vnexpress"},
        {"https://VNEXPRESS.NET/x.html", "vnexpress"},
        {"https://www.bbc.com/vietnamese/articles/c1234", "bbc-vn"},
        {"https://www.bbc.com/vietnamese", "bbc-vn"},
        {"https://www.bbc.com/vietnamesefake/x", "bbc-world"},
        {"https://www.bbc.co.uk/news/articles/c5678", "bbc-world"},
        {"https://www.theguardian.com/world/2025/jun/02/story", "guardian"},
        {"https://notvnexpress.net/x.html", ""},
        {"https://vnexpress.net.evil.com/x.html", ""},
        {"https://user@vnexpress.net/x.html", ""},
        {"ftp://vnexpress.net/x.html", ""},
        {"file:///etc/passwd", ""},
        {"https://127.0.0.1/x", ""},
        {"https://[::1].vnexpress.net/x", ""},
        {"vnexpress.net/x.html", ""},
    };
    for (const auto& [text, expected] : cases) {
        const std::optional<HttpsUrl> url = parse_https_url(text, PlainHttp::Upgrade);
        const Publisher* publisher = url ? sources->publisher_of(*url) : nullptr;
        EXPECT_EQ(publisher == nullptr ? "" : publisher->id, expected) << text;
    }
}

// The extract command reads a page it is given: a publisher's with its rules
// and name, any other site's with the generic extraction, and only a URL that
// is no http(s) URL at all is refused.
TEST(ExtractCommand, ReadsPagesOfPublishersAndOfAnyOtherSite) {
    const auto sources = repository_sources();
    ASSERT_TRUE(sources) << sources.error();
    const std::string page =
        "<html><head><meta property='og:site_name' content='Example Daily'></head><body>"
        "<article><h1>A headline</h1><p>The first paragraph of the story, long enough to "
        "count as article text for any extractor worth its name.</p><p>A second paragraph "
        "follows with more words, so that the body is plainly the main content.</p>"
        "</article></body></html>";
    const auto answer = [&](const std::string& url) {
        const auto decoded = decode_article_response(extract_command_answer(
            *sources, ExtractOptions{url, std::nullopt, std::nullopt}, page));
        EXPECT_TRUE(decoded) << url;
        return decoded ? *decoded : ArticleResponse{};
    };
    const ArticleResponse foreign = answer("https://news.example.org/2025/a-headline");
    ASSERT_TRUE(foreign.success) << foreign.error.value_or("");
    EXPECT_EQ(foreign.article->url, "https://news.example.org/2025/a-headline");
    EXPECT_EQ(foreign.article->source, "Example Daily");
    EXPECT_EQ(foreign.article->title, "A headline");
    EXPECT_EQ(foreign.article->paragraphs.size(), 2U);

    const ArticleResponse publisher = answer("https://vnexpress.net/a-headline-123.html");
    ASSERT_TRUE(publisher.success);
    EXPECT_EQ(publisher.article->source, "VnExpress");

    for (const std::string bad : {"ftp://vnexpress.net/a.html", "not a url"}) {
        const ArticleResponse refused = answer(bad);
        EXPECT_FALSE(refused.success) << bad;
        EXPECT_TRUE(refused.error.has_value()) << bad;
    }
}

TEST(Sources, ReadsTimeZoneOffsets) {
    const std::vector<std::pair<std::string, std::optional<int>>> cases{
        {"+07:00", 420},         {"-05:30", -330},         {"+00:00", 0},
        {"+14:00", 840},         {"+15:00", std::nullopt}, {"+7:00", std::nullopt},
        {"07:00", std::nullopt}, {"+07:60", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parse_utc_offset(text), expected) << text;
}

}  // namespace
}  // namespace papyr::news_server
