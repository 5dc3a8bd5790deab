// What reaches the device: after every kind of frame it holds exactly the
// back buffer, which holds exactly what drawing the state afresh gives; a
// frame that changes nothing writes nothing, a frame that changes some rows
// writes only those, and the whole buffer is written again within a second
// however still the screen.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
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

class PresentedFrames : public ::testing::Test {
  public:
    PresentedFrames() {
        device.variable->xres = 1024;
        device.variable->yres = 768;
        device.fixed = FixedScreenInfo{1024 * 4 * 768, 1024 * 4};
        surface = Framebuffer::open(1024, 768, false, device, [](std::string_view) {});
    }

    // One frame of the loop, 16 ms after the last; the renderer's clock
    // keeps step with the loop's.
    void frame(Nanoseconds after = 16ms) {
        loop.clock.advance(after);
        renderer_clock.advance(after);
        loop.run_frame();
    }

  protected:
    std::vector<std::uint32_t> device_row(std::size_t y) const {
        std::vector<std::uint32_t> row(surface.width());
        std::memcpy(row.data(), device.memory().data() + y * surface.stride(), row.size() * 4);
        return row;
    }
    std::vector<std::uint32_t> buffer_row(std::size_t y) const {
        const auto first =
            surface.pixels().begin() + static_cast<std::ptrdiff_t>(y * surface.width());
        return {first, first + static_cast<std::ptrdiff_t>(surface.width())};
    }
    bool scribbled(std::size_t y) const {
        const auto row = device.memory().subspan(y * surface.stride(), surface.stride());
        return std::all_of(row.begin(), row.end(), [](std::byte b) { return b == kScribble; });
    }

    // The rows of the device that hold the buffer's row, as spans; the
    // others must still hold the scribble.
    std::vector<RowSpan> rows_written() const {
        std::vector<RowSpan> spans;
        for (std::size_t y = 0; y < surface.height(); ++y) {
            if (scribbled(y))
                continue;
            EXPECT_EQ(device_row(y), buffer_row(y)) << "device row " << y;
            if (!spans.empty() && spans.back().end == y) {
                ++spans.back().end;
            } else {
                spans.push_back({y, y + 1});
            }
        }
        return spans;
    }

    void expect_device_shows_buffer() const {
        for (std::size_t y = 0; y < surface.height(); ++y)
            ASSERT_EQ(device_row(y), buffer_row(y)) << "device row " << y;
    }

    void expect_buffer_is_fresh_drawing() {
        Framebuffer fresh = Framebuffer::in_memory(surface.width(), surface.height());
        TextRenderer text(test::shared_glyphs(), fresh);
        (void)draw_frame(loop.state, fresh, text, is_saved);
        const bool same = std::equal(fresh.pixels().begin(), fresh.pixels().end(),
                                     surface.pixels().begin(), surface.pixels().end());
        EXPECT_TRUE(same) << "the buffer differs from a fresh drawing of the state";
    }

  public:
    void send(Action action) { loop.actions.first.send(action); }
    void send(WorkerMessage message) { loop.messages.first.send(std::move(message)); }

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

struct Step {
    const char* what;
    std::function<void(PresentedFrames&)> act;
};

// A session from the first headlines to the reader and back, one kind of
// frame after another.
const Step kSession[] = {
    {"first frame, still loading", [](auto&) {}},
    {"headlines arrive",
     [](auto& t) {
         t.send(FeedLoaded{test::headlines(30), 0, 0});
     }},
    {"nothing new", [](auto&) {}},
    {"selection down", [](auto& t) { t.send(Action::Down); }},
    {"selection up", [](auto& t) { t.send(Action::Up); }},
    {"window of cards moves down",
     [](auto& t) {
         for (int i = 0; i < 6; ++i)
             t.send(Action::Down);
     }},
    {"window of cards moves up",
     [](auto& t) {
         for (int i = 0; i < 6; ++i)
             t.send(Action::Up);
     }},
    {"notice expires", [](auto& t) { t.loop.clock.advance(3100ms); }},
    {"notice set", [](auto& t) { t.send(Action::Cancel); }},
    {"theme", [](auto& t) { t.send(Action::ToggleTheme); }},
    {"update badge", [](auto& t) { t.send(UpdateAvailable{test::sample_update()}); }},
    {"help opens", [](auto& t) { t.send(Action::HelpToggle); }},
    {"notice under the help", [](auto& t) { t.send(FeedFailed{"Không có kết nối mạng"}); }},
    {"help closes", [](auto& t) { t.send(Action::Cancel); }},
    {"category switch empties the list", [](auto& t) { t.send(Action::NextCategory); }},
    {"article opens", [](auto& t) { t.send(ArticleLoaded{test::sample_article()}); }},
    {"laid-out height settles", [](auto&) {}},
    {"line down", [](auto& t) { t.send(Action::Down); }},
    {"two lines down",
     [](auto& t) {
         t.send(Action::Down);
         t.send(Action::Down);
     }},
    {"line up", [](auto& t) { t.send(Action::Up); }},
    {"page down", [](auto& t) { t.send(Action::Right); }},
    {"to the limit",
     [](auto& t) {
         for (int i = 0; i < 20; ++i)
             t.send(Action::Right);
     }},
    {"down at the limit", [](auto& t) { t.send(Action::Down); }},
    {"page up", [](auto& t) { t.send(Action::Left); }},
    {"to the top",
     [](auto& t) {
         for (int i = 0; i < 20; ++i)
             t.send(Action::Left);
     }},
    {"up at the top", [](auto& t) { t.send(Action::Up); }},
    {"saved mark", [](auto& t) { t.send(Action::ActionY); }},
    {"font scale", [](auto& t) { t.send(Action::ActionX); }},
    {"scroll at the new scale", [](auto& t) { t.send(Action::Right); }},
    {"help over the reader", [](auto& t) { t.send(Action::HelpToggle); }},
    {"help closes over the reader", [](auto& t) { t.send(Action::HelpToggle); }},
    {"theme in the reader", [](auto& t) { t.send(Action::ToggleTheme); }},
    {"reader closes", [](auto& t) { t.send(Action::Cancel); }},
};

TEST_F(PresentedFrames, AfterEveryKindOfFrameTheDeviceHoldsTheBufferAndTheBufferTheState) {
    for (const Step& step : kSession) {
        SCOPED_TRACE(step.what);
        step.act(*this);
        frame();
        expect_device_shows_buffer();
        expect_buffer_is_fresh_drawing();
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
    expect_device_shows_buffer();
    EXPECT_EQ(surface.presented_bytes(), written + 1024 * 768 * 4);
    EXPECT_EQ(renderer.presented_rows().size(), 1u);

    // From then on, one full present a second and nothing in between.
    for (int i = 0; i < 3 * 64; ++i)
        frame();
    EXPECT_EQ(surface.presented_bytes(), written + 4 * 1024 * 768 * 4);
}

TEST_F(PresentedFrames, AClockThatGoesBackDoesNotPutTheFullPresentOff) {
    frame();
    const std::uint64_t written = surface.presented_bytes();
    renderer_clock.advance(-1h);
    frame();
    EXPECT_EQ(surface.presented_bytes(), written);
    device.scribble(kScribble);
    frame(1s);
    expect_device_shows_buffer();
}

TEST_F(PresentedFrames, AChangedFrameWritesOnlyTheRowsItChanged) {
    constexpr std::size_t kFullRows = 768;
    const struct {
        const char* what;
        bool in_reader;
        std::function<void(PresentedFrames&)> act;
        std::size_t first_row;  // no row above this may be written
        std::size_t most_rows;
    } cases[] = {
        {"notice in the footer", false,
         [](auto& t) { t.send(FeedFailed{"Không có kết nối mạng"}); }, 768 - 38, 38},
        // Two cards, the scrollbar's thumb beside them and the footer's count.
        {"selection between two cards", false, [](auto& t) { t.send(Action::Down); }, 70,
         kFullRows / 2},
        // The page moves; the header's progress and the content rows change,
        // the footer does not.
        {"scroll step", true, [](auto& t) { t.send(Action::Down); }, 0, 768 - 36},
        {"notice in the reader", true,
         [](auto& t) { t.send(ArticleFailed{"Máy chủ không phản hồi"}); }, 768 - 36, 36},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        send(FeedLoaded{test::headlines(30), 0, 0});
        frame();
        loop.clock.advance(3100ms);  // the notice goes
        frame();
        if (c.in_reader) {
            send(ArticleLoaded{test::sample_article()});
            frame();
            loop.clock.advance(3100ms);
            frame();
        }
        device.scribble(kScribble);
        const std::uint64_t before = surface.presented_bytes();
        c.act(*this);
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
        EXPECT_EQ(surface.presented_bytes() - before, rows * 1024 * 4);
        expect_buffer_is_fresh_drawing();

        loop.state.reader_open = false;  // the next case starts on the list
        frame(1s);
    }
}

}  // namespace
}  // namespace papyr
