// The corpus reader over the committed corpus: every page listed with its
// truth in the form the score compares (the paragraphs' text joined, the
// subheading marks gone), and the pages that hold no article marked.

#include "corpus.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace papyr::extraction::eval {
namespace {

const std::filesystem::path kCorpus = PAPYR_SOURCE_DIR "/tests/extraction/corpus";

const CorpusPage* find_page(const std::vector<CorpusPage>& pages, std::string_view name) {
    const auto it = std::find_if(pages.begin(), pages.end(),
                                 [&](const CorpusPage& page) { return page.name == name; });
    return it == pages.end() ? nullptr : &*it;
}

TEST(CorpusSets, FundusPagesCarryTheirJoinedBodyAndTitle) {
    const auto pages = read_fundus_set(kCorpus / "fundus");
    ASSERT_TRUE(pages) << pages.error();
    EXPECT_EQ(pages->size(), 254U);
    const CorpusPage* page = find_page(*pages, "us/APNews_2024_09_03");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->expected_title,
              "The presidential campaigns brace for a sprint to Election Day");
    EXPECT_EQ(page->expected_text.substr(0, 19), "LA CROSSE, Wis. (AP");
    EXPECT_NE(page->expected_text.find("\nThe electoral map settles on seven states\n"),
              std::string::npos);
    EXPECT_EQ(page->expected_text.find("## "), std::string::npos);
    const auto html = read_gzip_file(page->file);
    ASSERT_TRUE(html) << html.error();
    EXPECT_NE(html->find("<html"), std::string::npos);
}

TEST(CorpusSets, ReadabilityPagesTakeTheTextOfTheExpectedHtml) {
    const auto pages = read_readability_set(kCorpus / "readability-pages");
    ASSERT_TRUE(pages) << pages.error();
    EXPECT_EQ(pages->size(), 130U);
    EXPECT_EQ(std::count_if(pages->begin(), pages->end(),
                            [](const CorpusPage& page) { return !page.article; }),
              8);
    const CorpusPage* page = find_page(*pages, "001");
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->article);
    EXPECT_TRUE(page->expected_title.empty());
    // The link's text, without its markup.
    EXPECT_NE(page->expected_text.find("you're testing your frontend JavaScript code?"),
              std::string::npos);
    EXPECT_EQ(page->expected_text.find("fakehost/code/2013"), std::string::npos);
}

TEST(CorpusSets, AMissingFolderIsAFailureNotAnEmptySet) {
    EXPECT_FALSE(read_fundus_set(kCorpus / "no-such-set"));
    EXPECT_FALSE(read_gzip_file(kCorpus / "no-such-page.html.gz"));
}

}  // namespace
}  // namespace papyr::extraction::eval
