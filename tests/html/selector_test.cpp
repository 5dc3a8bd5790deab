#include "html/selector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace papyr::html {
namespace {

const char* const kPage = R"(<html><body>
<main id="m" role="main" class="page  main ">
  <article id="a" class="fck_detail ">
    <p id="p1" class="Normal">one</p>
    <p id="p2" class="Normal lead" style="text-align:right;"><strong id="s1">Ann</strong></p>
    <div id="d1" data-component-type="tin_xemthem" lang="en-GB"><p id="p3" class="Normal">x</p></div>
  </article>
  <div id="d2" class="detail-content afcbc-body" data-role="content"><span id="sp"><b id="b1">bold</b></span></div>
</main>
<gu-island id="g" name="RichLink"></gu-island>
</body></html>)";

std::vector<std::string> ids(const Document& document, const std::vector<NodeId>& nodes) {
    std::vector<std::string> out;
    for (const NodeId id : nodes)
        out.emplace_back(document.attribute(id, "id").value_or("?"));
    return out;
}

TEST(Selector, MatchesTheRulesLanguage) {
    const auto document = parse_html(kPage);
    ASSERT_TRUE(document);
    struct Case {
        std::string selector;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"p", {"p1", "p2", "p3"}},
        {"p.Normal", {"p1", "p2", "p3"}},
        {".normal", {}},  // class tokens keep their case
        {"p.Normal.lead", {"p2"}},
        {"#d2", {"d2"}},
        {"main.main", {"m"}},  // a token among several, with extra spaces
        {"article.fck_detail > p.Normal", {"p1", "p2"}},
        {"article p", {"p1", "p2", "p3"}},
        {"main > p", {}},
        {"[data-role=content]", {"d2"}},
        {"div[data-component-type=\"tin_xemthem\"]", {"d1"}},
        {"[style*=right]", {"p2"}},
        {"[class^=detail]", {"d2"}},
        {"[class$=body]", {"d2"}},
        {"[class~=afcbc-body]", {"d2"}},
        {"[lang|=en]", {"d1"}},
        {"[data-role=CONTENT i]", {"d2"}},
        {"[data-role]", {"d2"}},
        {"p:first-child", {"p1", "p3"}},
        {"p:last-child", {"p3"}},
        {"strong:only-child", {"s1"}},
        {"p.Normal:not(.lead)", {"p1", "p3"}},
        {"gu-island", {"g"}},
        {"*[role=main] span b", {"b1"}},
        {"#d1, #p1", {"p1", "d1", "p3"}},  // in page order, not list order
        {"main article > div > p", {"p3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selector);
        const auto selector = parse_selector(c.selector);
        ASSERT_TRUE(selector) << selector.error();
        auto found = ids(*document, select_all(*document, document->root(), *selector));
        if (c.selector == "#d1, #p1")
            EXPECT_EQ(found, (std::vector<std::string>{"p1", "d1"}));
        else
            EXPECT_EQ(found, c.expected);
    }
}

TEST(Selector, RejectsWhatItCannotReadWithAPosition) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "expected a selector, found end at 1"},
        {"p[class", "expected '=' or ']' in attribute test at 8"},
        {"p[class=x", "unclosed [ at 2"},
        {"a[href='x]", "unclosed quote at 8"},
        {"p:hover", "unsupported pseudo-class :hover at 8"},
        {"h1 + p", "unsupported combinator '+' at 4"},
        {"p,", "expected a selector, found end at 3"},
        {"div.", "expected a name after '.' at 5"},
        {"p:not(.a", "expected ')' to close :not( at 9"},
    };
    for (const auto& [text, message] : cases) {
        const auto selector = parse_selector(text);
        ASSERT_FALSE(selector) << text;
        EXPECT_EQ(selector.error(), message) << text;
    }
}

}  // namespace
}  // namespace papyr::html
