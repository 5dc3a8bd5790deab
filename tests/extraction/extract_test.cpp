#include "extraction/extract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace papyr::extraction {
namespace {

Result<ArticleDetail> extract(const std::string& html, const SiteRules* rules = nullptr) {
    return extract_article({.bytes = html,
                            .url = "https://example.org/a.html",
                            .source_name = "",
                            .rules = rules,
                            .default_utc_offset_minutes = 420});
}

std::string page(const std::string& body) {
    return "<html><head><title>T</title></head><body><h1>Headline of the story</h1>" + body +
           "</body></html>";
}

TEST(Extract, AnswersTheTitleLeadAndParagraphsOfASimplePage) {
    const std::string html =
        "<html><head><title>Trang</title><meta name=description content='Tóm tắt  bài.'>"
        "</head><body><h1>Tiêu đề\n bài</h1><p>Đoạn một<br>dòng hai.</p>"
        "<p><script>var x;</script>Đoạn hai.</p><p>  </p></body></html>";
    const auto article = extract_article({.bytes = html,
                                          .url = "https://vnexpress.net/a.html",
                                          .source_name = "VnExpress",
                                          .rules = nullptr,
                                          .default_utc_offset_minutes = 0});
    ASSERT_TRUE(article) << article.error();
    EXPECT_EQ(article->url, "https://vnexpress.net/a.html");
    EXPECT_EQ(article->source, "VnExpress");
    EXPECT_EQ(article->title, "Tiêu đề bài");
    EXPECT_EQ(article->lead, "Tóm tắt bài.");
    EXPECT_EQ(article->paragraphs, (std::vector<std::string>{"Đoạn một\ndòng hai.", "Đoạn hai."}));
    EXPECT_EQ(article->word_count, 9U);
    EXPECT_EQ(article->reading_time_minutes, 1U);
}

TEST(Extract, APageWithoutParagraphsHasNoArticleText) {
    for (const std::string html : {"<html><h1>Chỉ tiêu đề</h1></html>", "", "\xFF\xFE",
                                   "<script>var a = 'lots of script text';</script>",
                                   // Furniture left over is no article either.
                                   "<html><body><div>menu</div></body></html>",
                                   "<body><nav><a href=/>Trang chủ</a> <a href=/x>Thời sự</a>"
                                   "</nav><div>Liên hệ với chúng tôi</div></body>"}) {
        const auto article = extract(html);
        ASSERT_FALSE(article) << html;
        EXPECT_EQ(article.error(), "Không tìm thấy nội dung bài viết");
    }
}

TEST(Extract, BodyTextIsNormalisedTheWayABrowserShowsIt) {
    struct Case {
        std::string name;
        std::string body;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"entities",
         "<p>Caf&eacute; &amp; b&#7855;p&nbsp;&nbsp;rang&hellip; &lt;ok&gt;</p>",
         {"Café & bắp rang… <ok>"}},
        {"inline elements do not split or glue words",
         "<p>Hà<b>Nội</b> and <i>one</i> <a href='#'>two</a>,three</p>",
         {"HàNội and one two,three"}},
        {"blocks are paragraphs of their own",
         "<div>first<p>second</p>third</div>",
         {"first", "second", "third"}},
        {"one br breaks the line, two end the paragraph",
         "<div>line one<br>line two<br><br>next paragraph<br> <br>the last one</div>",
         {"line one\nline two", "next paragraph", "the last one"}},
        {"script and style inside a paragraph are no text",
         "<p>before <script>document.write('x')</script><style>p{}</style>after</p>",
         {"before after"}},
        {"subheadings and list items in reading order",
         "<p>Intro.</p><h2>Part two</h2><ul><li>first item</li><li>second <b>item</b></li></ul>"
         "<ol><li><p>third</p></li></ol>",
         {"Intro.", "Part two", "first item", "second item", "third"}},
        {"tables of text keep their cell text",
         "<p>Results:</p><table><tr><th>City</th><th>Votes</th></tr><tr><td>Huế</td><td>"
         "1.200</td></tr></table>",
         {"Results:", "City | Votes", "Huế | 1.200"}},
        {"hidden text is left out",
         "<p>shown</p><p hidden>attr</p><p aria-hidden=true>aria</p><p style='display: "
         "none'>style</p><p class='sr-only'>reader</p>",
         {"shown"}},
        {"a repeated paragraph appears once, the headline not at all",
         "<h2>Headline of the story</h2><p>The same long paragraph, said once in the text and "
         "once more as a pull quote beside it.</p><div><p>The same long paragraph,   said once in "
         "the "
         "text and once more as a pull quote beside it.</p></div><p>Other.</p>",
         {"The same long paragraph, said once in the text and once more as a pull quote beside it.",
          "Other."}},
        {"short lines repeat on purpose, but not three times",
         "<p>Q: Where?</p><p>A: Here.</p><p>Q: Where?</p><p>A: There.</p><p>Log in to react</p>"
         "<p>Log in to react</p><p>Log in to react</p>",
         {"Q: Where?", "A: Here.", "Q: Where?", "A: There."}},
        {"preformatted text keeps its lines", "<pre>a = 1\n  b = 2</pre>", {"a = 1\nb = 2"}},
        {"stock lines of page furniture go",
         "<p>Real text here.</p><p>Advertisement</p><p>Xem thêm: <a href='/x'>khác</a></p>"
         "<p>Share this article</p>",
         {"Real text here."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto article = extract(page(c.body));
        ASSERT_TRUE(article) << article.error();
        EXPECT_EQ(article->paragraphs, c.expected);
    }
}

TEST(Extract, WhatTheBodySaysIsNotRepeatedAsTheLead) {
    const std::string first =
        "The council approved the new harbour wall on Tuesday, ending years of delay.";
    const std::string rest = "<p>Work starts in May and should take two years, officials said.</p>";
    // The description is the first paragraph, or a later one: the body
    // keeps it and the lead goes.
    for (const std::string& body : {"<p>" + first + "</p>" + rest, rest + "<p>" + first + "</p>"}) {
        const auto article =
            extract("<html><head><meta property='og:description' content='" + first +
                    "'></head><body><h1>Harbour wall</h1>" + body + "</body></html>");
        ASSERT_TRUE(article);
        EXPECT_EQ(article->lead, "");
        EXPECT_EQ(article->paragraphs.size(), 2U);
        EXPECT_NE(std::find(article->paragraphs.begin(), article->paragraphs.end(), first),
                  article->paragraphs.end());
    }
    // The description is the paragraph cut short: the lead goes, the text stays whole.
    const auto article = extract(
        "<html><head><meta name=description content='The council approved the new "
        "harbour wall...'></head><body><h1>Harbour wall</h1><p>" +
        first + "</p>" + rest + "</body></html>");
    ASSERT_TRUE(article);
    EXPECT_EQ(article->lead, "");
    EXPECT_EQ(article->paragraphs.front(), first);
}

TEST(Extract, ComponentBlocksNamedInDataAttributesAreSortedLikeClasses) {
    // Pages built of components name their blocks in data attributes only:
    // the byline block and the teasers of other stories after the article
    // are furniture, the text blocks are the body.
    std::string blocks;
    std::vector<std::string> want;
    for (int i = 0; i < 6; ++i) {
        want.push_back("Paragraph " + std::to_string(i) +
                       " of the report says the bridge reopens in spring, the engineers said.");
        blocks += "<div data-component=\"text-block\"><p>" + want.back() + "</p></div>";
    }
    std::string teasers;
    for (int i = 0; i < 6; ++i)
        teasers += "<div><a href=/s/" + std::to_string(i) +
                   "><span>Another story</span></a><p>A whole sentence that tells what "
                   "another story is about, in some detail.</p></div>";
    for (const std::string section :
         {"data-component=\"top-stories\"", "data-testid=\"topStories\""}) {
        const auto article = extract(
            "<html><body><div id=main-content><article><h1>Bridge reopens</h1>"
            "<div data-component=\"byline-block\"><span>Ann Lee</span><span>Reporter</span></div>" +
            blocks + "</article><section " + section + "><h2>Top stories</h2>" + teasers +
            "</section></div></body></html>");
        ASSERT_TRUE(article) << article.error();
        EXPECT_EQ(article->paragraphs, want) << section;
    }
}

TEST(Extract, MetadataGivesAuthorsDateAndSite) {
    const std::string html = R"(<html><head>
<meta property="og:site_name" content="Harbour Times">
<meta property="og:title" content="Wall approved | Harbour Times">
<script type="application/ld+json">{"@type":"NewsArticle","datePublished":"2025-06-02 08:30",
 "author":[{"@type":"Person","name":"Ann Lee"},{"@type":"Person","name":"By Bo Chan"},
           {"@type":"Organization","name":"Harbour Times"}]}</script></head>
<body><p>The council approved the wall, ending years of delay and argument.</p></body></html>)";
    const auto article = extract(html);
    ASSERT_TRUE(article) << article.error();
    EXPECT_EQ(article->source, "Harbour Times");
    EXPECT_EQ(article->title, "Wall approved");
    EXPECT_EQ(article->author, "Ann Lee, Bo Chan");
    EXPECT_EQ(article->pub_date, "Thứ hai, 2/6/2025, 08:30 (GMT+7)");  // the publisher's zone
}

TEST(Extract, ReferencesLeftInMetadataAfterParsingAreDecodedOnce) {
    // Escaped twice in the meta tags (or markup written into them), and
    // escaped in the JSON-LD strings, which no parse decodes.
    const std::string html = R"(<html><head>
<meta property="og:title" content="Mexico to fight &amp;#8216;illogical&amp;#8217; tariffs">
<meta name="description" content="&lt;p&gt;Here&amp;#x27;s what we know&lt;/p&gt;">
<script type="application/ld+json">{"@type":"NewsArticle",
 "author":{"@type":"Person","name":"Ann O&#039;Neil &amp; Bo Chan"}}</script></head>
<body><p>The council approved the wall, ending years of delay and argument.</p></body></html>)";
    const auto article = extract(html);
    ASSERT_TRUE(article) << article.error();
    EXPECT_EQ(article->title, "Mexico to fight ‘illogical’ tariffs");
    EXPECT_EQ(article->lead, "Here's what we know");
    EXPECT_EQ(article->author, "Ann O'Neil & Bo Chan");
}

TEST(Extract, AnOrganisationIsTheAuthorOnlyWhenNoPersonIsNamed) {
    const auto article = extract(
        "<html><head><script type='application/ld+json'>{\"@type\":\"Article\",\"author\":"
        "{\"@type\":\"Organization\",\"name\":\"BBC News\"}}</script></head><body><p>Some text of "
        "the article that is long enough.</p></body></html>");
    ASSERT_TRUE(article);
    EXPECT_EQ(article->author, "BBC News");
    const auto none = extract(page("<p>Text without any byline at all, long enough.</p>"));
    ASSERT_TRUE(none);
    EXPECT_EQ(none->author, std::nullopt);
    EXPECT_EQ(none->pub_date, std::nullopt);
}

TEST(Extract, RulesWinOverTheGenericBodyAndRemoveWhatTheySay) {
    SiteRules rules;
    rules.title = {"h1.missing", "h1.t"};
    rules.body = {"div.nothing-here", "div.body"};
    rules.remove = {"div.box"};
    rules.author = {"p.by"};
    rules.drop_paragraphs = {"Ảnh: "};
    const std::string html = page(
        "<h1 class=t>Rule title</h1><div class=body><p>Short.</p><div class=box><p>Boxed text that "
        "would otherwise count, with commas, many, many.</p></div><p>Ảnh: Hải</p><p>Ảnh hưởng lớn."
        "</p><p class=by>Minh Anh</p></div><div class=other><p>A long paragraph outside the rules' "
        "body, with commas, and more commas, that scoring alone would surely take.</p></div>");
    const auto article = extract(html, &rules);
    ASSERT_TRUE(article) << article.error();
    EXPECT_EQ(article->title, "Rule title");
    EXPECT_EQ(article->author, "Minh Anh");
    EXPECT_EQ(article->paragraphs, (std::vector<std::string>{"Short.", "Ảnh hưởng lớn."}));
}

TEST(Extract, RulesThatMatchNothingLeaveTheGenericExtraction) {
    SiteRules rules;
    rules.body = {"div.redesigned-away"};
    const auto article =
        extract(page("<p>The text is still found by scoring, with commas.</p>"), &rules);
    ASSERT_TRUE(article) << article.error();
    EXPECT_EQ(article->paragraphs,
              (std::vector<std::string>{"The text is still found by scoring, with commas."}));
}

// Any bytes give an answer or a message, soon and within bounded memory.
TEST(Extract, HostileInputEndsInAnAnswerOrAMessage) {
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<div>";
    deep += "<p>Deep text at the bottom of the tree, long enough to count.</p>";
    // Deeper than the tree keeps, shallower than the parser is given: the
    // elements past the depth limit are flattened, their text kept.
    std::string nested = "<p>Top text of the nested page, long enough to count here.</p>";
    for (int i = 0; i < 300; ++i)
        nested += "<div class=level>";
    nested += "<p>Deep text at the bottom of the tree, long enough to count.</p>";
    std::string wide = "<p>Start.</p>";
    for (int i = 0; i < 60000; ++i)
        wide += "<span>x</span>";
    std::string formatting = "<p>";
    for (int i = 0; i < 2000; ++i)
        formatting += "<b id=" + std::to_string(i) + ">";
    for (int i = 0; i < 2000; ++i)
        formatting += "</p><p>x";
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7919) % 256);
    std::string huge = "<p>" + std::string(kMaxPageBytes + 1000, 'a') + "</p>";
    const std::pair<std::string, std::string> cases[] = {
        {"deep nesting", deep},
        {"many nodes", wide},
        {"nested", nested},
        {"misnested formatting", formatting},
        {"binary", binary},
        {"nul bytes", std::string("<p>a\0b</p>", 10)},
        {"over the size limit", huge},
        {"unclosed everything", "<table><tr><td><ul><li><select><option><p>"}};
    for (const auto& [name, bytes] : cases) {
        const auto start = std::chrono::steady_clock::now();
        const auto article = extract(bytes);
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
        EXPECT_LT(seconds.count(), 20.0) << name;
        if (!article) {
            EXPECT_FALSE(article.error().empty()) << name;
        }
    }
    const auto bottom = extract(nested);
    ASSERT_TRUE(bottom) << bottom.error();
    EXPECT_EQ(bottom->paragraphs.back(),
              "Deep text at the bottom of the tree, long enough to count.");
}

TEST(SiteRules, AreReadFromTheirObjectAndRejectedWithTheMemberNamed) {
    const auto read = [](const std::string& text) {
        const auto value = json::parse_value(text);
        EXPECT_TRUE(value) << text;
        return parse_site_rules(*value);
    };
    const auto rules =
        read(R"({"title":["h1.a","h1.b"],"body":["div.c > p"],"dropParagraphs":["Ảnh: "]})");
    ASSERT_TRUE(rules) << rules.error();
    EXPECT_EQ(rules->title, (std::vector<std::string>{"h1.a", "h1.b"}));
    EXPECT_EQ(rules->body, (std::vector<std::string>{"div.c > p"}));
    EXPECT_EQ(rules->drop_paragraphs, (std::vector<std::string>{"Ảnh: "}));
    EXPECT_TRUE(read("{}"));

    const std::pair<std::string, std::string> bad[] = {
        {"[]", "must be an object, found an array"},
        {R"({"titel":["h1"]})", "unknown member `titel`"},
        {R"({"body":"div"})", "`body` must be an array of strings, found a string"},
        {R"({"lead":["p",3]})", "`lead[1]` must be a string, found a number"},
        {R"({"remove":[""]})", "`remove[0]` must not be empty"},
        {R"({"date":["span.date","time[datetime"]})",
         "`date[1]`: expected '=' or ']' in attribute test at 14"},
        {R"({"dropParagraphs":[null]})", "`dropParagraphs[0]` must be a string, found null"},
    };
    for (const auto& [text, message] : bad) {
        const auto result = read(text);
        ASSERT_FALSE(result) << text;
        EXPECT_EQ(result.error(), message);
    }
}

}  // namespace
}  // namespace papyr::extraction
