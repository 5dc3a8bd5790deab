// Article links made into one link per article, and the picture chosen.

#include <gtest/gtest.h>

#include "feeds/image_choice.h"
#include "feeds/link_cleaner.h"

namespace papyr::feeds {
namespace {

constexpr const char* kFeed = "https://tin.example.vn/rss/home.rss";

TEST(FeedLinks, LinksAreAbsoluteWithoutTrackingOrFragment) {
    const struct {
        const char* reference;
        bool may_be_relative;
        std::optional<std::string> link;
    } cases[] = {
        {"https://www.bbc.com/news/articles/c1?at_medium=RSS&at_campaign=rss", true,
         "https://www.bbc.com/news/articles/c1"},
        {"https://a.vn/x?utm_source=rss&id=5&UTM_Medium=x&page=2#top", true,
         "https://a.vn/x?id=5&page=2"},
        {"https://a.vn/x?fbclid=1&gclid=2&CMP=share_btn_link", true, "https://a.vn/x"},
        {"https://a.vn/x?at=1&atom=2&utm=3", true, "https://a.vn/x?at=1&atom=2&utm=3"},
        {"https://a.vn/x?a=1&&b=2&", true, "https://a.vn/x?a=1&b=2"},
        {"https://a.vn/x?", true, "https://a.vn/x"},
        {"  \n https://tuoitre.vn/a.htm \n", true, "https://tuoitre.vn/a.htm"},
        {"https://a.vn/bai/\n  dai.html", true, "https://a.vn/bai/dai.html"},
        {"https://a.vn/hai từ.html", true, "https://a.vn/hai%20từ.html"},
        {"/bai/a.html", true, "https://tin.example.vn/bai/a.html"},
        {"bai/a.html?utm_source=x", true, "https://tin.example.vn/rss/bai/a.html"},
        {"../bai/./a.html", true, "https://tin.example.vn/bai/a.html"},
        {"//cdn.example.vn/a", true, "https://cdn.example.vn/a"},
        {"HTTP://Tin.Example.VN/A", false, "http://tin.example.vn/A"},
        {"/bai/a.html", false, std::nullopt},
        {"5f0c6f4e-2b1a-4d7e-9a63-0c3e8d2f1b77", false, std::nullopt},
        {"urn:uuid:5f0c6f4e", true, std::nullopt},
        {"javascript:alert(1)", true, std::nullopt},
        {"mailto:a@b.vn", true, std::nullopt},
        {"ftp://a.vn/x", true, std::nullopt},
        {"https://a.vn/x\xC3", true, std::nullopt},
        {"", true, std::nullopt},
        {"https://user@evil.example/", true, std::nullopt},
        // A host with a colon and a quote, which would not read back as itself.
        {"https://www.a:b=\"http://c.vn/\"d.vn/x", true, std::nullopt},
        {"https://[::1]:8443/x", true, "https://[::1]:8443/x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(clean_link(c.reference, kFeed, c.may_be_relative), c.link) << c.reference;
    EXPECT_EQ(clean_link("/bai/a.html", "", true), std::nullopt);
}

TEST(FeedLinks, ThumbnailsOfTheResizingServiceLeadToTheOriginal) {
    const struct {
        const char* url;
        const char* original;
        int width;
    } cases[] = {
        {"https://cdn1.tuoitre.vn/zoom/80_50/471584/2024/1/28/x.jpg",
         "https://cdn1.tuoitre.vn/471584/2024/1/28/x.jpg", kOriginalWidth},
        {"https://images2.thanhnien.vn/zoom/600_315/528068/2024/1/27/y.jpg?v=2",
         "https://images2.thanhnien.vn/528068/2024/1/27/y.jpg?v=2", kOriginalWidth},
        {"https://a.vn/zoom/abc/x.jpg", "https://a.vn/zoom/abc/x.jpg", 80},
        {"https://a.vn/zoom/80_50/", "https://a.vn/zoom/80_50/", 80},
        {"https://a.vn/zoom/80_/x.jpg", "https://a.vn/zoom/80_/x.jpg", 80},
        {"https://a.vn/anh/zoom/80_50/x.jpg", "https://a.vn/anh/zoom/80_50/x.jpg", 80},
    };
    for (const auto& c : cases) {
        const ImageCandidate result = original_of_thumbnail({c.url, 80});
        EXPECT_EQ(result.url, c.original) << c.url;
        EXPECT_EQ(result.width, c.width) << c.url;
    }
}

TEST(FeedLinks, PictureAddressesAreResolvedButNeverRewritten) {
    const char* signed_url = "https://I.GUIM.co.uk/img/x.jpg?width=140&quality=85&s=abc";
    EXPECT_EQ(absolute_image({signed_url, 140}, kFeed)->url, signed_url);
    EXPECT_EQ(absolute_image({" /anh/a.jpg ", 0}, "https://a.vn/bai/x")->url,
              "https://a.vn/anh/a.jpg");
    EXPECT_EQ(absolute_image({"a.jpg", 7}, "https://a.vn/bai/x")->width, 7);
    for (const char* unusable : {"data:image/png;base64,xx", "javascript:x", "", "ftp://a.vn/a.jpg",
                                 "https://a.vn/\xFF.jpg", "https://a\"b.vn/x.jpg"})
        EXPECT_FALSE(absolute_image({unusable, 0}, kFeed)) << unusable;
}

TEST(FeedLinks, TheWidestPictureWins) {
    EXPECT_EQ(choose_image({{"a", 140}, {"b", 700}, {"c", 460}}), "b");
    EXPECT_EQ(choose_image({{"a", 0}, {"b", 0}}), "a");
    EXPECT_EQ(choose_image({{"a", 0}, {"b", 240}}), "b");
    EXPECT_EQ(choose_image({{"a", 1200}, {"b", kOriginalWidth}}), "b");
    EXPECT_EQ(choose_image({{"a", 460}, {"b", 460}}), "a");
    EXPECT_EQ(choose_image({}), std::nullopt);

    EXPECT_EQ(pixel_count("640"), 640);
    EXPECT_EQ(pixel_count(" 640 "), 640);
    for (const char* text : {"", "auto", "-3", "0", "640px", "99999999999"})
        EXPECT_EQ(pixel_count(text), 0) << text;
}

}  // namespace
}  // namespace papyr::feeds
