// The generic extraction on the kinds of page layout that real sites use
// and that decide whether an article comes out whole: each case is a page
// shape, and the paragraphs it must give.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extraction/extract.h"

namespace papyr::extraction {
namespace {

using Paragraphs = std::vector<std::string>;

struct Case {
    std::string name;
    std::string body;  // inside <body>, after the headline
    Paragraphs expected;
};

// Prose long enough to count as article text wherever it stands.
std::string prose(const std::string& topic) {
    return "The council said the " + topic +
           " plan would go ahead after months of talks, and residents who had opposed it said "
           "they would keep watching how the money is spent this year.";
}

Paragraphs extract_paragraphs(const std::string& body, const std::string& head = "") {
    const std::string html = "<html><head><title>Harbour plan</title>" + head +
                             "</head><body><h1>Harbour plan</h1>" + body + "</body></html>";
    const auto article =
        extract_article({.bytes = html, .url = "https://example.org/news/1", .source_name = ""});
    return article ? article->paragraphs : Paragraphs{"(no article: " + article.error() + ")"};
}

void expect_cases(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(extract_paragraphs(c.body), c.expected);
    }
}

TEST(GenericBody, NamesThatOnlyOftenMeanBoilerplateRemoveNoProse) {
    const std::string p1 = prose("harbour");
    const std::string p2 = prose("bridge");
    const std::string p3 = prose("school");
    expect_cases({
        {"the rest of a delivered article inside a paywall box",
         "<article><p>" + p1 + "</p><div class='paywall'><p>" + p2 + "</p><p>" + p3 +
             "</p></div></article>",
         {p1, p2, p3}},
        {"a paywall prompt is no prose",
         "<article><p>" + p1 + "</p><p>" + p2 +
             "</p><div class='paywall'><p>Subscribe to keep reading.</p></div></article>",
         {p1, p2}},
        {"a name in a sentence is linked to its tag page",
         "<article><p>" + p1 +
             "</p><p>Mayor <a id='auto-tag_ann-lee' class='tag-link' "
             "href='/t/ann-lee'>Ann Lee</a> spoke first. " +
             p2 + "</p></article>",
         {p1, "Mayor Ann Lee spoke first. " + p2}},
        {"table rows named after what they list",
         "<article><p>" + p1 +
             "</p><table><tr class='row player-12'><td>Ann Lee</td>"
             "<td>12 goals</td></tr><tr class='row player-13'><td>Bo Park</td><td>9 goals</td>"
             "</tr></table><p>" +
             p2 + "</p></article>",
         {p1, "Ann Lee | 12 goals", "Bo Park | 9 goals", p2}},
        {"a video player's controls and a picture with its caption",
         "<article><p>" + p1 +
             "</p><div class='video-player'><div>Play</div><div>Current "
             "time 0:00</div><div>Duration 2:31</div><div>Fullscreen</div></div><p>" +
             p2 +
             "</p><div class='image-widget'><img src='/a.jpg'><p>The harbour at dawn, seen "
             "from the old pier where the ferries used to dock before the council closed "
             "it.</p></div><p>" +
             p3 + "</p></article>",
         {p1, p2, p3}},
        {"a gallery of captioned slides between the paragraphs",
         "<article><p>" + p1 + "</p><div class='inline-gallery'><ul><li>" + prose("pier") +
             "</li><li>" + prose("dock") + "</li></ul></div><p>" + p2 + "</p></article>",
         {p1, p2}},
        {"a slideshow that is the article",
         "<article><div class='slideshow'><div class='slide'><h2>First look</h2><p>" + p1 +
             "</p></div><div class='slide'><h2>Second look</h2><p>" + p2 +
             "</p></div></div>"
             "</article>",
         {"First look", p1, "Second look", p2}},
        {"a comment thread goes however much prose it holds",
         "<article><p>" + p1 + "</p><p>" + p2 + "</p></article><div class='comments'><p>" + p3 +
             "</p><p>" + prose("pool") + "</p></div>",
         {p1, p2}},
    });
}

TEST(GenericBody, LooseTextBesideBlocksIsReadAsParagraphs) {
    const std::string p1 = prose("harbour");
    const std::string p2 = prose("bridge");
    const std::string p3 = prose("school");
    // The story is text and <br> runs straight in a <div> that also holds
    // its date line, a picture link and a poll; beside it, a sidebar of
    // short paragraphs that used to win.
    const std::string body =
        "<div class='story'><p>By Ann Lee</p><small>2 May 2025</small>"
        "<div><a href='/p'><img src='/p.jpg'></a></div>" +
        p1 + "<br><br>" + p2 + "<div class='poll-widget'><span>Loading</span></div>" + p3 +
        "</div><div class='col'><p>Weather today: sunny spells and light winds</p>"
        "<p>Tides: high water at 06:12 and at 18:40 today</p><p>Ferries: all sailings are "
        "running to the timetable</p></div>";
    EXPECT_EQ(extract_paragraphs(body), (Paragraphs{"By Ann Lee", p1, p2, p3}));
}

TEST(GenericBody, RepeatedTeaserCardsAreNoArticleText) {
    const std::string p1 = prose("harbour");
    const std::string p2 = prose("bridge");
    std::string cards;
    for (const std::string topic : {"ferry timetable", "museum opening", "river cleanup"})
        cards += "<li><h3><a href='/" + topic + "'>What the " + topic +
                 " means for you</a></h3>"
                 "<p>An excerpt about the " +
                 topic + " in a sentence or two.</p></li>";
    std::string lead_ins;
    for (const std::string name : {"Harbour Trust", "Bridge Fund", "School Board"})
        lead_ins += "<li><strong><a href='/" + name + "'>The " + name +
                    "</a></strong> will "
                    "pay a third of the cost, it said on Tuesday.</li>";
    expect_cases({
        {"a stream of cards after the story",
         "<div class='main'><p>" + p1 + "</p><p>" + p2 + "</p><h2>More stories</h2><ul>" + cards +
             "</ul></div>",
         {p1, p2}},
        {"list items that start with a linked lead-in are text",
         "<div class='main'><p>" + p1 + "</p><ul>" + lead_ins + "</ul><p>" + p2 + "</p></div>",
         {p1, "The Harbour Trust will pay a third of the cost, it said on Tuesday.",
          "The Bridge Fund will pay a third of the cost, it said on Tuesday.",
          "The School Board will pay a third of the cost, it said on Tuesday.", p2}},
    });
}

TEST(GenericBody, ABodySplitAcrossLikeContainersIsGathered) {
    const std::string p1 = prose("harbour");
    const std::string p2 = prose("bridge");
    const std::string p3 = prose("school");
    const std::string p4 = prose("library");
    // Each part of the story sits in its own grid row, at different
    // depths, between a full-width ad row and a video block.
    const std::string body =
        "<div class='page'><div class='row'><div class='text-part'><p>" + p1 + "</p><p>" + p2 +
        "</p></div><aside>Most read</aside></div><div class='ad-row'>Advertisement</div>"
        "<div class='row'><div class='inner'><div class='text-part'><p>" +
        p3 +
        "</p></div></div></div><div class='video-embed'><a href='/v'>Watch</a></div>"
        "<div class='text-part'><p>" +
        p4 + "</p></div></div>";
    EXPECT_EQ(extract_paragraphs(body), (Paragraphs{p1, p2, p3, p4}));
}

TEST(GenericBody, ASiblingWithAsMuchProseJoinsTheBody) {
    const std::string p1 = prose("harbour");
    const std::string p2 = prose("bridge");
    const std::string p3 = prose("pool");
    std::string updates;
    for (const std::string topic : {"ferry", "museum", "river", "school"})
        updates +=
            "<div class='upd'><div class='upd-meta'><time>10:05</time></div><div "
            "class='upd-wrap'><div class='upd-txt'><p>" +
            prose(topic) + "</p></div></div></div>";
    // A live blog: its introduction, then the updates, whose paragraphs sit
    // too deep to give their container points.
    const std::string body = "<div class='col'><div class='intro'><p>" + p1 + "</p><p>" + p2 +
                             "</p><p>" + p3 + "</p></div><div class='live'><div class='updates'>" +
                             updates + "</div></div></div>";
    EXPECT_EQ(extract_paragraphs(body), (Paragraphs{p1, p2, p3, prose("ferry"), prose("museum"),
                                                    prose("river"), prose("school")}));
}

TEST(GenericBody, APageThatRunsOnIntoTheNextStoryGivesItsOwn) {
    const std::string p1 = prose("harbour");
    const std::string p2 = prose("bridge");
    std::string next;
    for (const std::string topic : {"ferry", "museum", "river", "school", "pool"})
        next += "<p>" + prose(topic) + "</p>";
    // The story of the page, then the next one, loaded under it and longer.
    const std::string body =
        "<main><article><header><h1>Harbour plan</h1></header><div "
        "class='text'><p>" +
        p1 + "</p><p>" + p2 +
        "</p></div></article>"
        "<div class='more'><article><h1>Ferry timetable changes</h1><div "
        "class='text'>" +
        next + "</div></article></div></main>";
    EXPECT_EQ(extract_paragraphs(body, "<meta property='og:title' content='Harbour plan'>"),
              (Paragraphs{p1, p2}));
}

TEST(GenericBody, DatesBylinesCreditsAndPromptsAtTheEdgesGo) {
    const std::string p1 = prose("harbour");
    const std::string p2 = prose("bridge");
    const std::string body =
        "<div class='main'><p>Von Ann Lee</p><p>Stand: 22.04.2024, 06:00 "
        "Uhr</p><p>" +
        p1 + "</p><p>" + p2 +
        "</p><p>Mit Material von dpa</p><p>Sign up to our morning "
        "newsletter.</p><p>Ann Lee is our harbour reporter.</p><h3>More"
        "</h3></div>";
    EXPECT_EQ(extract_paragraphs(body, "<meta name=author content='Ann Lee'>"),
              (Paragraphs{p1, p2}));
}

TEST(GenericBody, LinkDenseProseIsTextButALineOfLinksIsNot) {
    const std::string p1 = prose("harbour");
    const std::string p2 = prose("bridge");
    const std::string linked =
        "<a href='/t/trust'>The chairwoman of the Harbour Trust and of its planning committee, "
        "Ann Lee</a>, told the council on Tuesday that the plan was sound.";
    // A hover card, hidden until the pointer rests on the name, holds more
    // links than the sentence.
    const std::string card =
        "<span class='card' style='display:none'><img src='/a.jpg'>"
        "<a href='/a'>Profile</a> <a href='/b'>Stories</a> <a href='/c'>"
        "Follow</a></span>";
    expect_cases({
        {"a sentence whose subject is a link, and one with a hidden hover card",
         "<div class='main'><p>" + p1 + "</p><p>" + linked +
             "</p><p>Mayor <a href='/m'>Bo "
             "Park</a>" +
             card + " agreed with the trust.</p><p>" + p2 + "</p></div>",
         {p1,
          "The chairwoman of the Harbour Trust and of its planning committee, Ann Lee, told the "
          "council on Tuesday that the plan was sound.",
          "Mayor Bo Park agreed with the trust.", p2}},
        {"a line of links",
         "<div class='main'><p>" + p1 +
             "</p><p><a href='/x'>Ferry timetable changes next "
             "week</a> | <a href='/y'>Museum opening delayed again</a></p><p>" +
             p2 + "</p></div>",
         {p1, p2}},
    });
}

TEST(GenericBody, HiddenSubtreesAreNoTextButStreamedPartsAndPaywalledTextAre) {
    const std::string p1 = prose("harbour");
    const std::string p2 = prose("bridge");
    expect_cases({
        {"a hidden copy of the body for machines",
         "<div class='main'><p>" + p1 + "</p><p>" + p2 +
             "</p></div><div style='display:none' "
             "itemprop='articleBody'><p>" +
             p1 + "</p><p>" + p2 + "</p><p>" + prose("pool") + "</p></div>",
         {p1, p2}},
        {"the rest of the article delivered behind a paywall, hidden until a login",
         "<div class='main'><p>" + p1 + "</p><div class='paywall' hidden><p>" + p2 + "</p><p>" +
             prose("pool") + "</p></div></div>",
         {p1, p2, prose("pool")}},
        {"the article sent in a part of a streamed page",
         "<div class='main'><template id='B:1'></template></div><div hidden id='S:1'><p>" + p1 +
             "</p><p>" + p2 + "</p></div>",
         {p1, p2}},
    });
}

}  // namespace
}  // namespace papyr::extraction
