// In-process extraction time on the corpus's real pages
// (tests/extraction/corpus/fundus): each page is read into memory first,
// then extracted REPETITIONS times; its time is the median of those runs,
// and the program prints the median, the 90th percentile and the largest of
// the page times, in milliseconds, and the words extracted in all. bench/extraction-speed.sh runs
// it beside readability-lxml on the same pages.
//
// Usage: papyr_extraction_speed FUNDUS_FOLDER [REPETITIONS]

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "corpus.h"
#include "extraction/extract.h"

namespace {

using papyr::extraction::eval::CorpusPage;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The page's median time; `words` gets the words of the article it gave.
double page_milliseconds(const std::string& html, int repetitions, std::uint64_t& words) {
    std::vector<double> runs;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const auto article = papyr::extraction::extract_article(
            {.bytes = html, .url = "https://www.example.com/article", .source_name = ""});
        const auto end = std::chrono::steady_clock::now();
        runs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        words = article ? article->word_count : 0;
    }
    return median(runs);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: papyr_extraction_speed FUNDUS_FOLDER [REPETITIONS]\n");
        return 2;
    }
    const int repetitions = argc == 3 ? std::max(1, std::atoi(argv[2])) : 3;
    const auto pages = papyr::extraction::eval::read_fundus_set(argv[1]);
    if (!pages) {
        std::fprintf(stderr, "papyr_extraction_speed: %s\n", pages.error().c_str());
        return 2;
    }
    std::vector<double> times;
    std::uint64_t words = 0;
    for (const CorpusPage& page : *pages) {
        const auto html = papyr::extraction::eval::read_gzip_file(page.file);
        if (!html) {
            std::fprintf(stderr, "papyr_extraction_speed: %s\n", html.error().c_str());
            return 2;
        }
        std::uint64_t page_words = 0;
        times.push_back(page_milliseconds(*html, repetitions, page_words));
        words += page_words;
    }
    if (times.empty())
        return 2;
    std::sort(times.begin(), times.end());
    std::printf("pages %zu median %.2f p90 %.2f max %.2f words %llu\n", times.size(), median(times),
                times[times.size() * 9 / 10], times.back(), static_cast<unsigned long long>(words));
    return 0;
}
