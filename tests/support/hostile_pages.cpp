#include "support/hostile_pages.h"

#include <functional>

namespace papyr::test {
namespace {

// `unit` repeated until the page is `bytes` long, between `head` and `tail`.
std::string repeated(std::size_t bytes, const std::string& head, const std::string& unit,
                     const std::string& tail = "") {
    std::string page = head;
    page.reserve(bytes + unit.size() + tail.size());
    while (page.size() + unit.size() + tail.size() <= bytes)
        page += unit;
    return page + tail;
}

std::string with_counter(std::size_t bytes, const std::string& head,
                         const std::function<std::string(std::size_t)>& unit,
                         const std::string& tail = "") {
    std::string page = head;
    page.reserve(bytes + 64);
    for (std::size_t i = 0; page.size() + tail.size() < bytes; ++i)
        page += unit(i);
    return page + tail;
}

const std::string kText = "Một đoạn văn đủ dài để được tính là nội dung chính của bài. ";

const std::string kArticle =
    "<html><head><title>Bài báo</title></head><body><article><h1>Tiêu đề</h1>"
    "<p>Một đoạn văn bình thường của bài báo, đủ dài để được tính là nội dung chính.</p>";

}  // namespace

const std::vector<HostilePage>& hostile_pages() {
    static const std::vector<HostilePage> pages = {
        {"one element with very many attributes",
         [](std::size_t bytes) {
             return with_counter(
                 bytes, kArticle + "<div",
                 [](std::size_t i) { return " a" + std::to_string(i) + "=x"; },
                 ">" + kText + "</div>");
         }},
        {"one huge class attribute",
         [](std::size_t bytes) {
             return kArticle + "<div class=\"" + std::string(bytes - kArticle.size() - 64, 'c') +
                    "\">" + kText + "</div>";
         }},
        {"huge attributes on many elements",
         [](std::size_t bytes) {
             return repeated(bytes, kArticle,
                             "<p class=\"" + std::string(20000, 'k') + "\">" + kText + "</p>");
         }},
        {"deep nesting",
         [](std::size_t bytes) { return repeated(bytes, kArticle, "<div>", kText); }},
        {"deep nesting closed",
         [](std::size_t bytes) { return repeated(bytes, kArticle, "<div><span><b>x</b>", kText); }},
        {"nested blocks at the depth limit",
         [](std::size_t bytes) {
             return repeated(bytes, kArticle, [] {
                 std::string unit;
                 for (int i = 0; i < 150; ++i)
                     unit += "<div class=level>";
                 unit += "<p>" + kText + "</p>";
                 for (int i = 0; i < 150; ++i)
                     unit += "</div>";
                 return unit;
             }());
         }},
        {"very many elements",
         [](std::size_t bytes) { return repeated(bytes, kArticle, "<span>x</span>"); }},
        {"very many paragraphs",
         [](std::size_t bytes) { return repeated(bytes, kArticle, "<p>" + kText + "</p>"); }},
        {"very many links",
         [](std::size_t bytes) { return repeated(bytes, kArticle, "<a href=/x>liên kết</a> "); }},
        {"very many line breaks",
         [](std::size_t bytes) { return repeated(bytes, kArticle, "<br>"); }},
        {"misnested formatting",
         [](std::size_t bytes) {
             return with_counter(bytes, kArticle + "<p>", [](std::size_t i) {
                 return i % 2 == 0 ? "<b id=" + std::to_string(i) + "><i>"
                                   : std::string("</b>x</i><p>");
             });
         }},
        {"unclosed formatting",
         [](std::size_t bytes) {
             return with_counter(bytes, kArticle, [](std::size_t i) {
                 return "<b class=c" + std::to_string(i % 1000) + ">x";
             });
         }},
        {"nested links",
         [](std::size_t bytes) {
             return repeated(bytes, kArticle, "<a href=/a><div><a href=/b>x");
         }},
        {"text in tables",
         [](std::size_t bytes) { return repeated(bytes, kArticle, "<table>x<tr>y<td>z"); }},
        {"one long word",
         [](std::size_t bytes) {
             return kArticle + "<p>" + std::string(bytes - kArticle.size() - 8, 'a') + "</p>";
         }},
        {"entities",
         [](std::size_t bytes) { return repeated(bytes, kArticle + "<p>", "&amp;&#7889;&nbsp;"); }},
        {"comment",
         [](std::size_t bytes) {
             return kArticle + "<!--" + std::string(bytes - kArticle.size(), '-');
         }},
        {"script",
         [](std::size_t bytes) {
             return kArticle + "<script>" + std::string(bytes - kArticle.size(), 'x');
         }},
        {"deep JSON-LD",
         [](std::size_t bytes) {
             return kArticle + "<script type=application/ld+json>" +
                    std::string(bytes - kArticle.size() - 64, '[') + "</script>";
         }},
        {"many JSON-LD blocks",
         [](std::size_t bytes) {
             return repeated(bytes, kArticle,
                             "<script type=application/ld+json>{\"@type\":\"NewsArticle\","
                             "\"headline\":\"x\",\"author\":[{\"name\":\"a\"}]}</script>");
         }},
        {"many meta tags",
         [](std::size_t bytes) {
             return repeated(bytes, "<html><head>",
                             "<meta property=og:title content=x><meta name=author content=y>",
                             "</head><body>" + kText + "</body></html>");
         }},
        {"many headings",
         [](std::size_t bytes) { return repeated(bytes, kArticle, "<h1>Tiêu đề</h1><h2>x</h2>"); }},
        {"nested lists", [](std::size_t bytes) { return repeated(bytes, kArticle, "<ul><li>x"); }},
        {"many classes",
         [](std::size_t bytes) {
             return repeated(
                 bytes, kArticle,
                 "<div class=\"" +
                     [] {
                         std::string classes;
                         for (int i = 0; i < 500; ++i)
                             classes.append("c").append(std::to_string(i)).append(" ");
                         return classes;
                     }() +
                     "\"><p>" + kText + "</p></div>");
         }},
        {"unterminated tag",
         [](std::size_t bytes) {
             return with_counter(bytes, kArticle + "<div", [](std::size_t i) {
                 return " b" + std::to_string(i) + "='" + std::to_string(i) + "'";
             });
         }},
        {"binary",
         [](std::size_t bytes) {
             std::string page;
             page.reserve(bytes);
             for (std::size_t i = 0; i < bytes; ++i)
                 page += static_cast<char>((i * 7919) % 256);
             return page;
         }},
    };
    return pages;
}

}  // namespace papyr::test
