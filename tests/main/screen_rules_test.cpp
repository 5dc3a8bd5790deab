// The layout rules of the screens that the goldens show only indirectly:
// tab placement, the scrollbar thumb, reading progress, the reader's laid-out
// height and how the frame loop's scroll limit follows it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/font.h"
#include "graphics/glyph_cache.h"
#include "graphics/text_renderer.h"
#include "main/fakes.h"
#include "main/feed_list_screen.h"
#include "main/frame_drawing.h"
#include "main/help_overlay.h"
#include "main/reader_screen.h"
#include "main/screen_content.h"
#include "main/state_update.h"
#include "main/surface_renderer.h"
#include "main/theme.h"

namespace papyr {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;

GlyphCache& glyphs() {
    static GlyphCache cache(Font::embedded());
    return cache;
}

const SavedLookup kNothingSaved = [](std::string_view) { return false; };

std::uint32_t pixel(const Framebuffer& surface, std::int32_t x, std::int32_t y) {
    return surface
        .pixels()[static_cast<std::size_t>(y) * surface.width() + static_cast<std::size_t>(x)];
}

// --- category tabs ---------------------------------------------------------------

TEST(CategoryTabs, FirstTabSlidesOnlyOnceTheCurrentOneIsFourthOrLater) {
    EXPECT_EQ(first_visible_tab(3, 2), 0U);  // three categories, the last current
    EXPECT_EQ(first_visible_tab(8, 2), 0U);
    EXPECT_EQ(first_visible_tab(8, 3), 2U);  // one neighbour kept on the left
    EXPECT_EQ(first_visible_tab(8, 5), 4U);
    EXPECT_EQ(first_visible_tab(8, 6), 5U);
    EXPECT_EQ(first_visible_tab(8, 7), 5U);  // the last one: the final three
    EXPECT_EQ(first_visible_tab(1, 0), 0U);
}

TEST(CategoryTabs, TabIsDrawnOnlyWhileItsEndPlusArrowRoomStaysLeftOfTheBadges) {
    // On a 1024 screen the limit is 1024 - 180 = 844 for x + w + 85.
    const std::vector<std::int32_t> exact_fit = {259};  // 500 + 259 + 85 = 844
    const TabStrip fits = layout_tabs(exact_fit, 0, 1024);
    ASSERT_EQ(fits.tabs.size(), 1U);
    EXPECT_EQ(fits.arrow_x, 500 + 259 + 30);  // 35 after the name, less the 5 of the arrow

    const std::vector<std::int32_t> one_too_wide = {260};
    const TabStrip stops = layout_tabs(one_too_wide, 0, 1024);
    EXPECT_TRUE(stops.tabs.empty());
    EXPECT_EQ(stops.arrow_x, 500);  // where the undrawn tab would have begun
}

TEST(CategoryTabs, LaterTabsStopAtTheFirstThatDoesNotFit) {
    const std::vector<std::int32_t> widths = {50, 100, 100, 100, 10};
    const TabStrip brick = layout_tabs(widths, 1, 1024);
    EXPECT_THAT(brick.tabs, ElementsAre(Field(&TabSlot::x, 500), Field(&TabSlot::x, 630)));
    EXPECT_EQ(brick.tabs[1].category, 2U);
    EXPECT_EQ(brick.arrow_x, 760);  // the 10-wide tab after it is not drawn either

    const TabStrip wide = layout_tabs(widths, 1, 1280);
    EXPECT_EQ(wide.tabs.size(), 4U);
    EXPECT_EQ(wide.arrow_x, 500 + 3 * 130 + 40);
}

TEST(CategoryTabs, NoTabToShowLeavesTheArrowAtTheStart) {
    const std::vector<std::int32_t> widths = {50, 60};
    const TabStrip strip = layout_tabs(widths, 2, 1280);
    EXPECT_TRUE(strip.tabs.empty());
    EXPECT_EQ(strip.arrow_x, 500);
}

// --- scrollbar -------------------------------------------------------------------

TEST(Scrollbar, ThumbIsTheVisibleShareOfTheTrackButNeverBelow25) {
    EXPECT_EQ(thumb_geometry(6, 0).height, 456);  // 5/6 × 548 = 456.67
    EXPECT_EQ(thumb_geometry(200, 0).height, 25);
    EXPECT_EQ(thumb_geometry(30, 6).height, 91);
}

TEST(Scrollbar, ThumbFollowsTheSelection) {
    EXPECT_EQ(thumb_geometry(6, 0).y, 70);
    EXPECT_EQ(thumb_geometry(6, 5).y, 70 + 76);       // 5/6 × (548 − 456) = 76.67
    EXPECT_EQ(thumb_geometry(200, 199).y, 70 + 520);  // 199/200 × 523 = 520.39
    EXPECT_EQ(thumb_geometry(30, 6).y, 70 + 91);      // 6/30 × 457 = 91.4
}

// --- feed cards ------------------------------------------------------------------

TEST(FeedCards, ALongTitleIsShortenedToTheTextLimit) {
    AppState state = test::fresh_state();
    state.items = test::headlines(1);
    state.items[0].title =
        "Bão số 9 đổ bộ vào đất liền các tỉnh Nam Trung Bộ, gió giật cấp 14, "
        "hàng nghìn người dân được sơ tán khỏi vùng nguy hiểm";
    Framebuffer surface = Framebuffer::in_memory(1024, 768);
    TextRenderer text(glyphs(), surface);
    draw_frame(state, surface, text, kNothingSaved);

    // The selected card's text starts at 56; its lines end by 56 + 1024 − 110.
    const std::uint32_t card = palette_for(0).card_selected;
    const std::int32_t limit = 56 + 1024 - 110;
    bool inked_near_limit = false;
    for (std::int32_t y = 70 + 14; y < 70 + 14 + 24; ++y) {
        for (std::int32_t x = limit; x < 1024 - 23; ++x)
            ASSERT_EQ(pixel(surface, x, y), card) << "ink past the limit at " << x << "," << y;
        for (std::int32_t x = limit - 40; x < limit; ++x)
            inked_near_limit = inked_near_limit || pixel(surface, x, y) != card;
    }
    EXPECT_TRUE(inked_near_limit) << "the shortened title should nearly fill its line";

    const std::string shown = text.fit_with_ellipsis(state.items[0].title, 18, 1024 - 110);
    EXPECT_THAT(shown, ::testing::EndsWith("..."));
    EXPECT_EQ(text.fit_with_ellipsis(state.items[0].lead, 14, 1024 - 110), state.items[0].lead);
}

// --- reader ----------------------------------------------------------------------

TEST(ReaderProgress, RunsFromZeroToAHundredOverTheScrollRange) {
    EXPECT_EQ(reading_progress(0, 3000, 768), 0);
    EXPECT_EQ(reading_progress(1176, 3000, 768), 50);  // half of 3000 − 768 + 120
    // The scroll limit of the frame loop lies 20 pixels beyond the range.
    const std::int32_t limit = reader_max_scroll(3000, 768);
    EXPECT_EQ(limit, 2372);
    EXPECT_EQ(reading_progress(limit, 3000, 768), 100);
}

TEST(ReaderProgress, AShortArticleDividesByOne) {
    EXPECT_EQ(reading_progress(0, 600, 768), 0);
    EXPECT_EQ(reading_progress(1, 600, 768), 100);  // 600 − 768 + 120 < 1
    EXPECT_EQ(reading_progress(1, 649, 768), 100);  // exactly 1
    EXPECT_EQ(reading_progress(1, 650, 768), 50);
}

TEST(ReaderMetaLine, JoinsTheFieldsTheArticleHas) {
    ArticleDetail article = test::sample_article();
    EXPECT_EQ(reader_meta_line(article),
              "Báo: VnExpress • Tác giả: Nguyễn Thu Hà • Thứ hai, 8/12/2025, 09:30 (GMT+7) • ~3 "
              "phút đọc");
    article.author.reset();
    article.pub_date.reset();
    article.reading_time_minutes = 12;
    EXPECT_EQ(reader_meta_line(article), "Báo: VnExpress • ~12 phút đọc");
}

class ReaderLayout : public ::testing::Test {
  protected:
    // A word far wider than any column stands alone on its line, so the
    // number of lines of these texts is known without measuring.
    ReaderLayout() : wide_word(60, 'M') {
        state.reader_open = true;
        state.article = ArticleDetail{};
        state.article->url = "https://tin.example.vn/bai-mau.html";
        state.article->source = "Tuổi Trẻ";
        state.article->title = wide_word + " " + wide_word + " " + wide_word;  // 3 lines
        state.article->lead = wide_word + "\n" + wide_word;                    // 2 lines
        state.article->paragraphs = {
            "Một câu ngắn.", "",
            wide_word + " " + wide_word + " " + wide_word};  // 1, 1 and 3 lines
    }

    std::optional<std::int32_t> draw(std::int32_t scroll = 0, bool with_lead = true) {
        state.reader_scroll = scroll;
        if (!with_lead)
            state.article->lead.clear();
        TextRenderer text(glyphs(), surface);
        // At the smallest size used, wider than the widest column.
        EXPECT_GT(text.measure_text(wide_word, 18), 1024.0f - 160.0f);
        return draw_frame(state, surface, text, kNothingSaved);
    }

    std::string wide_word;
    AppState state = test::fresh_state();
    Framebuffer surface = Framebuffer::in_memory(1024, 768);
};

TEST_F(ReaderLayout, ContentHeightFollowsTheLayoutArithmetic) {
    // Scale 125%: title 44, summary 39, paragraph 36 pixels a line.
    const std::int32_t title = 3 * 44;
    const std::int32_t summary_box = 2 * 39 + 24;
    const std::int32_t paragraphs = (36 + 18) + (36 + 18) + (3 * 36 + 18);
    const std::int32_t expected = 70 + title + 60 + summary_box + 20 + paragraphs - 30;
    EXPECT_EQ(draw(), expected);
    EXPECT_EQ(draw(500), expected);  // content coordinates: the scroll does not count
}

TEST_F(ReaderLayout, WithoutSummaryTheParagraphsFollowTheSeparatorGap) {
    const std::int32_t expected = 70 + 3 * 44 + 60 + (36 + 18) + (36 + 18) + (3 * 36 + 18) - 30;
    EXPECT_EQ(draw(0, false), expected);
}

TEST_F(ReaderLayout, FontScaleChangesTheHeight) {
    state.font_scale_index = 3;  // 175%: 60, 55, 52
    const std::int32_t expected =
        70 + 3 * 60 + 60 + (2 * 55 + 24) + 20 + (52 + 18) + (52 + 18) + (3 * 52 + 18) - 30;
    EXPECT_EQ(draw(), expected);
}

TEST_F(ReaderLayout, SummaryBoxAndItsBarSpanTheWrappedLinesAndPadding) {
    state.font_scale_index = 0;  // 100%: summary 33 a line
    state.article->title = "Tin ngắn";
    state.article->lead = wide_word + " " + wide_word + " " + wide_word;
    draw();
    const Palette& p = palette_for(0);
    const std::int32_t top = 70 + 38 + 60;  // one title line of 38
    const std::int32_t bottom = top + 3 * 33 + 24 - 1;
    EXPECT_EQ(pixel(surface, 81, top - 1), p.background);
    EXPECT_EQ(pixel(surface, 81, top), p.accent);
    EXPECT_EQ(pixel(surface, 83, bottom), p.accent);
    EXPECT_EQ(pixel(surface, 88, bottom), p.card);  // past the radius-8 corner
    EXPECT_EQ(pixel(surface, 81, bottom + 1), p.background);
    EXPECT_EQ(pixel(surface, 500, bottom), p.card);
}

TEST_F(ReaderLayout, ArticleNotYetArrivedDrawsOnlyTheBackground) {
    state.article.reset();
    EXPECT_EQ(draw(), std::nullopt);
    for (const std::uint32_t p : surface.pixels())
        ASSERT_EQ(p, palette_for(0).background);
}

// --- the renderer and the frame loop ---------------------------------------------

TEST(SurfaceRendererTest, StoresTheLaidOutHeightOnlyWhenAnArticleIsDrawn) {
    Framebuffer surface = Framebuffer::in_memory(1024, 768);
    SurfaceRenderer renderer(surface, kNothingSaved);
    AppState state = test::fresh_state();
    state.reader_open = true;
    renderer.render(state);
    EXPECT_EQ(state.reader_content_height, 1000);  // still loading: the start value stays

    state.article = test::sample_article();
    renderer.render(state);
    Framebuffer other = Framebuffer::in_memory(1024, 768);
    TextRenderer text(glyphs(), other);
    EXPECT_EQ(state.reader_content_height, draw_reader(state, other, text, kNothingSaved));
    EXPECT_NE(state.reader_content_height, 1000);
}

TEST(SurfaceRendererTest, FrameLoopScrollLimitFollowsTheDrawnArticle) {
    test::FakeClock clock;
    test::RecordingEffects effects;
    test::LogCollector log;
    Framebuffer surface = Framebuffer::in_memory(1024, 768);
    SurfaceRenderer renderer(surface, kNothingSaved);
    auto actions = make_channel<Action>();
    auto messages = make_channel<WorkerMessage>();
    MainLoopIo io{actions.second, messages.second, clock, effects, log.fn(), renderer};
    AppState state = make_initial_state(build_catalogue(), clock.now() - std::chrono::seconds(10));

    messages.first.send(ArticleLoaded{test::sample_article()});
    run_frame(state, io);
    const std::int32_t laid_out = state.reader_content_height;
    ASSERT_GT(laid_out - 768 + 140, 1000 - 768 + 140) << "the article must outgrow the start value";

    for (int i = 0; i < 20; ++i)
        actions.first.send(Action::Right);
    run_frame(state, io);
    EXPECT_EQ(state.reader_scroll, laid_out - 768 + 140);
}

// --- help panel ------------------------------------------------------------------

TEST(HelpPanel, IsCentredWithIntegerHalves) {
    EXPECT_EQ(help_panel_origin(1024, 768).x, 182);
    EXPECT_EQ(help_panel_origin(1024, 768).y, 174);
    EXPECT_EQ(help_panel_origin(1280, 720).x, 310);
    EXPECT_EQ(help_panel_origin(1280, 720).y, 150);
    EXPECT_EQ(help_panel_origin(641, 401).x, -9);  // towards zero, not down
}

}  // namespace
}  // namespace papyr
