// Cutting what the extraction never reads out of a page before parsing:
// exactly the contents of scripts, style sheets, drawings and comments, and
// nothing that only looks like one.

#include "html/unread_content.h"

#include <gtest/gtest.h>

#include <string>

namespace papyr::html {
namespace {

std::string dropped(std::string html) {
    drop_unread_content(html);
    return html;
}

TEST(UnreadContent, ScriptsStylesDrawingsAndCommentsLoseTheirContent) {
    struct Case {
        std::string html;
        std::string expected;
    };
    const Case cases[] = {
        {"<p>a</p><script>var x = '<p>no</p>';</script><p>b</p>",
         "<p>a</p><script></script><p>b</p>"},
        {"<STYLE type=text/css>p { color: red }</Style>x", "<STYLE type=text/css></Style>x"},
        {"<svg viewBox='0 0 9 9'><path d='M0 0'/><title>t</title></svg>after",
         "<svg viewBox='0 0 9 9'></svg>after"},
        {"one<!-- a <script> in a comment -->two", "onetwo"},
        // HTML ignores the slash of a script tag; SVG closes itself with it.
        {"<script src=a.js />var x;</script>y<svg/>z", "<script src=a.js /></script>y<svg/>z"},
        // A script that never ends runs to the end of the page.
        {"<p>a</p><script>var x = 1;", "<p>a</p><script>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dropped(c.html), c.expected) << c.html;
}

TEST(UnreadContent, WhatIsReadOrOnlyLooksLikeATagStays) {
    for (const std::string& html : {
             std::string("<script type=\"application/ld+json\">{\"headline\":\"A\"}</script>"),
             std::string("<p title=\"<script>\">kept</p><p>1 < 2 and <scripts> too</p>"),
             std::string("<p data-x='a \"<style>\" b'>kept</p><scripty>text</scripty>"),
             std::string("<p>unclosed <!-- comment"),
         }) {
        const std::string expected =
            html.find("<!--") == std::string::npos ? html : html.substr(0, html.find("<!--"));
        EXPECT_EQ(dropped(html), expected) << html;
    }
}

}  // namespace
}  // namespace papyr::html
