// The layout rules of the screens that the goldens show only in part: tab
// placement at its limits, the scrollbar thumb, reading progress, the
// shortened title of a selected card and the laid-out height of an article.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/text_renderer.h"
#include "main/feed_list_screen.h"
#include "main/frame_drawing.h"
#include "main/reader_screen.h"
#include "main/screen_content.h"
#include "main/state_update.h"
#include "main/theme.h"

namespace papyr {
namespace {

const SavedLookup kNothingSaved = [](std::string_view) { return false; };

std::uint32_t pixel(const Framebuffer& surface, std::int32_t x, std::int32_t y) {
    return surface
        .pixels()[static_cast<std::size_t>(y) * surface.width() + static_cast<std::size_t>(x)];
}

TEST(CategoryTabs, TheStripSlidesOnlyOnceTheCurrentTabIsFourthOrLater) {
    const struct {
        std::size_t count, current, first;
    } cases[] = {
        {3, 2, 0}, {8, 2, 0}, {8, 3, 2},  // one neighbour kept on the left
        {8, 5, 4}, {8, 6, 5}, {8, 7, 5},  // the last one: the final three
        {1, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(first_visible_tab(c.count, c.current), c.first) << c.count << " " << c.current;
}

// A tab is drawn only while x + width + 85 stays within the screen less 180;
// the first tab that does not fit ends the strip, and the arrow follows the
// last drawn tab.
TEST(CategoryTabs, TabsAreDrawnUntilTheFirstThatReachesTheBadges) {
    const struct {
        std::vector<std::int32_t> widths;
        std::size_t first;
        std::int32_t screen;
        std::vector<std::int32_t> xs;
        std::int32_t arrow_x;
    } cases[] = {
        {{259}, 0, 1024, {500}, 500 + 259 + 30},  // 500 + 259 + 85 = 844: fits exactly
        {{260}, 0, 1024, {}, 500},
        {{50, 100, 100, 100, 10}, 1, 1024, {500, 630}, 760},  // the 10-wide tab is not drawn
        {{50, 100, 100, 100, 10}, 1, 1280, {500, 630, 760, 890}, 500 + 3 * 130 + 40},
        {{50, 60}, 2, 1280, {}, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.widths) + " on " + std::to_string(c.screen));
        const TabStrip strip = layout_tabs(c.widths, c.first, c.screen);
        std::vector<std::int32_t> xs;
        for (std::size_t i = 0; i < strip.tabs.size(); ++i) {
            EXPECT_EQ(strip.tabs[i].category, c.first + i);
            EXPECT_EQ(strip.tabs[i].width, c.widths[c.first + i]);
            xs.push_back(strip.tabs[i].x);
        }
        EXPECT_EQ(xs, c.xs);
        EXPECT_EQ(strip.arrow_x, c.arrow_x);
    }
}

TEST(Scrollbar, ThumbIsTheVisibleShareOfTheTrackButNeverBelow25AndFollowsTheSelection) {
    const struct {
        std::size_t count, selected;
        std::int32_t y, height;
    } cases[] = {
        {6, 0, 70, 456},           // 5/6 × 548 = 456.67
        {6, 5, 70 + 76, 456},      // 5/6 × (548 − 456) = 76.67
        {30, 6, 70 + 91, 91},      // 6/30 × 457 = 91.4
        {200, 0, 70, 25},          // 5/200 × 548 = 13.7
        {200, 199, 70 + 520, 25},  // 199/200 × 523 = 520.39
    };
    for (const auto& c : cases) {
        const ThumbGeometry thumb = thumb_geometry(c.count, c.selected);
        EXPECT_EQ(thumb.y, c.y) << c.count << " " << c.selected;
        EXPECT_EQ(thumb.height, c.height) << c.count << " " << c.selected;
    }
}

TEST(FeedCards, TheSelectedCardShortensALongTitleToTheTextLimit) {
    AppState state = test::fresh_state();
    state.items = test::headlines(1);
    state.items[0].title =
        "Bão số 9 đổ bộ vào đất liền các tỉnh Nam Trung Bộ, gió giật cấp 14, "
        "hàng nghìn người dân được sơ tán khỏi vùng nguy hiểm";
    Framebuffer surface = Framebuffer::in_memory(1024, 768);
    TextRenderer text(test::shared_glyphs(), surface);
    draw_frame(state, surface, text, kNothingSaved);

    // The selected card's title starts at 56 and may take 1024 − 110 pixels.
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
}

TEST(ReaderProgress, RunsFromZeroToAHundredOverTheScrollRangeOfAtLeastOne) {
    const struct {
        std::int32_t scroll, content_height, progress;
    } cases[] = {
        {0, 3000, 0},      {1176, 3000, 50},  // half of 3000 − 768 + 120
        {2372, 3000, 100},                    // the frame loop's limit lies 20 beyond the range
        {0, 600, 0},       {1, 600, 100},     // 600 − 768 + 120 < 1
        {1, 649, 100},                        // exactly 1
        {1, 650, 50},
    };
    EXPECT_EQ(reader_max_scroll(3000, 768), 2372);
    for (const auto& c : cases) {
        EXPECT_EQ(reading_progress(c.scroll, c.content_height, 768), c.progress)
            << c.scroll << " of " << c.content_height;
    }
}

TEST(ReaderLayout, AnEmptyParagraphTakesALineAndTheScrollDoesNotCount) {
    AppState state = test::fresh_state();
    state.reader_open = true;
    state.article = test::sample_article();
    const auto laid_out_height = [&state](std::int32_t scroll) {
        state.reader_scroll = scroll;
        Framebuffer surface = Framebuffer::in_memory(1024, 768);
        TextRenderer text(test::shared_glyphs(), surface);
        return draw_frame(state, surface, text, kNothingSaved).value();
    };

    const std::int32_t height = laid_out_height(0);
    state.article->paragraphs.insert(state.article->paragraphs.begin() + 1, "");
    // At 125% a paragraph line is 36 high, and 18 follow each paragraph.
    EXPECT_EQ(laid_out_height(0), height + 36 + 18);
    EXPECT_EQ(laid_out_height(500), height + 36 + 18);
}

}  // namespace
}  // namespace papyr
