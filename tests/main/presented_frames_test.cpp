// What reaches the device: after every kind of frame it holds exactly the
// back buffer, which holds what drawing the state afresh gives; a frame that
// changes nothing writes nothing, one that changes some rows writes only
// those, and the whole buffer is written again within a second however
// still the screen.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "graphics/text_renderer.h"
#include "main/fakes.h"
#include "main/frame_drawing.h"
#include "main/screen_content.h"
#include "main/surface_renderer.h"
#include "support/fake_framebuffer_device.h"

namespace papyr {
namespace {

using namespace std::chrono_literals;

constexpr std::byte kScribble{0x5C};
constexpr std::size_t kRowBytes = 1024 * 4;

struct PresentedFrames : ::testing::Test {
    PresentedFrames() {
        device.variable->xres = 1024;
        device.variable->yres = 768;
        device.fixed = FixedScreenInfo{kRowBytes * 768, kRowBytes};
        surface = Framebuffer::open(1024, 768, false, device, [](std::string_view) {});
    }

    // One frame of the loop; the renderer's clock keeps step with the loop's.
    void frame(Nanoseconds after = 16ms) {
        loop.clock.advance(after);
        renderer_clock.advance(after);
        loop.run_frame();
    }
    void send(Action action) { loop.actions.first.send(action); }
    void send(WorkerMessage message) { loop.messages.first.send(std::move(message)); }

    const std::byte* device_row(std::size_t y) const {
        return device.memory().data() + y * kRowBytes;
    }
    bool shows_buffer(std::size_t y) const {
        return std::memcmp(device_row(y), surface.pixels().data() + y * 1024, kRowBytes) == 0;
    }
    bool scribbled(std::size_t y) const {
        return std::all_of(device_row(y), device_row(y) + kRowBytes,
                           [](std::byte b) { return b == kScribble; });
    }

    // The device rows written since the scribble, each of which must show
    // the buffer's row.
    std::vector<RowSpan> rows_written() const {
        std::vector<RowSpan> spans;
        for (std::size_t y = 0; y < 768; ++y) {
            if (scribbled(y))
                continue;
            EXPECT_TRUE(shows_buffer(y)) << "device row " << y;
            if (!spans.empty() && spans.back().end == y) {
                ++spans.back().end;
            } else {
                spans.push_back({y, y + 1});
            }
        }
        return spans;
    }

    void expect_device_shows_buffer_and_buffer_the_state() {
        for (std::size_t y = 0; y < 768; ++y)
            ASSERT_TRUE(shows_buffer(y)) << "device row " << y;
        expect_buffer_shows_the_state();
    }
    void expect_buffer_shows_the_state() {
        Framebuffer fresh = Framebuffer::in_memory(1024, 768);
        TextRenderer text(test::shared_glyphs(), fresh);
        (void)draw_frame(loop.state, fresh, text, is_saved);
        EXPECT_TRUE(std::equal(fresh.pixels().begin(), fresh.pixels().end(),
                               surface.pixels().begin(), surface.pixels().end()))
            << "the buffer differs from a fresh drawing of the state";
    }

    test::FakeFramebufferDevice device;
    Framebuffer surface = Framebuffer::in_memory(0, 0);
    test::FakeClock renderer_clock;
    SavedLookup is_saved = [this](std::string_view url) {
        const auto& saved = loop.effects.saved;
        return std::any_of(saved.begin(), saved.end(),
                           [url](const NewsFeedItem& item) { return item.link == url; });
    };
    SurfaceRenderer renderer{surface, renderer_clock, is_saved};
    test::FrameLoop loop{renderer};
};

void repeat(PresentedFrames& t, Action action, int times) {
    for (int i = 0; i < times; ++i)
        t.send(action);
}

// A session from the first headlines to the reader and back, one kind of
// frame after another.
const struct {
    const char* what;
    std::function<void(PresentedFrames&)> act;
} kSession[] = {
    {"first frame, still loading", [](auto&) {}},
    {"headlines arrive",
     [](auto& t) {
         t.send(FeedLoaded{test::headlines(30), 0, 0});
     }},
    {"nothing new", [](auto&) {}},
    {"selection down", [](auto& t) { t.send(Action::Down); }},
    {"window of cards moves down", [](auto& t) { repeat(t, Action::Down, 6); }},
    {"window of cards moves up", [](auto& t) { repeat(t, Action::Up, 6); }},
    {"notice expires", [](auto& t) { t.loop.clock.advance(3100ms); }},
    {"notice set", [](auto& t) { t.send(Action::Cancel); }},
    {"theme", [](auto& t) { t.send(Action::ToggleTheme); }},
    {"update badge", [](auto& t) { t.send(UpdateAvailable{test::sample_update()}); }},
    {"help opens", [](auto& t) { t.send(Action::HelpToggle); }},
    {"notice under the help", [](auto& t) { t.send(FeedFailed{"Không có kết nối mạng"}); }},
    {"help closes", [](auto& t) { t.send(Action::Cancel); }},
    {"article opens", [](auto& t) { t.send(ArticleLoaded{test::sample_article()}); }},
    {"laid-out height settles", [](auto&) {}},
    {"line down", [](auto& t) { t.send(Action::Down); }},
    {"two lines down", [](auto& t) { repeat(t, Action::Down, 2); }},
    {"line up", [](auto& t) { t.send(Action::Up); }},
    {"page down", [](auto& t) { t.send(Action::Right); }},
    {"to the limit", [](auto& t) { repeat(t, Action::Right, 20); }},
    {"down at the limit", [](auto& t) { t.send(Action::Down); }},
    {"page up", [](auto& t) { t.send(Action::Left); }},
    {"to the top", [](auto& t) { repeat(t, Action::Left, 20); }},
    {"up at the top", [](auto& t) { t.send(Action::Up); }},
    {"saved mark", [](auto& t) { t.send(Action::ActionY); }},
    {"font scale", [](auto& t) { t.send(Action::ActionX); }},
    {"page down at the new scale", [](auto& t) { t.send(Action::Right); }},
    {"help over the reader", [](auto& t) { t.send(Action::HelpToggle); }},
    {"help closes over the reader", [](auto& t) { t.send(Action::HelpToggle); }},
    {"theme in the reader", [](auto& t) { t.send(Action::ToggleTheme); }},
    {"reader closes", [](auto& t) { t.send(Action::Cancel); }},
};

TEST_F(PresentedFrames, AfterEveryKindOfFrameTheDeviceHoldsTheBufferAndTheBufferTheState) {
    for (const auto& step : kSession) {
        SCOPED_TRACE(step.what);
        step.act(*this);
        frame();
        expect_device_shows_buffer_and_buffer_the_state();
    }
}

TEST_F(PresentedFrames, AFrameThatChangesNothingWritesNothingUntilTheSecondIsOver) {
    loop.state.items = test::headlines(8);  // without a notice that would expire
    frame();
    const std::uint64_t written = surface.presented_bytes();
    device.scribble(kScribble);     // another program draws over the screen
    for (int i = 0; i < 61; ++i) {  // 976 ms
        frame();
        ASSERT_EQ(surface.presented_bytes(), written) << "frame " << i;
        ASSERT_TRUE(renderer.presented_rows().empty());
    }
    EXPECT_TRUE(scribbled(0) && scribbled(767));
    frame(24ms);  // a second after the last full present
    EXPECT_EQ(rows_written(), (std::vector<RowSpan>{{0, 768}}));
    EXPECT_EQ(surface.presented_bytes(), written + 768 * kRowBytes);

    // From then on, one full present a second and nothing in between; a
    // clock that goes back does not put it off.
    for (int i = 0; i < 3 * 64; ++i)
        frame();
    EXPECT_EQ(surface.presented_bytes(), written + 4 * 768 * kRowBytes);
    renderer_clock.advance(-1h);
    frame();
    device.scribble(kScribble);
    frame(1s);
    EXPECT_EQ(rows_written(), (std::vector<RowSpan>{{0, 768}}));
}

TEST_F(PresentedFrames, AChangedFrameWritesOnlyTheRowsItChanged) {
    const struct {
        const char* what;
        bool in_reader;
        Action action;
        std::size_t first_row;  // no row above this may be written
        std::size_t most_rows;
    } cases[] = {
        {"notice in the footer", false, Action::Cancel, 768 - 38, 38},
        // Two cards, the scrollbar's thumb beside them and the footer's count.
        {"selection between two cards", false, Action::Down, 70, 768 / 2},
        // The page and the header's progress change, the footer does not.
        {"scroll step", true, Action::Down, 0, 768 - 36},
        {"notice in the reader", true, Action::ActionY, 768 - 36, 36},
    };
    send(FeedLoaded{test::headlines(30), 0, 0});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.in_reader)
            send(ArticleLoaded{test::sample_article()});
        frame();
        loop.clock.advance(3100ms);  // the notice goes
        frame(1s);
        device.scribble(kScribble);
        const std::uint64_t before = surface.presented_bytes();
        send(c.action);
        frame();
        const std::vector<RowSpan> written = rows_written();
        EXPECT_EQ(written, std::vector<RowSpan>(renderer.presented_rows().begin(),
                                                renderer.presented_rows().end()));
        ASSERT_FALSE(written.empty());
        EXPECT_GE(written.front().begin, c.first_row);
        std::size_t rows = 0;
        for (const RowSpan span : written)
            rows += span.size();
        EXPECT_LE(rows, c.most_rows);
        EXPECT_EQ(surface.presented_bytes() - before, rows * kRowBytes);
        expect_buffer_shows_the_state();
    }
}

}  // namespace
}  // namespace papyr
