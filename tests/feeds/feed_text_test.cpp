// Titles, leads and authors as plain text, from the markup publishers write.

#include <gtest/gtest.h>

#include "feeds/html_text.h"
#include "feeds/item_text.h"

namespace papyr::feeds {
namespace {

TEST(FeedText, MarkupBecomesOneLineOfText) {
    const struct {
        const char* html;
        const char* text;
    } cases[] = {
        // Dân Trí's self-closed link, single quotes and stray </br>.
        {"<a href='https://dantri.com.vn/a.htm'/><img src='https://icdn.dantri.com.vn/a.jpg'/>"
         "</a></br>(Dân trí) - Mới đây",
         "(Dân trí) - Mới đây"},
        {"<a href=\"https://vnexpress.net/a.html\"><img src=\"https://v.vn/a.jpg\"></a></br> "
         "Tóm tắt",
         "Tóm tắt"},
        {"đ&atilde; c&oacute; &agrave; &ecirc; &ocirc; &ugrave; &Dstrok;&abreve;&utilde;",
         "đã có à ê ô ù Đăũ"},
        {"&#7889;&#x1EA1;&#X1ea1;&#146;&#0;&#xD800;&#99999999;", "ốạạ’\uFFFD\uFFFD\uFFFD"},
        // As a browser shows text: the few legacy names count without their
        // ";" ("&copy"), other "&" stay as written.
        {"AT&T &unknown; a=1&b=2&copy=3 &amp", "AT&T &unknown; a=1&b=2©=3 &"},
        {"&nbsp;&copy 2025 &lt;3", "© 2025 <3"},
        {"a<script>var s = '</p>';</script>b<style>p { x: 1 }</style>c<!-- d -->e", "abce"},
        {"<p>một</p><p>hai</p><br>ba<li>bốn</li><td>năm", "một hai ba bốn năm"},
        {"<b>Hà</b> <i>Nội</i>ơi", "Hà Nộiơi"},
        {"2 < 3 và 4 > 1", "2 < 3 và 4 > 1"},
        // Escaped twice: the first reading still leaves paragraphs.
        {"&lt;p&gt;Đoạn &amp;amp; văn&lt;/p&gt;", "Đoạn & văn"},
        {"chữ <a href=\"https://a.vn/x", "chữ"},
        {"  a \t\n b\u00A0\u200Bc\r\n", "a b c"},
        {"<![CDATA[x]]>y<?php echo 1 ?>z", "yz"},
        {"<SCRIPT>ẩn</SCRIPT>Hiện", "Hiện"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(html_to_text(c.html).text, c.text) << c.html;
}

TEST(FeedText, FindsPicturesAndAClosingLink) {
    const HtmlText guardian = html_to_text(
        "<p>Summary &amp; more.</p> <a href=\"https://g.co/a\">Continue reading...</a>\n");
    EXPECT_EQ(guardian.text, "Summary & more. Continue reading...");
    EXPECT_EQ(guardian.trailing_link, "Continue reading...");
    EXPECT_EQ(html_to_text("<a href=\"x\">Liên kết</a> rồi chữ").trailing_link, "");

    const HtmlText images = html_to_text(
        "<img src=\"data:image/gif;base64,R0lGOD\" data-src=\"https://a.vn/1.jpg\" width=\"640\">"
        "<img src='/anh/2.png'><img src=\"https://a.vn/3.jpg?x=1&amp;y=2\" width=auto><img>");
    ASSERT_EQ(images.images.size(), 3U);
    EXPECT_EQ(images.images[0].src, "https://a.vn/1.jpg");
    EXPECT_EQ(images.images[0].width, 640);
    EXPECT_EQ(images.images[1].src, "/anh/2.png");
    EXPECT_EQ(images.images[2].src, "https://a.vn/3.jpg?x=1&y=2");
    EXPECT_EQ(images.images[2].width, 0);
}

TEST(FeedText, PublisherPrefixesLeaveTheLead) {
    const struct {
        const char* lead;
        const char* without;
    } cases[] = {
        {"(Dân trí) - Mới đây, trời mưa.", "Mới đây, trời mưa."},
        {"(NLĐO)– Sáng nay", "Sáng nay"},
        {"(VTC News) —Chiều qua", "Chiều qua"},
        {"(Ảnh minh họa của một bài rất dài không phải tên báo) - y",
         "(Ảnh minh họa của một bài rất dài không phải tên báo) - y"},
        {"(Dân trí) Mới đây", "(Dân trí) Mới đây"},
        {"Mới đây (Dân trí) - x", "Mới đây (Dân trí) - x"},
        {"() - x", "() - x"},
        {"(Dân trí) - ", "(Dân trí) - "},
        {"((Dân trí)) - x", "((Dân trí)) - x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(without_publisher_prefix(c.lead), c.without) << c.lead;
}

TEST(FeedText, LeadsLoseContinuationLinksAndStayShort) {
    EXPECT_EQ(lead_text({"Tóm tắt. Continue reading...", "Continue reading...", {}}), "Tóm tắt.");
    EXPECT_EQ(lead_text({"Tóm tắt Đọc tiếp »", "Đọc tiếp »", {}}), "Tóm tắt Đọc tiếp »");
    EXPECT_EQ(lead_text({"Tóm tắt Đọc tiếp…", "Đọc tiếp…", {}}), "Tóm tắt");
    EXPECT_EQ(lead_text({"(Dân trí) - Xem chi tiết bài", "bài", {}}), "Xem chi tiết bài");

    EXPECT_EQ(shortened("một hai ba", 100), "một hai ba");
    EXPECT_EQ(shortened("một hai ba bốn", 9), "một hai…");
    EXPECT_EQ(shortened("abcdefghij", 5), "abcde…");
    EXPECT_EQ(shortened("ữữữữữữ", 3), "ữữữ…");
    EXPECT_EQ(shortened("một, hai ba", 6), "một…");
}

TEST(FeedText, AuthorsAreNamesNotAddresses) {
    const struct {
        std::vector<FeedText> authors;
        std::optional<std::string> names;
    } cases[] = {
        {{{"bientap@tin.example.vn (Nguyễn An)", TextKind::Html}}, "Nguyễn An"},
        {{{"lienhe@tin.example.vn", TextKind::Html}}, std::nullopt},
        {{{"Minh Anh", TextKind::Html}, {"Minh Anh", TextKind::Html}, {"Lê Thu", TextKind::Plain}},
         "Minh Anh, Lê Thu"},
        {{{"", TextKind::Html}, {" \n ", TextKind::Plain}}, std::nullopt},
        {{{"Nguy&ecirc;n <b>Hà</b>", TextKind::Html}}, "Nguyên Hà"},
        {{{"A &amp; B", TextKind::Plain}}, "A &amp; B"},
        {{}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(author_names(c.authors), c.names);
}

}  // namespace
}  // namespace papyr::feeds
