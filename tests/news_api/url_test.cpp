#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "news_api/percent_encode.h"
#include "news_api/url_hash.h"

namespace papyr {
namespace {

TEST(PercentEncode, KeepsOnlyUnreservedAsciiAndEncodesEveryOtherByte) {
    struct Case {
        std::string text;
        std::string encoded;
    };
    const Case cases[] = {
        {"", ""},
        {"AZaz09-._~", "AZaz09-._~"},
        {" ", "%20"},
        {"/", "%2F"},
        {":", "%3A"},
        {"?&=#", "%3F%26%3D%23"},
        {"+%", "%2B%25"},
        {"ộ", "%E1%BB%99"},
        {std::string("\x00\x7F\xFF", 3), "%00%7F%FF"},
        {"https://demo.papyr.invalid/a b?id=7&ref=feed#top",
         "https%3A%2F%2Fdemo.papyr.invalid%2Fa%20b%3Fid%3D7%26ref%3Dfeed%23top"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(percent_encode(c.text), c.encoded) << c.text;
    }
}

TEST(UrlHash, MatchesRustsDefaultHasherOverAStr) {
    // Reference values printed by Rust's DefaultHasher::new() after
    // `text.hash(&mut hasher)`. The inputs cover an empty text, a tail that
    // fills exactly one block together with the 0xFF ("1234567"), one that
    // spills into a second block, and multi-byte UTF-8.
    struct Case {
        std::string text;
        std::uint64_t hash;
    };
    const Case cases[] = {
        {"", 0x30406ea523c53defULL},
        {"a", 0x719b50b9a4f0e9f3ULL},
        {"abc", 0xef09e0f4895a251dULL},
        {"1234567", 0xb9a4f30e757fe044ULL},
        {"12345678", 0x40cc4e544a5af2cdULL},
        {"Tiếng Việt có dấu, một chuỗi dài hơn mười sáu byte", 0x21a6b8ae1ade15aeULL},
        {"https://demo.papyr.invalid/vnexpress/tin-moi/bài-viết-ộ?x=1&y=2#z",
         0x5860a75c725fac27ULL},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(url_hash(c.text), c.hash) << c.text;
    }
}

TEST(ArticleCacheFileName, IsTheHashInLowercaseHexWithoutLeadingZeros) {
    EXPECT_EQ(article_cache_file_name("abc"), "art_ef09e0f4895a251d.json");

    // Find a URL whose hash is below 2^60: its name has fewer than 16 digits.
    std::string url;
    std::uint64_t hash = 0;
    for (int i = 0;; ++i) {
        url = "https://demo.papyr.invalid/" + std::to_string(i);
        hash = url_hash(url);
        if (hash < (std::uint64_t{1} << 60))
            break;
    }
    const std::string name = article_cache_file_name(url);
    char expected_digits[17] = {};
    std::snprintf(expected_digits, sizeof expected_digits, "%llx",
                  static_cast<unsigned long long>(hash));
    EXPECT_EQ(name, "art_" + std::string(expected_digits) + ".json");
    EXPECT_LT(name.size(), std::string("art_.json").size() + 16);
    EXPECT_NE(name.substr(4, 1), "0");
}

}  // namespace
}  // namespace papyr
