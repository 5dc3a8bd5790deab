#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "news_api/json.h"

namespace papyr {
namespace {

enum class Kind { Feed, ArticleResponse, Article, Bookmarks, Manifest };

// "OK", or the error description of a failed decode.
std::string outcome(Kind kind, std::string_view text) {
    const auto describe = [](const auto& result) {
        return result ? std::string("OK") : result.error();
    };
    switch (kind) {
        case Kind::Feed:
            return describe(decode_feed_response(text));
        case Kind::ArticleResponse:
            return describe(decode_article_response(text));
        case Kind::Article:
            return describe(decode_article_detail(text));
        case Kind::Bookmarks:
            return describe(decode_news_feed_items(text));
        case Kind::Manifest:
            return describe(decode_ota_manifest(text));
    }
    return "unreachable";
}

NewsFeedItem headline(std::string id, std::string title, std::string link) {
    NewsFeedItem item;
    item.id = std::move(id);
    item.title = std::move(title);
    item.link = std::move(link);
    return item;
}

ArticleDetail article_of(std::string url, std::string source, std::string title) {
    ArticleDetail article;
    article.url = std::move(url);
    article.source = std::move(source);
    article.title = std::move(title);
    return article;
}

TEST(JsonDecode, ObjectsWithOnlyTheRequiredKeysTakeTheDefaults) {
    const auto item = decode_news_feed_items(R"([{"link":"l","title":"t","id":"i"}])");
    ASSERT_TRUE(item) << item.error();
    ASSERT_EQ(item->size(), 1U);
    EXPECT_EQ((*item)[0], headline("i", "t", "l"));

    const auto article = decode_article_detail(R"({"url":"u","source":"s","title":"t"})");
    ASSERT_TRUE(article) << article.error();
    EXPECT_EQ(*article, article_of("u", "s", "t"));

    const auto manifest =
        decode_ota_manifest(R"({"version":"1.0.1","name":"n","changelog":"c","download_url":"d"})");
    ASSERT_TRUE(manifest) << manifest.error();
    EXPECT_EQ(manifest->size_mb, 0.0F);
    EXPECT_FALSE(manifest->sha256.has_value());

    for (const char* text : {R"({"success":true})", R"({"success":true,"items":null})"}) {
        const auto feed = decode_feed_response(text);
        ASSERT_TRUE(feed) << feed.error();
        EXPECT_TRUE(feed->success);
        EXPECT_FALSE(feed->items.has_value());
        EXPECT_FALSE(feed->error.has_value());
    }
}

TEST(JsonDecode, ReadsEveryFieldAndDecodesEscapes) {
    const auto feed = decode_feed_response(
        "{\"success\":false,\"error\":\"L\\u1ed7i \\\"x\\\" \\\\ \\/ \\b\\f\\n\\r\\t "
        "\\ud83d\\ude00\","
        " \"items\" : [ {\"id\":\"1\",\"title\":\"Tiếng Việt\",\"lead\":\"l\",\"link\":\"k\","
        "\"pubDate\":\"p\",\"imageUrl\":\"im\",\"author\":null,\"sourceId\":\"a\","
        "\"sourceName\":\"b\",\"categoryId\":\"c\"} ] }");
    ASSERT_TRUE(feed) << feed.error();
    EXPECT_FALSE(feed->success);
    EXPECT_EQ(feed->error, "Lỗi \"x\" \\ / \b\f\n\r\t \xF0\x9F\x98\x80");
    ASSERT_TRUE(feed->items.has_value());
    EXPECT_EQ(feed->items->at(0),
              (NewsFeedItem{"1", "Tiếng Việt", "l", "k", "p", "im", std::nullopt, "a", "b", "c"}));

    const auto response = decode_article_response(
        R"({"article":{"url":"u","source":"s","title":"t","lead":"l","author":"a",)"
        R"("pubDate":null,"paragraphs":["p1","p2"],"wordCount":18446744073709551615,)"
        R"("readingTimeMinutes":3},"error":null,"success":true})");
    ASSERT_TRUE(response) << response.error();
    EXPECT_EQ(
        response->article,
        (ArticleDetail{
            "u", "s", "t", "l", "a", std::nullopt, {"p1", "p2"}, 18446744073709551615ULL, 3}));
}

TEST(JsonDecode, UnknownKeysAreSkippedWithWhateverValueTheyHold) {
    const auto item = decode_news_feed_items(
        R"([{"id":"i","category":{"a":[1,-2.5e3,true,false,null,"\ud800",{}],"b":[]},)"
        R"("title":"t","link":"l","":"x"}])");
    ASSERT_TRUE(item) << item.error();
    EXPECT_EQ(item->at(0), headline("i", "t", "l"));

    const auto article = decode_article_detail(
        R"({"url":"u","source":"s","title":"t","imageUrl":"x","imageUrl":"y"})");
    ASSERT_TRUE(article) << article.error();
    EXPECT_EQ(*article, article_of("u", "s", "t"));
}

TEST(JsonDecode, RecordsMayBeGivenAsArraysInFieldOrder) {
    const auto items =
        decode_news_feed_items(R"([["i","t","l","k"],["i","t","l","k","p",null,"a"]])");
    ASSERT_TRUE(items) << items.error();
    NewsFeedItem expected = headline("i", "t", "k");
    expected.lead = "l";
    EXPECT_EQ(items->at(0), expected);
    EXPECT_EQ(items->at(1).author, "a");

    const auto manifest = decode_ota_manifest(R"(["1","n","c","d"])");
    ASSERT_TRUE(manifest) << manifest.error();
    EXPECT_EQ(manifest->download_url, "d");

    const auto feed = decode_feed_response("[true,null,null]");
    ASSERT_TRUE(feed) << feed.error();
    EXPECT_TRUE(feed->success);
}

TEST(JsonDecode, SurroundingWhiteSpaceIsAllowed) {
    EXPECT_EQ(outcome(Kind::Feed, " \t\r\n{\"success\":true}\n"), "OK");
    EXPECT_EQ(outcome(Kind::Bookmarks, "\n[\n]\n"), "OK");
}

TEST(JsonDecode, SizeIsAnyNumberRoundedThroughADouble) {
    struct Case {
        const char* number;
        float expected;
    };
    const Case cases[] = {
        {"12", 12.0F},
        {"12.5", 12.5F},
        {"-3", -3.0F},
        {"0.1", 0.1F},
        {"1e-50", 0.0F},
        {"1e39", INFINITY},
        // The double is the one serde_json's own arithmetic gives, one step
        // away from the nearest double, and it rounds to a different float.
        {"5.1952992255466234894356603e-11", 5.1952994e-11F},
    };
    for (const Case& c : cases) {
        const auto manifest = decode_ota_manifest(
            std::string(
                R"({"version":"1","name":"n","changelog":"c","download_url":"d","size_mb":)") +
            c.number + "}");
        ASSERT_TRUE(manifest) << c.number << ": " << manifest.error();
        EXPECT_EQ(manifest->size_mb, c.expected) << c.number;
    }
}

// The expected texts are what serde_json 1.0 reports for the same input,
// except that an array form that ends early reports the number of elements
// it had (serde_json reports the index of the missing field, which differs
// when defaulted fields come before it).
TEST(JsonDecode, FailuresAreDescribedWithTheirPosition) {
    struct Case {
        Kind kind;
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {Kind::Feed, "", "EOF while parsing a value at line 1 column 0"},
        {Kind::Feed, "   \n  ", "EOF while parsing a value at line 2 column 2"},
        {Kind::Feed, "{\"success\":true} x", "trailing characters at line 1 column 18"},
        {Kind::Feed, "<html>502 Bad Gateway</html>", "expected value at line 1 column 1"},
        {Kind::Feed, "\xEF\xBB\xBF{\"success\":true}", "expected value at line 1 column 1"},
        {Kind::Feed, "{\"items\":[]}", "missing field `success` at line 1 column 12"},
        {Kind::Feed, "{\"success\":true,\n \"success\":false}",
         "duplicate field `success` at line 2 column 10"},
        {Kind::Feed, "{\"success\":true,\"success\"}",
         "duplicate field `success` at line 1 column 26"},
        {Kind::Feed, "[true]",
         "invalid length 1, expected struct FeedResponse with 3 elements at line 1 column 6"},
        {Kind::Feed, "[true,null,null,\"x\"]", "trailing characters at line 1 column 17"},
        {Kind::Feed, "[true,null,null,]", "trailing comma at line 1 column 17"},
        {Kind::Feed, "{\"success\":\"yes\"}",
         "invalid type: string \"yes\", expected a boolean at line 1 column 16"},
        {Kind::Feed, "{\"success\":null}",
         "invalid type: null, expected a boolean at line 1 column 15"},
        {Kind::Feed, "{\"success\":1}",
         "invalid type: integer `1`, expected a boolean at line 1 column 12"},
        {Kind::Feed, "{\"success\":tru}", "expected ident at line 1 column 15"},
        {Kind::Feed, "{\"success\":t", "EOF while parsing a value at line 1 column 12"},
        {Kind::Feed, "{\"success\":true,}", "trailing comma at line 1 column 17"},
        {Kind::Feed, "{\"success\":true \"error\":null}",
         "expected `,` or `}` at line 1 column 17"},
        {Kind::Feed, "{\"success\" true}", "expected `:` at line 1 column 12"},
        {Kind::Feed, "{success:true}", "key must be a string at line 1 column 2"},
        {Kind::Feed, "{\"success\":true", "EOF while parsing an object at line 1 column 15"},
        {Kind::Feed, "{\"success\":true,\"x\":[1,2",
         "EOF while parsing a list at line 1 column 24"},
        {Kind::Feed, "{\"success\":true,\"x\":[1 2]}", "expected `,` or `]` at line 1 column 24"},
        {Kind::Feed, "{\"success\":true,\"x\":01}", "invalid number at line 1 column 22"},
        {Kind::Feed, "{\"success\":true,\"x\":1.}", "invalid number at line 1 column 23"},
        {Kind::Feed, "{\"success\":true,\"x\":-}", "invalid number at line 1 column 22"},
        {Kind::Feed, "{\"success\":true,\"error\":\"a\\qb\"}",
         "invalid escape at line 1 column 28"},
        {Kind::Feed, "{\"success\":true,\"error\":\"\\u12\"}",
         "invalid escape at line 1 column 30"},
        {Kind::Feed, "{\"success\":true,\"error\":\"\\u12x4\"}",
         "invalid escape at line 1 column 30"},
        {Kind::Feed, "{\"success\":true,\"error\":\"tab\there\"}",
         "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 29"},
        {Kind::Feed, "{\"success\":true,\"error\":\"line\nbreak\"}",
         "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0"},
        {Kind::Feed, "{\"success\":true,\"x\":\"tab\there\"}",
         "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 24"},
        {Kind::Feed, "{\"success\":true,\"error\":\"\\udc00\"}",
         "lone leading surrogate in hex escape at line 1 column 31"},
        {Kind::Feed, "{\"success\":true,\"error\":\"\\ud800x\"}",
         "unexpected end of hex escape at line 1 column 32"},
        {Kind::Feed, "{\"success\":true,\"error\":\"\\ud800\\u0041\"}",
         "lone leading surrogate in hex escape at line 1 column 37"},
        {Kind::Feed,
         "{\"success\":true,\"error\":\"caf\xE9"
         "\"}",
         "invalid unicode code point at line 1 column 30"},
        {Kind::Feed,
         "{\"success\":true,\"items\":[{\"id\":\"i\",\"title\":\"t\",\"link\":\"l\"},{\"id\":\"j\","
         "\"title\":\"u\"}]}",
         "missing field `link` at line 1 column 81"},
        {Kind::Feed, "{\"success\":true,\"items\":{}}",
         "invalid type: map, expected a sequence at line 1 column 24"},
        {Kind::Feed, "{\"success\":true,\"error\":5}",
         "invalid type: integer `5`, expected a string at line 1 column 25"},
        {Kind::Feed, "{\"success\":true,\"error\":[]}",
         "invalid type: sequence, expected a string at line 1 column 24"},
        {Kind::Feed,
         "{\"success\":\"a\\u0301\\u200b\\u001b\\\"\\\\\\n\\u0000\\u00a0\\u00ad\\u2028 ệ\"}",
         "invalid type: string \"a\\u{301}\\u{200b}\\u{1b}\\\"\\\\\\n\\0\\u{a0}\\u{ad}\\u{2028} "
         "ệ\", expected a boolean at line 1 column 66"},
        {Kind::Bookmarks, R"([{"title":"t","link":"l"}])",
         "missing field `id` at line 1 column 25"},
        {Kind::Bookmarks, R"([{"id":"i","link":"l"}])",
         "missing field `title` at line 1 column 22"},
        {Kind::Bookmarks, R"([{"id":"i","title":"t"}])",
         "missing field `link` at line 1 column 23"},
        {Kind::Article, R"({"url":"u","title":"t"})", "missing field `source` at line 1 column 23"},
        {Kind::Manifest, R"({"version":"1","name":"n","download_url":"d"})",
         "missing field `changelog` at line 1 column 45"},
        {Kind::ArticleResponse, R"({"article":null})",
         "missing field `success` at line 1 column 16"},
        {Kind::Bookmarks, "{}", "invalid type: map, expected a sequence at line 1 column 0"},
        {Kind::Bookmarks, "[{\"id\":42,\"title\":\"t\",\"link\":\"l\"}]",
         "invalid type: integer `42`, expected a string at line 1 column 9"},
        // Two elements, then "lead" takes its default and "link" is missing.
        {Kind::Bookmarks, "[[\"i\",\"t\"]]",
         "invalid length 2, expected struct NewsFeedItem with 10 elements at line 1 column 10"},
        {Kind::Bookmarks, "[[\"i\",\"t\",\"l\",\"k\",\"p\",null,null,\"s\",\"n\",\"c\",1]]",
         "trailing characters at line 1 column 45"},
        {Kind::Article, "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"wordCount\":-1}",
         "invalid value: integer `-1`, expected usize at line 1 column 50"},
        {Kind::Article, "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"wordCount\":2.5}",
         "invalid type: floating point `2.5`, expected usize at line 1 column 51"},
        {Kind::Article, "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"wordCount\":-0}",
         "invalid type: floating point `-0`, expected usize at line 1 column 50"},
        {Kind::Article, "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"wordCount\":1e2}",
         "invalid type: floating point `100`, expected usize at line 1 column 51"},
        {Kind::Article,
         "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"wordCount\":18446744073709551616}",
         "invalid type: floating point `18446744073709552000`, expected usize at line 1 column 68"},
        {Kind::Article, "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"wordCount\":\"12\"}",
         "invalid type: string \"12\", expected usize at line 1 column 52"},
        {Kind::Article, "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"wordCount\":1e400}",
         "number out of range at line 1 column 53"},
        {Kind::Article,
         "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"wordCount\":-9223372036854775809}",
         "invalid type: floating point `-9223372036854776000`, expected usize at line 1 column 68"},
        {Kind::Article,
         "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"wordCount\":-0.08345413208007812}",
         "invalid type: floating point `-0.08345413208007813`, expected usize at line 1 column 68"},
        {Kind::Article, "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"paragraphs\":\"p\"}",
         "invalid type: string \"p\", expected a sequence at line 1 column 52"},
        {Kind::Article, "{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\",\"paragraphs\":[1]}",
         "invalid type: integer `1`, expected a string at line 1 column 51"},
        {Kind::Article, "[\"u\",\"s\"]",
         "invalid length 2, expected struct ArticleDetail with 9 elements at line 1 column 9"},
        {Kind::Article, "\"u\"",
         "invalid type: string \"u\", expected struct ArticleDetail at line 1 column 3"},
        {Kind::Manifest,
         "{\"version\":\"1\",\"name\":\"n\",\"changelog\":\"c\",\"download_url\":\"d\",\"size_mb\":"
         "\"12\"}",
         "invalid type: string \"12\", expected f32 at line 1 column 75"},
        {Kind::Manifest,
         "{\"version\":\"1\",\"name\":null,\"changelog\":\"c\",\"download_url\":\"d\"}",
         "invalid type: null, expected a string at line 1 column 26"},
        {Kind::Manifest, "[\"1\",\"n\",\"c\"]",
         "invalid length 3, expected struct OtaManifest with 6 elements at line 1 column 13"},
        {Kind::ArticleResponse,
         "{\"success\":true,\"article\":{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\","
         "\"wordCount\":1,\"wordCount\":2}}",
         "duplicate field `wordCount` at line 1 column 87"},
        {Kind::ArticleResponse, "{\"success\":true,\"article\":\"x\"}",
         "invalid type: string \"x\", expected struct ArticleDetail at line 1 column 29"},
        {Kind::ArticleResponse,
         "{\"success\":true,\"article\":{\"url\":\"u\",\"source\":\"s\",\"title\":\"t\"}",
         "EOF while parsing an object at line 1 column 62"},
        {Kind::ArticleResponse, "[true,null]",
         "invalid length 2, expected struct ArticleResponse with 3 elements at line 1 column 11"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(outcome(c.kind, c.text), c.error) << c.text;
    }
}

std::string nested(int depth, const std::string& inner) {
    return std::string(static_cast<std::size_t>(depth), '[') + inner +
           std::string(static_cast<std::size_t>(depth), ']');
}

TEST(JsonDecode, NestingOf128LevelsIsRejectedEvenInSkippedValues) {
    // The feed object is the first level.
    EXPECT_EQ(outcome(Kind::Feed, "{\"success\":true,\"x\":" + nested(126, "1") + "}"), "OK");
    EXPECT_EQ(outcome(Kind::Feed, "{\"success\":true,\"x\":" + nested(127, "1") + "}"),
              "recursion limit exceeded at line 1 column 147");
    EXPECT_EQ(outcome(Kind::Feed, "{\"x\":[{\"y\":" + nested(500000, "") + "}]}"),
              "recursion limit exceeded at line 1 column 136");
}

}  // namespace
}  // namespace papyr
