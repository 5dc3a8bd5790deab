#include "extraction/extract.h"

#include <gtest/gtest.h>

namespace papyr::extraction {
namespace {

TEST(Extract, AnswersTheTitleLeadAndParagraphsOfASimplePage) {
    const std::string html =
        "<html><head><title>Trang</title><meta name=description content='Tóm tắt  bài.'>"
        "</head><body><h1>Tiêu đề\n bài</h1><p>Đoạn một<br>dòng hai.</p>"
        "<p><script>var x;</script>Đoạn hai.</p><p>  </p></body></html>";
    const auto article = extract_article({.bytes = html,
                                          .url = "https://vnexpress.net/a.html",
                                          .source_name = "VnExpress",
                                          .rules = nullptr,
                                          .default_utc_offset_minutes = 0});
    ASSERT_TRUE(article) << article.error();
    EXPECT_EQ(article->url, "https://vnexpress.net/a.html");
    EXPECT_EQ(article->source, "VnExpress");
    EXPECT_EQ(article->title, "Tiêu đề bài");
    EXPECT_EQ(article->lead, "Tóm tắt bài.");
    EXPECT_EQ(article->paragraphs, (std::vector<std::string>{"Đoạn một dòng hai.", "Đoạn hai."}));
    EXPECT_EQ(article->word_count, 9U);
    EXPECT_EQ(article->reading_time_minutes, 1U);
}

TEST(Extract, APageWithoutParagraphsHasNoArticleText) {
    const auto article = extract_article({.bytes = "<html><h1>Chỉ tiêu đề</h1></html>",
                                          .url = "u",
                                          .source_name = "",
                                          .rules = nullptr,
                                          .default_utc_offset_minutes = 0});
    ASSERT_FALSE(article);
    EXPECT_EQ(article.error(), "Không tìm thấy nội dung bài viết");
}

}  // namespace
}  // namespace papyr::extraction
