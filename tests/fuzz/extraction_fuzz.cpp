// libFuzzer target for the article extraction. Any bytes must give an
// article or a message, never a crash (the sanitizers watch memory), and
// what comes out must hold: valid UTF-8 everywhere, no empty paragraph, the
// word count of the text it returns, a reading time for any text. The first
// input byte picks rules (none, or a set exercising every kind of selector)
// and a declared charset, so the rule path and every decoder are fuzzed too.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "extraction/extract.h"
#include "extraction/metadata.h"
#include "html/selector.h"
#include "html/text.h"

namespace {

using papyr::extraction::SiteRules;

[[noreturn]] void fail_check(const char* what, std::string_view detail) {
    std::fprintf(stderr, "check failed: %s\n%.*s\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

const SiteRules& fuzz_rules() {
    static const SiteRules rules{
        .title = {"h1.title", "h1"},
        .lead = {"p.lead:first-child", "h2[data-role=sapo]"},
        .body = {"article > p, article h2", "div.body", "main"},
        .author = {"a[rel~=author]", ".by b"},
        .date = {"time[datetime]", "meta[property^=article]"},
        .remove = {"figure", ".ad:not(.keep)", "[style*=none i]"},
        .drop_paragraphs = {"Ảnh: ", "Read more"},
    };
    return rules;
}

void check_text(const std::string& text, const char* what) {
    if (!papyr::is_valid_utf8(text))
        fail_check(what, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const unsigned choice = bytes.empty() ? 0 : static_cast<unsigned char>(bytes.front());
    static constexpr std::string_view kCharsets[] = {
        "", "", "windows-1258", "utf-16le", "iso-8859-15", "koi8-r", "utf-16be", "bogus"};
    const papyr::extraction::Page page{
        .bytes = bytes,
        .url = "https://fuzz.example/a",
        .source_name = "",
        .rules = (choice & 1) != 0 ? &fuzz_rules() : nullptr,
        .default_utc_offset_minutes = 420,
        .declared_charset = kCharsets[(choice >> 1) % 8],
    };
    const auto article = papyr::extraction::extract_article(page);
    if (!article) {
        if (article.error().empty())
            fail_check("a failure without a message", "");
    } else {
        check_text(article->title, "title is not UTF-8");
        check_text(article->lead, "lead is not UTF-8");
        check_text(article->source, "source is not UTF-8");
        std::uint64_t words = papyr::html::count_words(article->lead);
        for (const auto& paragraph : article->paragraphs) {
            if (paragraph.empty())
                fail_check("an empty paragraph", "");
            check_text(paragraph, "paragraph is not UTF-8");
            words += papyr::html::count_words(paragraph);
        }
        if (words != article->word_count)
            fail_check("word count differs from the text", article->title);
        if (words > 0 && article->reading_time_minutes == 0)
            fail_check("no reading time for text", article->title);
    }
    // The tolerant JSON-LD reader and the selector parser on the raw bytes.
    (void)papyr::extraction::parse_json_ld(bytes);
    (void)papyr::html::parse_selector(bytes.substr(0, 256));
    return 0;
}
