#include "base/url.h"

#include <gtest/gtest.h>

namespace papyr {
namespace {

TEST(Url, TakesAbsoluteUrlsApartAndPutsThemTogetherAgain) {
    const auto url = parse_url("HTTPS://VnExpress.NET:8443/a/B.html?x=1&y#Top");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme, "https");
    EXPECT_EQ(url->host, "vnexpress.net");
    EXPECT_EQ(url->port, "8443");
    EXPECT_EQ(url->path, "/a/B.html");
    EXPECT_EQ(url->query, "x=1&y");
    EXPECT_EQ(url->fragment, "Top");
    EXPECT_EQ(to_string(*url), "https://vnexpress.net:8443/a/B.html?x=1&y#Top");

    const auto bare = parse_url("http://[::1]");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->host, "[::1]");
    EXPECT_EQ(bare->path, "/");
    EXPECT_EQ(to_string(*bare), "http://[::1]/");
    EXPECT_EQ(to_string(*parse_url("https://a.vn/p?")), "https://a.vn/p?");
}

TEST(Url, RefusesWhatIsNotAnAbsoluteUrlWithAHost) {
    for (const char* text : {"", "/relative", "vnexpress.net/a", "https:/a", "https://",
                             "https://:80/", "https://user@evil.example/", "https://a.vn:8x/",
                             "https://a.vn/a b", "https://a.vn/\n", "1http://a.vn/"}) {
        EXPECT_FALSE(parse_url(text).has_value()) << text;
    }
}

TEST(Url, ResolvesReferencesAsBrowsersDo) {
    const char* base = "https://tuoitre.vn/the-gioi/bai-viet.htm?id=3#c";
    const struct {
        const char* reference;
        const char* resolved;
    } cases[] = {
        {"https://cdn.tuoitre.vn/x.jpg", "https://cdn.tuoitre.vn/x.jpg"},
        {"//cdn1.tuoitre.vn/zoom/80_50/a.jpg", "https://cdn1.tuoitre.vn/zoom/80_50/a.jpg"},
        {"/thoi-su.htm", "https://tuoitre.vn/thoi-su.htm"},
        {"khac.htm", "https://tuoitre.vn/the-gioi/khac.htm"},
        {"../a/./b/../c.htm?q", "https://tuoitre.vn/a/c.htm?q"},
        {"../../../../x", "https://tuoitre.vn/x"},
        {"?page=2", "https://tuoitre.vn/the-gioi/bai-viet.htm?page=2"},
        {"#binh-luan", "https://tuoitre.vn/the-gioi/bai-viet.htm?id=3#binh-luan"},
        {"", "https://tuoitre.vn/the-gioi/bai-viet.htm?id=3"},
        {"./", "https://tuoitre.vn/the-gioi/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(resolve_url(base, c.reference).value_or("(none)"), c.resolved) << c.reference;
    }
    EXPECT_FALSE(resolve_url("/not-absolute", "a.htm"));
    EXPECT_FALSE(resolve_url(base, "//user@evil.example/"));
}

TEST(Url, HostWithinMatchesTheDomainAndItsSubdomainsOnly) {
    EXPECT_TRUE(host_within("bbc.com", "bbc.com"));
    EXPECT_TRUE(host_within("WWW.BBC.com", "bbc.COM"));
    EXPECT_TRUE(host_within("a.b.thanhnien.vn", "thanhnien.vn"));
    EXPECT_FALSE(host_within("notbbc.com", "bbc.com"));
    EXPECT_FALSE(host_within("bbc.com.evil.example", "bbc.com"));
    EXPECT_FALSE(host_within("com", "bbc.com"));
    EXPECT_FALSE(host_within("bbc.com", ""));
}

}  // namespace
}  // namespace papyr
