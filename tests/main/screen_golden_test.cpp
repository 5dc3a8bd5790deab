// Every screen state that matters, drawn and compared with its golden PNG.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

Notice notice(std::string text) {
    return Notice{std::move(text), Instant{}};
}

AppState list_with(std::size_t count, std::size_t selected, std::size_t scroll_top) {
    AppState state = test::fresh_state();
    state.items = test::headlines(count);
    state.selected = selected;
    state.scroll_top = scroll_top;
    return state;
}

AppState reader(std::size_t font_scale = 1) {
    AppState state = list_with(12, 0, 0);
    state.reader_open = true;
    state.article = test::sample_article();
    state.font_scale_index = font_scale;
    return state;
}

class ScreenGolden : public ::testing::Test {
  protected:
    // Draws a frame as the renderer does, including storing the reader's
    // height, which a following frame's scroll limit depends on.
    Framebuffer draw(AppState& state, Resolution resolution) {
        Framebuffer surface = Framebuffer::in_memory(resolution.width, resolution.height);
        TextRenderer text(test::shared_glyphs(), surface);
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
    void expect_scrolled_reader(const std::string& name, int numerator, int denominator) {
        for (const Resolution resolution : kBoth) {
            AppState state = reader();
            draw(state, resolution);
            const std::int32_t limit = reader_max_scroll(
                state.reader_content_height, static_cast<std::int32_t>(resolution.height));
            ASSERT_GT(limit, 0) << "the article must be longer than the screen";
            state.reader_scroll = limit * numerator / denominator;
            expect_golden(state, name, resolution);
        }
    }

    std::vector<std::string> saved_links;
    SavedLookup is_saved = [this](std::string_view url) {
        return std::find(saved_links.begin(), saved_links.end(), url) != saved_links.end();
    };
};

TEST_F(ScreenGolden, FeedList) {
    AppState loading = test::fresh_state();
    loading.notice = notice("Lỗi tải tin: không kết nối được máy chủ");  // hidden while empty
    expect_goldens(loading, "feed_loading");

    expect_goldens(list_with(3, 1, 0), "feed_three_items");
    expect_goldens(list_with(30, 6, 2), "feed_thirty_items_seventh_selected");

    AppState sliding_tabs = list_with(3, 0, 0);
    sliding_tabs.sources = {test::eight_category_source()};
    sliding_tabs.category_index = 5;
    expect_goldens(sliding_tabs, "feed_eight_categories");

    AppState update = list_with(3, 0, 0);
    update.update = test::sample_update();
    expect_goldens(update, "feed_update_badge");

    AppState with_notice = list_with(12, 0, 0);
    with_notice.notice = notice("Đã cập nhật 12 tin tức mới");  // in place of the hints
    expect_goldens(with_notice, "feed_notice");

    AppState oled = list_with(5, 4, 0);
    oled.theme_index = 1;
    expect_golden(oled, "feed_theme_oled", kBrick);
    AppState sepia = list_with(12, 11, 7);
    sepia.theme_index = 2;
    sepia.source_index = 5;
    expect_golden(sepia, "feed_theme_sepia", kBrick);
}

TEST_F(ScreenGolden, Reader) {
    for (std::size_t scale = 0; scale < kFontScaleCount; ++scale) {
        const std::string label(kFontScales[scale].label);
        expect_goldens(reader(scale), "reader_scale_" + label.substr(0, label.size() - 1));
    }

    AppState no_summary = reader();
    no_summary.article->lead.clear();
    expect_golden(no_summary, "reader_no_summary", kBrick);

    AppState no_author_date = reader();
    no_author_date.article->author.reset();
    no_author_date.article->pub_date.reset();
    expect_golden(no_author_date, "reader_no_author_date", kWide);

    expect_scrolled_reader("reader_middle", 1, 2);
    expect_scrolled_reader("reader_limit", 1, 1);  // the end marker and full progress

    AppState with_notice = reader();
    with_notice.notice = notice("Đã xóa bài viết khỏi mục đã lưu.");  // beside the saved mark
    expect_golden(with_notice, "reader_notice", kWide);

    AppState oled = reader(2);
    oled.theme_index = 1;
    expect_golden(oled, "reader_theme_oled", kWide);
    AppState sepia = reader(0);
    sepia.theme_index = 2;
    expect_golden(sepia, "reader_theme_sepia", kWide);

    saved_links = {"https://tin.example.vn/khac.html", test::sample_article().url};
    expect_golden(reader(), "reader_saved", kBrick);
}

TEST_F(ScreenGolden, HelpOverlay) {
    AppState over_list = list_with(30, 6, 2);
    over_list.help_visible = true;
    expect_goldens(over_list, "help_over_list");

    AppState over_reader = reader();
    over_reader.help_visible = true;
    expect_goldens(over_reader, "help_over_reader");

    over_list = list_with(3, 0, 0);
    over_list.update = test::sample_update();
    over_list.help_visible = true;
    expect_golden(over_list, "help_update_over_list", kBrick);
    over_reader.update = test::sample_update();
    over_reader.theme_index = 1;
    expect_golden(over_reader, "help_update_over_reader", kWide);
}

// The comparison itself must fail where it should.
TEST(GoldenCheck, AMissingGoldenOrAChangedPixelFails) {
    if (std::getenv("PAPYR_REGENERATE_GOLDENS") != nullptr)
        GTEST_SKIP() << "regenerating";
    namespace fs = std::filesystem;
    Framebuffer surface = Framebuffer::in_memory(1024, 768);
    const auto missing = test::matches_golden(surface, "no_such_screen");
    EXPECT_FALSE(missing);
    EXPECT_THAT(missing.message(), ::testing::HasSubstr("no golden"));
    EXPECT_FALSE(fs::exists(fs::path(PAPYR_SOURCE_DIR) / "tests/golden/no_such_screen.png"));

    const fs::path actual = fs::path(PAPYR_BINARY_DIR) / "golden-actual/feed_loading_1024x768.png";
    fs::remove(actual);
    TextRenderer text(test::shared_glyphs(), surface);
    draw_frame(test::fresh_state(), surface, text, [](std::string_view) { return false; });
    surface.set_pixel(700, 500, 0xFF123456);
    surface.set_pixel(3, 600, 0xFF123456);

    const auto changed = test::matches_golden(surface, "feed_loading_1024x768");
    EXPECT_FALSE(changed);
    EXPECT_THAT(changed.message(), ::testing::HasSubstr("first differing pixel (700, 500): "
                                                        "expected 0xFFF6F2E8, actual 0xFF123456"));
    EXPECT_THAT(changed.message(), ::testing::HasSubstr("2 pixels differ"));
    EXPECT_TRUE(fs::exists(actual));
    fs::remove(actual);
}

}  // namespace
}  // namespace papyr
