// Every screen state that matters, drawn and compared with its golden PNG.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/font.h"
#include "graphics/glyph_cache.h"
#include "graphics/text_renderer.h"
#include "main/frame_drawing.h"
#include "main/golden.h"
#include "main/screen_content.h"
#include "main/state_update.h"
#include "main/theme.h"

namespace papyr {
namespace {

struct Resolution {
    std::size_t width;
    std::size_t height;
    std::string suffix() const { return std::to_string(width) + "x" + std::to_string(height); }
};

constexpr Resolution kBrick{1024, 768};
constexpr Resolution kWide{1280, 720};
constexpr std::array<Resolution, 2> kBoth = {kBrick, kWide};

GlyphCache& shared_glyphs() {
    static GlyphCache cache(Font::embedded());
    return cache;
}

Notice notice(std::string text) {
    return Notice{std::move(text), Instant{}};
}

class ScreenGolden : public ::testing::Test {
  protected:
    // Draws a frame as the renderer does, including storing the reader's
    // height, which a following frame's scroll limit depends on.
    Framebuffer draw(AppState& state, Resolution resolution) {
        Framebuffer surface = Framebuffer::in_memory(resolution.width, resolution.height);
        TextRenderer text(glyphs(), surface);
        if (const auto height = draw_frame(state, surface, text, is_saved))
            state.reader_content_height = *height;
        return surface;
    }

    void expect_golden(AppState state, const std::string& name, Resolution resolution) {
        const Framebuffer surface = draw(state, resolution);
        EXPECT_TRUE(test::matches_golden(surface, name + "_" + resolution.suffix()));
    }

    void expect_goldens(const AppState& state, const std::string& name) {
        for (const Resolution resolution : kBoth)
            expect_golden(state, name, resolution);
    }

    // The reader scrolled to a fraction of the limit the main loop would
    // allow after a frame at the top.
    void expect_scrolled_reader(AppState state, const std::string& name, int numerator,
                                int denominator) {
        for (const Resolution resolution : kBoth) {
            AppState at_top = state;
            draw(at_top, resolution);
            const std::int32_t limit = reader_max_scroll(
                at_top.reader_content_height, static_cast<std::int32_t>(resolution.height));
            ASSERT_GT(limit, 0) << "the article must be longer than the screen";
            AppState scrolled = at_top;
            scrolled.reader_scroll = limit * numerator / denominator;
            expect_golden(scrolled, name, resolution);
        }
    }

    static GlyphCache& glyphs() { return shared_glyphs(); }

    static AppState list_with(std::size_t count, std::size_t selected, std::size_t scroll_top) {
        AppState state = test::fresh_state();
        state.items = test::headlines(count);
        state.selected = selected;
        state.scroll_top = scroll_top;
        return state;
    }

    static AppState reader(std::size_t font_scale = 1) {
        AppState state = test::fresh_state();
        state.items = test::headlines(12);
        state.reader_open = true;
        state.article = test::sample_article();
        state.font_scale_index = font_scale;
        return state;
    }

    std::vector<std::string> saved_links;
    SavedLookup is_saved = [this](std::string_view url) {
        return std::find(saved_links.begin(), saved_links.end(), url) != saved_links.end();
    };
};

// --- feed list -------------------------------------------------------------------

TEST_F(ScreenGolden, FeedListWhileLoading) {
    AppState state = test::fresh_state();
    state.notice = notice("Lỗi tải tin: không kết nối được máy chủ");  // hidden while empty
    expect_goldens(state, "feed_loading");
}

TEST_F(ScreenGolden, FeedListWithThreeItems) {
    expect_goldens(list_with(3, 1, 0), "feed_three_items");
}

TEST_F(ScreenGolden, FeedListOfThirtyWithTheSeventhSelected) {
    expect_goldens(list_with(30, 6, 2), "feed_thirty_items_seventh_selected");
}

TEST_F(ScreenGolden, SourceWithEightCategoriesSlidesItsTabs) {
    AppState state = list_with(3, 0, 0);
    state.sources = {test::eight_category_source()};
    state.category_index = 5;
    expect_goldens(state, "feed_eight_categories");
}

TEST_F(ScreenGolden, UpdateBadgeInTheHeader) {
    AppState state = list_with(3, 0, 0);
    state.update = test::sample_update();
    expect_goldens(state, "feed_update_badge");
}

TEST_F(ScreenGolden, NoticeReplacesTheFooterHints) {
    AppState state = list_with(12, 0, 0);
    state.notice = notice("Đã cập nhật 12 tin tức mới");
    expect_goldens(state, "feed_notice");
}

TEST_F(ScreenGolden, FeedListInTheOtherThemes) {
    AppState oled = list_with(5, 4, 0);
    oled.theme_index = 1;
    expect_golden(oled, "feed_theme_oled", kBrick);
    AppState sepia = list_with(12, 11, 7);
    sepia.theme_index = 2;
    sepia.source_index = 5;
    expect_golden(sepia, "feed_theme_sepia", kBrick);
}

// --- reader ----------------------------------------------------------------------

TEST_F(ScreenGolden, ReaderAtEachFontScale) {
    for (std::size_t scale = 0; scale < kFontScaleCount; ++scale) {
        const std::string label(kFontScales[scale].label);
        expect_goldens(reader(scale), "reader_scale_" + label.substr(0, label.size() - 1));
    }
}

TEST_F(ScreenGolden, ReaderWithoutSummary) {
    AppState state = reader();
    state.article->lead.clear();
    expect_golden(state, "reader_no_summary", kBrick);
}

TEST_F(ScreenGolden, ReaderWithoutAuthorAndDate) {
    AppState state = reader();
    state.article->author.reset();
    state.article->pub_date.reset();
    expect_golden(state, "reader_no_author_date", kWide);
}

TEST_F(ScreenGolden, ReaderScrolledHalfway) {
    expect_scrolled_reader(reader(), "reader_middle", 1, 2);
}

TEST_F(ScreenGolden, ReaderScrolledToTheLimitShowsTheEndAndFullProgress) {
    expect_scrolled_reader(reader(), "reader_limit", 1, 1);
}

TEST_F(ScreenGolden, ReaderOfASavedArticle) {
    saved_links = {"https://tin.example.vn/khac.html", test::sample_article().url};
    expect_golden(reader(), "reader_saved", kBrick);
}

TEST_F(ScreenGolden, ReaderNoticeKeepsTheSavedMark) {
    AppState state = reader();
    state.notice = notice("Đã xóa bài viết khỏi mục đã lưu.");
    expect_golden(state, "reader_notice", kWide);
}

TEST_F(ScreenGolden, ReaderInTheOtherThemes) {
    AppState oled = reader(2);
    oled.theme_index = 1;
    expect_golden(oled, "reader_theme_oled", kWide);
    AppState sepia = reader(0);
    sepia.theme_index = 2;
    expect_golden(sepia, "reader_theme_sepia", kWide);
}

// --- help overlay ----------------------------------------------------------------

TEST_F(ScreenGolden, HelpOverTheFeedList) {
    AppState state = list_with(30, 6, 2);
    state.help_visible = true;
    expect_goldens(state, "help_over_list");
}

TEST_F(ScreenGolden, HelpOverTheReader) {
    AppState state = reader();
    state.help_visible = true;
    expect_goldens(state, "help_over_reader");
}

TEST_F(ScreenGolden, HelpOffersAnAvailableUpdate) {
    AppState list = list_with(3, 0, 0);
    list.update = test::sample_update();
    list.help_visible = true;
    expect_golden(list, "help_update_over_list", kBrick);
    AppState oled_reader = reader();
    oled_reader.update = test::sample_update();
    oled_reader.help_visible = true;
    oled_reader.theme_index = 1;
    expect_golden(oled_reader, "help_update_over_reader", kWide);
}

// --- the comparison itself ---------------------------------------------------------

TEST(GoldenCheck, MissingGoldenFailsWithoutCreatingOne) {
    if (std::getenv("PAPYR_REGENERATE_GOLDENS") != nullptr)
        GTEST_SKIP() << "regenerating";
    const Framebuffer surface = Framebuffer::in_memory(4, 4);
    const auto result = test::matches_golden(surface, "no_such_screen");
    EXPECT_FALSE(result);
    EXPECT_THAT(result.message(), ::testing::HasSubstr("no golden"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(PAPYR_SOURCE_DIR) / "tests" /
                                         "golden" / "no_such_screen.png"));
}

TEST(GoldenCheck, DifferenceNamesTheFirstPixelAndKeepsTheDrawnImage) {
    if (std::getenv("PAPYR_REGENERATE_GOLDENS") != nullptr)
        GTEST_SKIP() << "regenerating";
    const std::filesystem::path actual =
        std::filesystem::path(PAPYR_BINARY_DIR) / "golden-actual" / "feed_loading_1024x768.png";
    std::filesystem::remove(actual);
    Framebuffer surface = Framebuffer::in_memory(1024, 768);
    TextRenderer text(shared_glyphs(), surface);
    draw_frame(test::fresh_state(), surface, text, [](std::string_view) { return false; });
    surface.set_pixel(700, 500, 0xFF123456);
    surface.set_pixel(3, 600, 0xFF123456);

    const auto result = test::matches_golden(surface, "feed_loading_1024x768");
    EXPECT_FALSE(result);
    EXPECT_THAT(result.message(), ::testing::HasSubstr("first differing pixel (700, 500): "
                                                       "expected 0xFFF6F2E8, actual 0xFF123456"));
    EXPECT_THAT(result.message(), ::testing::HasSubstr("2 pixels differ"));
    EXPECT_TRUE(std::filesystem::exists(actual));
    std::filesystem::remove(actual);
}

}  // namespace
}  // namespace papyr
