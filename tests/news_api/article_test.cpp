#include "news_api/article.h"

#include <gtest/gtest.h>

#include "news_api/json.h"
#include "news_api/url_hash.h"
#include "support/fake_programs.h"
#include "support/news_server.h"
#include "support/temp.h"

// fetch_article and its offline cache, against the stand-in server (or a
// stand-in curl where the answer must be one the server never gives).

namespace papyr {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

// The demo server's first headline of VnExpress / Tin mới.
constexpr char kLink[] = "https://demo.papyr.invalid/vnexpress/tin-moi/tin-1.html";

std::vector<std::string> cache_files(const fs::path& folder) {
    std::vector<std::string> names;
    if (!fs::exists(folder))
        return names;
    for (const fs::directory_entry& file : fs::directory_iterator(folder))
        names.push_back(file.path().filename().string());
    return names;
}

class ArticleTest : public ::testing::Test {
  protected:
    test::TempDir dir_;
    CacheLocations locations_{(dir_ / "card/cache").string(), (dir_ / "local").string()};
    fs::path card_ = locations_.sd_card;
};

TEST(ArticleFromBody, FailuresCarryTheServersTextOrTheDecodersDescription) {
    struct Case {
        const char* body;
        std::string message;
    };
    const Case cases[] = {
        {R"({"success":true,"article":null})", "Nội dung bài viết trống"},
        {R"({"success":true})", "Nội dung bài viết trống"},
        {R"({"success":false,"error":"Trang chặn truy cập"})", "Trang chặn truy cập"},
        {R"({"success":false,"article":{"url":"u","source":"s","title":"t"}})",
         "Không thể tải bài báo này"},
        {"<html>502</html>", "Lỗi phân tích nội dung bài viết: expected value at line 1 column 1"},
        {R"({"success":true,"article":{"url":"u","title":"t"}})",
         "Lỗi phân tích nội dung bài viết: missing field `source` at line 1 column 49"},
    };
    for (const Case& c : cases) {
        const Result<ArticleDetail> article = article_from_body(c.body);
        ASSERT_FALSE(article.has_value()) << c.body;
        EXPECT_EQ(article.error(), c.message) << c.body;
    }
}

class ArticleLiveTest : public ArticleTest {
  protected:
    test::LocalNewsServer server_;

    Result<ArticleDetail> fetch(const std::string& url) {
        return fetch_article(url, locations_, server_.api_base_url());
    }
    std::size_t article_requests() const {
        std::size_t count = 0;
        for (const std::string& request : server_.requests()) {
            if (request.rfind("GET /api/v1/news/article?", 0) == 0)
                ++count;
        }
        return count;
    }
};

TEST_F(ArticleLiveTest, TheFirstOpeningIsCachedAndTheNextOneNeedsNoNetwork) {
    const Result<ArticleDetail> first = fetch(kLink);
    ASSERT_TRUE(first.has_value()) << first.error();
    EXPECT_EQ(first->url, kLink);
    EXPECT_FALSE(first->paragraphs.empty());
    EXPECT_EQ(read_file(card_ / article_cache_file_name(kLink)), encode_article_compact(*first));
    EXPECT_EQ(cache_files(card_).size(), 1U);  // no temporary file left behind

    server_.set_fault("empty");  // any request from now on would fail
    const Result<ArticleDetail> second = fetch(kLink);
    ASSERT_TRUE(second.has_value()) << second.error();
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(article_requests(), 1U);
}

TEST_F(ArticleLiveTest, ADamagedCacheFileIsASilentMissAndIsRewrittenWhole) {
    const Result<ArticleDetail> original = fetch(kLink);
    ASSERT_TRUE(original.has_value()) << original.error();
    const fs::path file = card_ / article_cache_file_name(kLink);
    const std::string whole = read_file(file);

    const std::string damaged[] = {
        whole.substr(0, whole.size() / 2),  // cut off by a crash
        whole + "x",                        // trailing text
        "\xff" + whole.substr(1),           // not UTF-8
        R"({"url":"u","title":"t"})",       // lacks "source"
        "",
    };
    std::size_t expected_requests = 1;
    for (const std::string& content : damaged) {
        write_file(file, content);
        const Result<ArticleDetail> again = fetch(kLink);
        ASSERT_TRUE(again.has_value()) << again.error();
        EXPECT_EQ(*again, *original);
        EXPECT_EQ(article_requests(), ++expected_requests) << content;
        EXPECT_EQ(read_file(file), whole) << content;
    }
}

TEST_F(ArticleLiveTest, LinksWithQueryCharactersArriveEncodedAndAreFound) {
    const std::string link = "https://demo.papyr.invalid/guardian/world/story?id=7&ref=feed#top";
    const Result<ArticleDetail> article = fetch(link);
    ASSERT_TRUE(article.has_value()) << article.error();
    EXPECT_EQ(article->url, link);
    EXPECT_EQ(server_.requests(),
              std::vector<std::string>{
                  "GET /api/v1/news/article?url=https%3A%2F%2Fdemo.papyr.invalid%2Fguardian%2F"
                  "world%2Fstory%3Fid%3D7%26ref%3Dfeed%23top"});
}

TEST_F(ArticleLiveTest, FailuresWriteNoCacheFile) {
    // The messages themselves are article_from_body's, checked above.
    for (const char* fault : {"null-payload", "success-false", "truncated"}) {
        server_.set_fault(fault);
        EXPECT_FALSE(fetch(kLink).has_value()) << fault;
    }
    EXPECT_EQ(cache_files(card_), std::vector<std::string>{});
}

TEST_F(ArticleTest, ACachedArticleIsUsedWhateverUrlItHolds) {
    ArticleDetail stored;
    stored.url = "https://elsewhere.invalid/moved";
    stored.source = "S";
    stored.title = "T";
    fs::create_directories(card_);
    write_file(card_ / article_cache_file_name("asked"), encode_article_compact(stored));

    // No server at all: any request would fail.
    const Result<ArticleDetail> article = fetch_article("asked", locations_, "https://127.0.0.1:1");
    ASSERT_TRUE(article.has_value()) << article.error();
    EXPECT_EQ(*article, stored);
}

TEST_F(ArticleTest, TheCacheFileIsNamedAfterTheUrlTheServerReturned) {
    test::FakeProgramDir fakes;
    fakes.add_recording_script(
        "curl",
        R"(printf '%s' '{"success":true,"article":{"url":"abc","source":"S","title":"T"}}')");

    for (int attempt = 0; attempt < 2; ++attempt) {
        const Result<ArticleDetail> article = fetch_article("asked", locations_, "https://h");
        ASSERT_TRUE(article.has_value()) << article.error();
        EXPECT_EQ(article->url, "abc");
    }
    EXPECT_EQ(cache_files(card_), std::vector<std::string>{"art_ef09e0f4895a251d.json"});
    EXPECT_EQ(read_file(card_ / "art_ef09e0f4895a251d.json"),
              R"({"url":"abc","source":"S","title":"T","lead":"","author":null,"pubDate":null,)"
              R"("paragraphs":[],"wordCount":0,"readingTimeMinutes":0})");
    // The asked url never finds that file, so both openings went to the network.
    ASSERT_EQ(fakes.recorded_calls("curl").size(), 2U);
    EXPECT_EQ(fakes.recorded_calls("curl")[0].back(), "https://h/article?url=asked");
}

TEST_F(ArticleTest, AnUnwritableCacheStillGivesTheArticle) {
    test::FakeProgramDir fakes;
    fakes.add_script(
        "curl", R"(printf '%s' '{"success":true,"article":{"url":"u","source":"S","title":"T"}}')");
    write_file(dir_ / "card", "");  // neither folder can be created
    locations_.local = (dir_ / "card/local").string();

    const Result<ArticleDetail> article = fetch_article("u", locations_, "https://h");
    ASSERT_TRUE(article.has_value()) << article.error();
    EXPECT_EQ(article->title, "T");
}

}  // namespace
}  // namespace papyr
