// Extraction of a news page of about 150 KB, parsing included, as the news
// service runs it for an article request: menus, a long body, comments,
// metadata. The figure to hold is a median under 10 ms.

#include <benchmark/benchmark.h>

#include <string>

#include "extraction/extract.h"

namespace {

std::string sentence(unsigned i) {
    static const char* const kWords[] = {"council", "harbour", "budget", "river",   "school",
                                         "railway", "market",  "storm",  "library", "village"};
    std::string text = "The ";
    for (unsigned w = 0; w < 14; ++w) {
        text += kWords[(i * 7 + w * 3) % 10];
        text += w % 5 == 4 ? ", " : " ";
    }
    return text + "said officials on Tuesday.";
}

std::string news_page(std::size_t target_bytes) {
    std::string page =
        "<!DOCTYPE html><html><head><meta charset=utf-8><title>Harbour plan | Example</title>"
        "<meta property='og:title' content='Harbour plan'><script type='application/ld+json'>"
        "{\"@type\":\"NewsArticle\",\"headline\":\"Harbour plan\",\"datePublished\":"
        "\"2025-06-02T08:30:00+07:00\",\"author\":{\"@type\":\"Person\",\"name\":\"Ann Lee\"}}"
        "</script></head><body><header><nav><ul>";
    for (unsigned i = 0; i < 300; ++i)
        page += "<li class='menu-item'><a href='/section/" + std::to_string(i) + "'>Section " +
                std::to_string(i) + "</a></li>";
    page += "</ul></nav></header><main><article><h1>Harbour plan</h1><div class='article-body'>";
    unsigned i = 0;
    while (page.size() < target_bytes * 6 / 10) {
        page += i % 9 == 8 ? "<h2>" + sentence(i) + "</h2>"
                           : "<p>" + sentence(i) + " " + sentence(i + 1) + "</p>";
        if (i % 12 == 5)
            page +=
                "<figure><img src='/a.jpg'><figcaption>" + sentence(i) + "</figcaption></figure>";
        ++i;
    }
    page += "</div></article><section id='comments'><ol class='comment-list'>";
    while (page.size() < target_bytes - 200) {
        page += "<li class='comment'><b>Reader</b><p>" + sentence(i++) + "</p></li>";
    }
    return page + "</ol></section></main><footer>© Example</footer></body></html>";
}

void extract_150kb_page(benchmark::State& state) {
    const std::string page = news_page(150 * 1024);
    for (auto _ : state) {
        auto article = papyr::extraction::extract_article(
            {.bytes = page, .url = "https://example.org/a", .source_name = "Example"});
        benchmark::DoNotOptimize(article);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}
BENCHMARK(extract_150kb_page)->Name("news/extract_150kb_page")->Unit(benchmark::kMicrosecond);

}  // namespace
