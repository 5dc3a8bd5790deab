// Pathological markup is trimmed before the parser sees it; ordinary markup
// reaches it byte for byte.

#include "html/markup_bounds.h"

#include <gtest/gtest.h>

#include <string>

#include "html/html_tree.h"

namespace papyr::html {
namespace {

std::string attributes(int count, const std::string& prefix = "a") {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += " " + prefix + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    return text;
}

// The first element named `tag` in the parsed markup.
NodeId find_element(const Document& document, std::string_view tag) {
    NodeId found = kNoNode;
    document.for_each_descendant(document.root(), [&](NodeId id) {
        if (found == kNoNode && document.is_element(id, tag))
            found = id;
    });
    return found;
}

TEST(MarkupBounds, OrdinaryMarkupIsPassedOnAsItIs) {
    const std::string page =
        "<!DOCTYPE html><html><head><title>a < b</title><script>if (a<b) x('<div "
        "a=1>');</script></head><body><!-- <p x> --><p class='c' data-x=\"1>2\">Text "
        "&amp; <b>bold</b><br/>2 < 3</p><svg><path d='M0'/></svg><ul><li>one<li>two</ul>"
        "</body></html>";
    std::string storage;
    const std::string_view bounded = bounded_markup(page, {}, storage);
    EXPECT_EQ(bounded.data(), page.data());
    EXPECT_EQ(bounded.size(), page.size());
}

TEST(MarkupBounds, AttributesPastTheBoundsAreLeftOut) {
    MarkupBounds bounds;
    bounds.max_attributes = 3;
    bounds.max_attribute_bytes = 20;
    std::string storage;
    // Past the count; a value with ">" in quotes does not end the tag.
    EXPECT_EQ(bounded_markup("<p a='x>y' b c=1 d=2 e=3>t</p>", bounds, storage),
              "<p a='x>y' b c=1>t</p>");
    // One attribute too long, the others kept in order, a self-closing tag
    // stays one.
    EXPECT_EQ(bounded_markup("<img src=a.jpg class=\"" + std::string(100, 'c') + "\" alt=x/>",
                             bounds, storage),
              "<img src=a.jpg alt=x/>");
    // End tags mean nothing by their attributes.
    EXPECT_EQ(bounded_markup("<b>x</b a=1 b=2>", bounds, storage), "<b>x</b>");
    // A tag the markup ends in is dropped, as the parser would.
    EXPECT_EQ(bounded_markup("text<div" + attributes(5), bounds, storage), "text");
    // Raw text is not markup, whatever it looks like.
    const std::string script = "<script>var s = '<p" + attributes(9) + ">';</script>";
    EXPECT_EQ(bounded_markup(script, bounds, storage), script);
}

TEST(MarkupBounds, AHostileElementParsesWithItsFirstAttributes) {
    const std::string page = "<div id=\"main\" class=\"" + std::string(4 << 20, 'x') + "\"" +
                             attributes(80000) + ">Nội dung</div>";
    const auto document = parse_html(page);
    ASSERT_TRUE(document) << document.error();
    const NodeId div = find_element(*document, "div");
    ASSERT_NE(div, kNoNode);
    const auto& kept = document->node(div).attributes;
    ASSERT_EQ(kept.size(), MarkupBounds{}.max_attributes);
    EXPECT_EQ(kept[0].name, "id");
    EXPECT_EQ(kept[1].name, "a0");  // the huge class is gone
    EXPECT_EQ(kept.back().name, "a126");
    EXPECT_EQ(document->raw_text(div), " Nội dung ");
}

TEST(MarkupBounds, DeepNestingKeepsItsTextAndWhatFollows) {
    std::string page;
    for (int i = 0; i < 50000; ++i)
        page += "<div><span>";
    page += "Đáy";
    for (int i = 0; i < 50000; ++i)
        page += "</span></div>";
    page += "<p id=after>Sau</p>";
    const auto document = parse_html(page);
    ASSERT_TRUE(document) << document.error();
    const std::string text = document->raw_text(document->root());
    EXPECT_NE(text.find("Đáy"), std::string::npos);
    const NodeId after = find_element(*document, "p");
    ASSERT_NE(after, kNoNode);
    EXPECT_EQ(document->attribute(after, "id"), "after");
    // The paragraph after the deep part is not inside it.
    EXPECT_LT(document->node(after).depth, 10U);
}

}  // namespace
}  // namespace papyr::html
