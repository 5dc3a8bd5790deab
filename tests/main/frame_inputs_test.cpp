// A frame whose inputs are unchanged draws nothing, and every input the
// screens draw makes the next frame draw again, with the same pixels a
// fresh, uncached drawing of the new state gives.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "graphics/text_renderer.h"
#include "main/fakes.h"
#include "main/frame_drawing.h"
#include "main/screen_content.h"
#include "main/surface_renderer.h"
#include "main/theme.h"

namespace papyr {
namespace {

using namespace std::chrono_literals;

AppState list_state() {
    AppState state = test::fresh_state();
    state.items = test::headlines(12);
    state.selected = 2;
    state.notice = Notice{"Đã cập nhật 12 tin tức mới", Instant{}};
    return state;
}

AppState reader_state() {
    AppState state = list_state();
    state.reader_open = true;
    state.article = test::sample_article();
    state.reader_scroll = 120;
    return state;
}

class UnchangedFrames : public ::testing::Test {
  protected:
    struct Drawing {
        std::vector<std::uint32_t> pixels;
        std::optional<std::int32_t> content_height;
    };

    // What draw_frame gives for the state on a new surface, with the article
    // laid out afresh.
    Drawing fresh_drawing(const AppState& state) {
        Framebuffer fresh = Framebuffer::in_memory(surface.width(), surface.height());
        TextRenderer text(test::shared_glyphs(), fresh);
        const std::optional<std::int32_t> height = draw_frame(state, fresh, text, is_saved);
        return {{fresh.pixels().begin(), fresh.pixels().end()}, height};
    }

    std::vector<std::uint32_t> drawn_pixels() const {
        return {surface.pixels().begin(), surface.pixels().end()};
    }

    std::vector<std::string> saved_links;
    SavedLookup is_saved = [this](std::string_view url) {
        return std::find(saved_links.begin(), saved_links.end(), url) != saved_links.end();
    };
    Framebuffer surface = Framebuffer::in_memory(1024, 768);
    SurfaceRenderer renderer{surface, is_saved};
};

struct InputChange {
    const char* what;
    bool in_reader;
    std::function<void(AppState&, std::vector<std::string>& saved_links)> change;
};

const InputChange kChanges[] = {
    {"selection", false, [](AppState& s, auto&) { s.selected = 3; }},
    {"window of cards", false,
     [](AppState& s, auto&) {
         s.selected = 5;
         s.scroll_top = 1;
     }},
    {"theme", false, [](AppState& s, auto&) { s.theme_index = 2; }},
    {"notice set", false,
     [](AppState& s, auto&) {
         s.notice = Notice{"Nhấn phím [MENU] để thoát", Instant{}};
     }},
    {"notice expired", false, [](AppState& s, auto&) { s.notice.reset(); }},
    {"help shown", false, [](AppState& s, auto&) { s.help_visible = true; }},
    {"update known", false, [](AppState& s, auto&) { s.update = test::sample_update(); }},
    {"items replaced", false, [](AppState& s, auto&) { s.items = test::headlines(4); }},
    {"drawn headline edited", false,
     [](AppState& s, auto&) { s.items[s.scroll_top + 1].title = "Tin mới"; }},
    {"category", false, [](AppState& s, auto&) { s.category_index = 1; }},
    {"source", false,
     [](AppState& s, auto&) {
         s.source_index = 3;
         s.category_index = 0;
     }},
    {"reader opened", false,
     [](AppState& s, auto&) {
         s.article = test::sample_article();
         s.reader_open = true;
     }},
    {"scroll", true, [](AppState& s, auto&) { s.reader_scroll += 40; }},
    {"font scale", true, [](AppState& s, auto&) { s.font_scale_index = 3; }},
    {"article replaced", true,
     [](AppState& s, auto&) { s.article->paragraphs[0].replace(0, 3, "Sau"); }},
    {"saved mark", true, [](AppState& s, auto& saved) { saved.push_back(s.article->url); }},
    {"laid-out height reset", true, [](AppState& s, auto&) { s.reader_content_height = 1000; }},
    {"help over the reader", true, [](AppState& s, auto&) { s.help_visible = true; }},
    {"reader closed", true, [](AppState& s, auto&) { s.reader_open = false; }},
};

TEST_F(UnchangedFrames, EveryDrawnInputDrawsTheNextFrameAsAFreshDrawingWould) {
    for (const InputChange& input : kChanges) {
        SCOPED_TRACE(input.what);
        saved_links.clear();
        SurfaceRenderer fresh_renderer(surface, is_saved);
        AppState state = input.in_reader ? reader_state() : list_state();
        fresh_renderer.render(state);
        fresh_renderer.render(state);  // the reader's stored height settles in the first
        const std::size_t drawn = fresh_renderer.frames_drawn();

        input.change(state, saved_links);
        const Drawing expected = fresh_drawing(state);
        fresh_renderer.render(state);
        EXPECT_EQ(fresh_renderer.frames_drawn(), drawn + 1);
        EXPECT_EQ(drawn_pixels(), expected.pixels);
        if (expected.content_height) {
            EXPECT_EQ(state.reader_content_height, *expected.content_height);
        }
        fresh_renderer.render(state);
        EXPECT_EQ(fresh_renderer.frames_drawn(), drawn + 1) << "and then it settles";
    }
}

TEST_F(UnchangedFrames, ChangesThatShowNowhereDrawNothing) {
    AppState state = list_state();
    renderer.render(state);
    const std::size_t drawn = renderer.frames_drawn();
    state.notice->set_at += 2s;                  // the same text set again
    state.items.back().title = "Tin cuối, sửa";  // a headline below the window of cards
    renderer.render(state);
    EXPECT_EQ(renderer.frames_drawn(), drawn);
}

TEST_F(UnchangedFrames, AReaderWithoutItsArticleYetDrawsOnlyTheBackgroundAndKeepsTheHeight) {
    AppState state = test::fresh_state();
    state.reader_open = true;
    renderer.render(state);
    EXPECT_EQ(state.reader_content_height, 1000);
    for (const std::uint32_t pixel : surface.pixels())
        ASSERT_EQ(pixel, palette_for(0).background);
}

// Through the frame loop: frames with nothing new draw nothing (the notice's
// expiry is something new), and the height the reader lays out becomes the
// scroll limit.
TEST(SurfaceRendererInTheLoop, DrawsOnlyNewFramesAndTheDrawnArticleSetsTheScrollLimit) {
    Framebuffer surface = Framebuffer::in_memory(1024, 768);
    SurfaceRenderer renderer(surface, [](std::string_view) { return false; });
    test::FrameLoop loop(renderer);

    loop.messages.first.send(FeedLoaded{test::headlines(8), 0, 0});
    loop.run_frame();
    ASSERT_TRUE(loop.state.notice);
    const std::size_t drawn = renderer.frames_drawn();
    for (int frame = 0; frame < 100; ++frame) {  // 1.6 s
        loop.clock.advance(16ms);
        loop.run_frame();
    }
    EXPECT_EQ(renderer.frames_drawn(), drawn);
    loop.clock.advance(1500ms);
    loop.run_frame();
    EXPECT_FALSE(loop.state.notice);
    EXPECT_EQ(renderer.frames_drawn(), drawn + 1);

    loop.messages.first.send(ArticleLoaded{test::sample_article()});
    loop.run_frame();
    const std::int32_t laid_out = loop.state.reader_content_height;
    ASSERT_GT(laid_out, 1000) << "the article must outgrow the start value";
    for (int i = 0; i < 20; ++i)
        loop.actions.first.send(Action::Right);
    loop.run_frame();
    EXPECT_EQ(loop.state.reader_scroll, laid_out - 768 + 140);
}

}  // namespace
}  // namespace papyr
