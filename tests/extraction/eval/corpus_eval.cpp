// Scores the article extraction on the corpus of real pages
// (tests/extraction/corpus) by token-level F1, prints every page worst
// first and each set's means, and fails when a set falls below its floors.
//
// Usage: corpus_eval CORPUS_FOLDER [FLOOR...] [--show NAME]
//   --min-f1 SET=X          the set's mean F1 must be at least X
//   --max-below-half SET=N  at most N of its article pages may score under 0.5
//   --min-titles SET=N      at least N of its titles must come out exactly
//   --show NAME             also print what the extraction returned for the
//                           pages whose name holds NAME
//
// Exits 0 when every floor holds, 1 when one does not, 2 on a usage error
// or an unreadable corpus.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "corpus.h"
#include "extraction/extract.h"
#include "token_f1.h"

namespace papyr::extraction::eval {
namespace {

// A URL of no publisher: the corpus did not record the pages' own.
constexpr std::string_view kNeutralUrl = "https://www.example.com/article";

struct PageResult {
    const CorpusPage* page = nullptr;
    TokenScore score;
    bool title_exact = false;
    std::size_t words_returned = 0;
};

struct SetSummary {
    std::size_t articles = 0;
    double precision = 0;
    double recall = 0;
    double f1 = 0;
    std::size_t below_08 = 0;
    std::size_t below_05 = 0;
    std::size_t titles_compared = 0;
    std::size_t titles_exact = 0;
    std::size_t others = 0;        // pages without an article
    std::size_t others_empty = 0;  // of them, those the extraction refused
};

struct Floors {
    std::map<std::string, double> min_f1;
    std::map<std::string, std::size_t> max_below_half;
    std::map<std::string, std::size_t> min_titles;
};

struct Options {
    std::string corpus;
    Floors floors;
    std::string show;
};

std::string body_text(const ArticleDetail& article) {
    std::string text;
    for (const auto& paragraph : article.paragraphs) {
        text += text.empty() ? "" : "\n";
        text += paragraph;
    }
    return text;
}

void show_article(const CorpusPage& page, const Result<ArticleDetail>& article) {
    std::printf("== %s/%s\n", page.set.c_str(), page.name.c_str());
    if (!article) {
        std::printf("(no article: %s)\n", article.error().c_str());
        return;
    }
    std::printf("title: %s\nlead: %s\nauthor: %s\n", article->title.c_str(), article->lead.c_str(),
                article->author.value_or("").c_str());
    for (const auto& paragraph : article->paragraphs)
        std::printf("| %s\n", paragraph.c_str());
}

Result<PageResult> evaluate(const CorpusPage& page, const std::string& show) {
    auto html = read_gzip_file(page.file);
    if (!html)
        return fail(std::move(html).error());
    const auto article = extract_article({.bytes = *html, .url = kNeutralUrl, .source_name = ""});
    if (!show.empty() && (page.set + "/" + page.name).find(show) != std::string::npos)
        show_article(page, article);
    PageResult result;
    result.page = &page;
    const std::string text = article ? body_text(*article) : std::string();
    result.words_returned = text_tokens(text).size();
    if (page.article)
        result.score = score_tokens(text, page.expected_text);
    result.title_exact = article && article->title == page.expected_title;
    return result;
}

void print_page(const PageResult& result) {
    const CorpusPage& page = *result.page;
    if (!page.article) {
        std::printf("  no article       %6zu words returned          %s/%s\n",
                    result.words_returned, page.set.c_str(), page.name.c_str());
        return;
    }
    const char* title = page.expected_title.empty() ? " " : result.title_exact ? "=" : "x";
    std::printf("  F1 %.3f  P %.3f  R %.3f  title %s  %s/%s\n", result.score.f1,
                result.score.precision, result.score.recall, title, page.set.c_str(),
                page.name.c_str());
}

SetSummary summarise(const std::vector<PageResult>& results) {
    SetSummary summary;
    for (const auto& result : results) {
        if (!result.page->article) {
            ++summary.others;
            summary.others_empty += result.words_returned == 0 ? 1U : 0U;
            continue;
        }
        ++summary.articles;
        summary.precision += result.score.precision;
        summary.recall += result.score.recall;
        summary.f1 += result.score.f1;
        summary.below_08 += result.score.f1 < 0.8 ? 1U : 0U;
        summary.below_05 += result.score.f1 < 0.5 ? 1U : 0U;
        if (!result.page->expected_title.empty()) {
            ++summary.titles_compared;
            summary.titles_exact += result.title_exact ? 1U : 0U;
        }
    }
    if (summary.articles > 0) {
        const auto count = static_cast<double>(summary.articles);
        summary.precision /= count;
        summary.recall /= count;
        summary.f1 /= count;
    }
    return summary;
}

void print_summary(const std::string& set, const SetSummary& summary) {
    std::printf(
        "%s: %zu article pages, mean precision %.3f, recall %.3f, F1 %.3f; "
        "%zu under 0.8, %zu under 0.5",
        set.c_str(), summary.articles, summary.precision, summary.recall, summary.f1,
        summary.below_08, summary.below_05);
    if (summary.titles_compared > 0)
        std::printf("; titles exact %zu of %zu", summary.titles_exact, summary.titles_compared);
    if (summary.others > 0)
        std::printf("; %zu of %zu pages without an article refused", summary.others_empty,
                    summary.others);
    std::printf("\n");
}

// Every floor given for the set; each one missed is reported.
bool holds_floors(const std::string& set, const SetSummary& summary, const Floors& floors) {
    bool held = true;
    if (const auto it = floors.min_f1.find(set);
        it != floors.min_f1.end() && summary.f1 < it->second) {
        std::fprintf(stderr, "%s: mean F1 %.3f is below %.3f\n", set.c_str(), summary.f1,
                     it->second);
        held = false;
    }
    if (const auto it = floors.max_below_half.find(set);
        it != floors.max_below_half.end() && summary.below_05 > it->second) {
        std::fprintf(stderr, "%s: %zu pages under 0.5, at most %zu allowed\n", set.c_str(),
                     summary.below_05, it->second);
        held = false;
    }
    if (const auto it = floors.min_titles.find(set);
        it != floors.min_titles.end() && summary.titles_exact < it->second) {
        std::fprintf(stderr, "%s: %zu titles exact, at least %zu wanted\n", set.c_str(),
                     summary.titles_exact, it->second);
        held = false;
    }
    return held;
}

// "SET=VALUE" into the map; false when it is not of that form.
template <class T>
bool add_floor(std::string_view argument, std::map<std::string, T>& into) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string_view::npos || equals == 0)
        return false;
    const std::string value(argument.substr(equals + 1));
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || number < 0)
        return false;
    into[std::string(argument.substr(0, equals))] = static_cast<T>(number);
    return true;
}

std::optional<Options> parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool has_value = i + 1 < argc;
        if (argument == "--min-f1" && has_value) {
            if (!add_floor(argv[++i], options.floors.min_f1))
                return std::nullopt;
        } else if (argument == "--max-below-half" && has_value) {
            if (!add_floor(argv[++i], options.floors.max_below_half))
                return std::nullopt;
        } else if (argument == "--min-titles" && has_value) {
            if (!add_floor(argv[++i], options.floors.min_titles))
                return std::nullopt;
        } else if (argument == "--show" && has_value) {
            options.show = argv[++i];
        } else if (options.corpus.empty() && argument.substr(0, 2) != "--") {
            options.corpus = argument;
        } else {
            return std::nullopt;
        }
    }
    if (options.corpus.empty())
        return std::nullopt;
    return options;
}

Result<std::vector<CorpusPage>> read_corpus(const std::filesystem::path& folder) {
    auto pages = read_fundus_set(folder / "fundus");
    if (!pages)
        return pages;
    auto more = read_readability_set(folder / "readability-pages");
    if (!more)
        return more;
    std::move(more->begin(), more->end(), std::back_inserter(*pages));
    return pages;
}

int run(const Options& options) {
    const auto pages = read_corpus(options.corpus);
    if (!pages) {
        std::fprintf(stderr, "corpus_eval: %s\n", pages.error().c_str());
        return 2;
    }
    std::map<std::string, std::vector<PageResult>> by_set;
    for (const auto& page : *pages) {
        auto result = evaluate(page, options.show);
        if (!result) {
            std::fprintf(stderr, "corpus_eval: %s\n", result.error().c_str());
            return 2;
        }
        by_set[page.set].push_back(*result);
    }
    bool held = true;
    for (auto& [set, results] : by_set) {
        std::stable_sort(
            results.begin(), results.end(), [](const PageResult& a, const PageResult& b) {
                return a.page->article && (!b.page->article || a.score.f1 < b.score.f1);
            });
        std::printf("%s, worst first:\n", set.c_str());
        for (const auto& result : results)
            print_page(result);
        const SetSummary summary = summarise(results);
        print_summary(set, summary);
        held = holds_floors(set, summary, options.floors) && held;
    }
    return held ? 0 : 1;
}

}  // namespace
}  // namespace papyr::extraction::eval

int main(int argc, char** argv) {
    const auto options = papyr::extraction::eval::parse_options(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: corpus_eval CORPUS_FOLDER [--min-f1 SET=X] [--max-below-half SET=N] "
                     "[--min-titles SET=N] [--show NAME]\n");
        return 2;
    }
    return papyr::extraction::eval::run(*options);
}
