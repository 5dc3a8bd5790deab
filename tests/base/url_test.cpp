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

TEST(DnsName, OnlyLettersDigitsAndHyphensInProperLabelsAreAHost) {
    EXPECT_EQ(parse_dns_name("VnExpress.NET."), "vnexpress.net");
    EXPECT_EQ(parse_dns_name("xn--b-3ga.e-1.vn"), "xn--b-3ga.e-1.vn");
    const std::string label63(63, 'a');
    EXPECT_EQ(parse_dns_name(label63 + ".vn"), label63 + ".vn");
    // 3 labels of 63 and one of 61, with their dots: 253 bytes.
    const std::string longest =
        label63 + "." + label63 + "." + label63 + "." + std::string(61, 'b');
    ASSERT_EQ(longest.size(), 253U);
    EXPECT_TRUE(parse_dns_name(longest));
    EXPECT_TRUE(parse_dns_name(longest + "."));
    for (const std::string& bad :
         {std::string("[::1].vnexpress.net"), std::string("[::ffff:127.0.0.1].vnexpress.net"),
          std::string("a%2f.vnexpress.net"), std::string("a\\b.vnexpress.net"),
          std::string("a;b.vnexpress.net"), std::string("*.vnexpress.net"),
          std::string("{a,b}.vnexpress.net"), std::string("a..vnexpress.net"),
          std::string(".vnexpress.net"), std::string("-a.vnexpress.net"),
          std::string("a-.vnexpress.net"), std::string("a_b.vnexpress.net"),
          std::string("b\xc3\xa1o.vn"), std::string("a b.vn"), std::string("."), std::string(""),
          std::string(".."), label63 + "a.vn", longest + "a"}) {
        EXPECT_FALSE(parse_dns_name(bad)) << bad;
    }
}

TEST(HttpsUrl, IsParsedStrictlyOnceAndWrittenBackForFetching) {
    const auto url =
        parse_https_url("HTTPS://VnExpress.net.:8443/a/B.html?x=1#Top", PlainHttp::Refuse);
    ASSERT_TRUE(url);
    EXPECT_EQ(*url, (HttpsUrl{"vnexpress.net", "8443", "/a/B.html", "x=1"}));
    EXPECT_EQ(to_string(*url), "https://vnexpress.net:8443/a/B.html?x=1");
    EXPECT_EQ(to_string(*parse_https_url("https://a.vn:443", PlainHttp::Refuse)), "https://a.vn/");
    EXPECT_EQ(to_string(*parse_https_url("https://a.vn/p?", PlainHttp::Refuse)), "https://a.vn/p?");

    // Plain http is upgraded where asked (its own port 80 goes), never else.
    EXPECT_EQ(to_string(*parse_https_url("http://a.vn:80/x?y", PlainHttp::Upgrade)),
              "https://a.vn/x?y");
    EXPECT_EQ(to_string(*parse_https_url("http://a.vn:8080/", PlainHttp::Upgrade)),
              "https://a.vn:8080/");
    EXPECT_FALSE(parse_https_url("http://a.vn/x", PlainHttp::Refuse));

    for (const std::string bad :
         {"https://[::1].vnexpress.net/secret", "https://[::ffff:127.0.0.1].vnexpress.net/",
          "https://[::1]/", "https://a%2f.vnexpress.net/", "https://vnexpress.net\\@evil.example/",
          "https://user@vnexpress.net/", "https://u:p@vnexpress.net/", "https://vnexpress.net:/",
          "https://vnexpress.net:0/", "https://vnexpress.net:65536/", "https://vnexpress.net:8x/",
          "https://a..vn/", "https:///a", "ftp://vnexpress.net/", "//vnexpress.net/a",
          "https://vnexpress.net/a b", "https://vnexpress.net/\x7f"}) {
        EXPECT_FALSE(parse_https_url(bad, PlainHttp::Upgrade)) << bad;
    }
    const std::string path(kLongestFetchUrl - std::string("https://a.vn").size(), '/');
    EXPECT_TRUE(parse_https_url("https://a.vn" + path, PlainHttp::Refuse));
    EXPECT_FALSE(parse_https_url("https://a.vn/" + path, PlainHttp::Refuse));
}

}  // namespace
}  // namespace papyr
