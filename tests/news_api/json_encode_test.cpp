#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "news_api/json.h"

namespace papyr {
namespace {

NewsFeedItem full_headline(std::string id) {
    return NewsFeedItem{id,          "Tiêu đề",
                        "Tóm tắt",   "https://e.vn/" + id,
                        "Thứ hai",   "https://e.vn/a.jpg",
                        "A",         "vnexpress",
                        "VnExpress", "the-gioi"};
}

TEST(JsonEncode, ArticleCompactHasAllNineKeysInOrder) {
    ArticleDetail article;
    article.url = "https://e.vn/a";
    article.source = "VnExpress";
    article.title = "T";
    article.pub_date = "2024";
    article.paragraphs = {"p1", "p2"};
    article.word_count = 18446744073709551615ULL;
    article.reading_time_minutes = 3;
    EXPECT_EQ(encode_article_compact(article),
              R"({"url":"https://e.vn/a","source":"VnExpress","title":"T","lead":"",)"
              R"("author":null,"pubDate":"2024","paragraphs":["p1","p2"],)"
              R"("wordCount":18446744073709551615,"readingTimeMinutes":3})");

    EXPECT_EQ(encode_article_compact(ArticleDetail{}),
              R"({"url":"","source":"","title":"","lead":"","author":null,"pubDate":null,)"
              R"("paragraphs":[],"wordCount":0,"readingTimeMinutes":0})");
}

TEST(JsonEncode, NestedContainersIndentPerLevel) {
    ArticleResponse response;
    response.success = true;
    response.article = ArticleDetail{};
    response.article->paragraphs = {"a"};
    EXPECT_EQ(encode_json(response, JsonLayout::Indented),
              "{\n"
              "  \"success\": true,\n"
              "  \"article\": {\n"
              "    \"url\": \"\",\n"
              "    \"source\": \"\",\n"
              "    \"title\": \"\",\n"
              "    \"lead\": \"\",\n"
              "    \"author\": null,\n"
              "    \"pubDate\": null,\n"
              "    \"paragraphs\": [\n"
              "      \"a\"\n"
              "    ],\n"
              "    \"wordCount\": 0,\n"
              "    \"readingTimeMinutes\": 0\n"
              "  },\n"
              "  \"error\": null\n"
              "}");

    FeedResponse feed;
    feed.items.emplace();
    EXPECT_EQ(encode_json(feed, JsonLayout::Indented),
              "{\n  \"success\": false,\n  \"items\": [],\n  \"error\": null\n}");
    EXPECT_EQ(encode_json(feed, JsonLayout::Compact),
              R"({"success":false,"items":[],"error":null})");
}

TEST(JsonEncode, StringsAreEscapedMinimally) {
    struct Case {
        std::string text;
        std::string written;
    };
    const Case cases[] = {
        {"say \"hi\"", R"("say \"hi\"")"},
        {"a\\b", R"("a\\b")"},
        {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
        {std::string("\0\x01\x1F", 3), R"("\u0000\u0001\u001f")"},
        {"/ \x7F", "\"/ \x7F\""},
        {"Tiếng Việt 😀", "\"Tiếng Việt 😀\""},
    };
    for (const Case& c : cases) {
        ArticleDetail article;
        article.title = c.text;
        const std::string json = encode_article_compact(article);
        EXPECT_NE(json.find(",\"title\":" + c.written + ","), std::string::npos) << json;
    }
}

TEST(JsonEncode, SizeIsWrittenAsTheShortestFloat) {
    struct Case {
        float size;
        std::string written;
    };
    const Case cases[] = {
        {0.0F, "0.0"},
        {-0.0F, "-0.0"},
        {12.0F, "12.0"},
        {12.5F, "12.5"},
        {0.1F, "0.1"},
        {-3.25F, "-3.25"},
        {1e-5F, "0.00001"},
        {1e-7F, "1e-7"},
        {1.5e-7F, "1.5e-7"},
        {123456792.0F, "123456790.0"},
        {1e13F, "1e13"},
        {9.999999e12F, "9999999000000.0"},
        {3.4028235e38F, "3.4028235e38"},
        {std::numeric_limits<float>::infinity(), "null"},
        {std::nanf(""), "null"},
    };
    for (const Case& c : cases) {
        OtaManifest manifest;
        manifest.size_mb = c.size;
        EXPECT_EQ(encode_json(manifest, JsonLayout::Compact),
                  R"({"version":"","name":"","changelog":"","download_url":"","size_mb":)" +
                      c.written + R"(,"sha256":null})");
    }
}

TEST(JsonEncode, WhatIsWrittenReadsBackTheSame) {
    ArticleDetail article;
    article.url = "u";
    article.source = "s\t";
    article.title = "\"t\"\x01";
    article.author = "Tác giả";
    article.paragraphs = {"", "x"};
    article.word_count = 7;
    for (const JsonLayout layout : {JsonLayout::Compact, JsonLayout::Indented}) {
        const auto article_back = decode_article_detail(encode_json(article, layout));
        ASSERT_TRUE(article_back) << article_back.error();
        EXPECT_EQ(*article_back, article);

        const std::vector<NewsFeedItem> items = {full_headline("1"), full_headline("2")};
        const auto items_back = decode_news_feed_items(encode_json(items, layout));
        ASSERT_TRUE(items_back) << items_back.error();
        EXPECT_EQ(*items_back, items);

        OtaManifest manifest{"1.0.1", "n", "c", "d", 12.3F, "ab"};
        const auto manifest_back = decode_ota_manifest(encode_json(manifest, layout));
        ASSERT_TRUE(manifest_back) << manifest_back.error();
        EXPECT_EQ(*manifest_back, manifest);
    }
}

}  // namespace
}  // namespace papyr
