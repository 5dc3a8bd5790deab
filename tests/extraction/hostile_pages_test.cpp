// Pages written to cost the extraction as much as possible end in an answer
// or a message, and pathological markup does not reach the tree.

#include "support/hostile_pages.h"

#include <gtest/gtest.h>

#include "base/utf8.h"
#include "extraction/extract.h"
#include "extraction/html.h"

namespace papyr::extraction {
namespace {

// Big enough for every bound to be passed, small enough for the sanitizer
// build.
constexpr std::size_t kPageBytes = 512 * 1024;

TEST(HostilePages, EachEndsInAnArticleOrAMessage) {
    for (const auto& page : test::hostile_pages()) {
        const std::string bytes = page.make(kPageBytes);
        ASSERT_GE(bytes.size(), kPageBytes * 9 / 10) << page.name;
        const auto article =
            extract_article({.bytes = bytes, .url = "https://example.org/a", .source_name = {}});
        if (!article) {
            EXPECT_FALSE(article.error().empty()) << page.name;
            continue;
        }
        // What the reader gets is text it can draw, whatever the bytes were.
        EXPECT_FALSE(find_utf8_error(article->title)) << page.name;
        for (const std::string& paragraph : article->paragraphs)
            ASSERT_FALSE(find_utf8_error(paragraph)) << page.name;
    }
}

TEST(HostilePages, TheTreeStaysWithinItsLimits) {
    const ParseLimits limits;
    for (const auto& page : test::hostile_pages()) {
        const auto document = parse_html(page.make(kPageBytes), limits);
        if (!document)
            continue;  // over the parser's memory: a message, tested above
        EXPECT_LE(document->size(), limits.max_nodes) << page.name;
        for (NodeId id = 0; id < document->size(); ++id) {
            const Node& node = document->node(id);
            ASSERT_LE(node.depth, limits.max_depth) << page.name;
            ASSERT_LE(node.attributes.size(), limits.markup.max_attributes) << page.name;
            for (const Attribute& attribute : node.attributes)
                ASSERT_LE(attribute.value.size(), limits.markup.max_attribute_bytes) << page.name;
        }
    }
}

}  // namespace
}  // namespace papyr::extraction
