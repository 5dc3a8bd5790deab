// Frame benchmarks: the floor every frame must pay (fill the back buffer,
// copy it to the device), and whole frames of each screen in the current
// design and in the first one, on both screen sizes. Every device write goes
// through the framebuffer's real present path into heap memory.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "bench_content.h"
#include "graphics/embedded_font.h"
#include "graphics/font.h"
#include "graphics/text_renderer.h"
#include "main/clock.h"
#include "main/frame_drawing.h"
#include "main/main_loop.h"
#include "main/state_update.h"
#include "main/surface_renderer.h"
#include "main/theme.h"
#include "news_api/bookmarks.h"
#include "support/fake_framebuffer_device.h"

namespace papyr::bench {
namespace {

struct Resolution {
    std::size_t width;
    std::size_t height;
    std::string name() const { return std::to_string(width) + "x" + std::to_string(height); }
};

constexpr Resolution kResolutions[] = {{1024, 768}, {1280, 720}};

// A device of the given size whose mapping is a heap buffer of exactly one
// unpadded screen, so present() is the single block copy of the real device.
class DeviceSurface {
  public:
    explicit DeviceSurface(Resolution resolution) {
        VariableScreenInfo variable;
        variable.xres = static_cast<std::uint32_t>(resolution.width);
        variable.yres = static_cast<std::uint32_t>(resolution.height);
        FixedScreenInfo fixed;
        fixed.line_length = variable.xres * 4;
        fixed.smem_len = fixed.line_length * variable.yres;
        device_.variable = variable;
        device_.fixed = fixed;
        surface_ = Framebuffer::open(resolution.width, resolution.height, false, device_,
                                     [](std::string_view) {});
    }
    Framebuffer& surface() { return surface_; }

  private:
    test::FakeFramebufferDevice device_;  // outlives the surface, which unmaps through it
    Framebuffer surface_ = Framebuffer::in_memory(0, 0);
};

// A few saved headlines, the benchmark article among them, so the reader's
// saved mark has a real file to look at. Dated an hour back, as a list saved
// before is: a file changed moments ago is read on every frame. Returns the
// locations it saved to.
const CacheLocations& save_some_bookmarks(const CacheLocations& locations) {
    std::vector<NewsFeedItem> saved = headlines(20);
    saved[7].link = long_article().url;
    save_bookmarks(saved, locations);
    const timespec hour_ago{::time(nullptr) - 3600, 0};
    const timespec times[2] = {hour_ago, hour_ago};
    const std::string path = (cache_dir(locations) / "bookmarks.json").string();
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot date " + path);
    return locations;
}

AppState feed_list_state() {
    AppState state = fresh_state();
    state.items = headlines(200);  // more than five: the scrollbar shows
    state.selected = 2;
    state.notice = Notice{"Đã cập nhật 200 tin tức mới", Instant{}};
    return state;
}

// The reader scrolled to half of the limit the frame loop would allow.
AppState reader_state(std::size_t font_scale, Resolution resolution) {
    AppState state = fresh_state();
    state.items = headlines(200);
    state.reader_open = true;
    state.article = long_article();
    state.font_scale_index = font_scale;
    Framebuffer scratch = Framebuffer::in_memory(resolution.width, resolution.height);
    TextRenderer text(Font::embedded(), scratch);
    const std::int32_t height =
        draw_frame(state, scratch, text, [](std::string_view) { return false; }).value();
    state.reader_content_height = height;
    state.reader_scroll =
        reader_max_scroll(height, static_cast<std::int32_t>(resolution.height)) / 2;
    return state;
}

AppState help_state(Resolution resolution) {
    AppState state = reader_state(1, resolution);
    state.help_visible = true;
    return state;
}

// The processor time this thread has used, in seconds: what a frame costs
// in work (and battery), which load from other processes does not inflate
// the way it inflates time on the wall clock.
double thread_seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Times `frame` for the benchmark by the thread's processor time.
template <class Frame>
void timed(benchmark::State& run, Frame&& frame) {
    const double start = thread_seconds();
    frame();
    benchmark::ClobberMemory();
    run.SetIterationTime(thread_seconds() - start);
}

// A frame that shows something new everywhere: the other of two themes,
// so every pixel is drawn again; the glyphs and the layout stay the same.
void next_look(AppState& state) {
    state.theme_index ^= 1;
}

void floor_frame(benchmark::State& run, Resolution resolution) {
    DeviceSurface device(resolution);
    Framebuffer& surface = device.surface();
    std::uint32_t colour = 0xFFF6F2E8;
    for (auto _ : run) {
        colour ^= 0x00010101;
        timed(run, [&] {
            surface.fill(colour);
            surface.present();
        });
    }
}

// A clock that moves 16 ms for each frame, so the renderer's full present
// of once a second comes in its share of the frames measured.
class FrameClock final : public Clock {
  public:
    Instant now() override { return now_; }
    void sleep_for(Nanoseconds duration) override { now_ += duration; }
    void next_frame() { now_ += kFramePeriod; }

  private:
    Instant now_{std::chrono::seconds(1000)};
};

// The program's renderer on a device-sized surface, with a saved list.
struct RendererRig {
    explicit RendererRig(Resolution resolution)
        : marks(save_some_bookmarks(cache.locations())),
          device(resolution),
          renderer(device.surface(), clock,
                   [this](std::string_view url) { return marks.contains(url); }) {}

    void frame(AppState& state) {
        clock.next_frame();
        renderer.render(state);
    }
    std::uint64_t presented_bytes() { return device.surface().presented_bytes(); }

    CacheFolder cache;
    SavedMarks marks;
    DeviceSurface device;
    FrameClock clock;
    SurfaceRenderer renderer;
};

// One kind of changed frame: `prepare` sets the state up before the frame
// (drawn untimed), `change` makes the change the timed frame shows.
struct FrameKind {
    std::string name;
    std::function<void(AppState&)> prepare;
    std::function<void(AppState&)> change;
};

void changed_frame(benchmark::State& run, Resolution resolution, AppState state,
                   const FrameKind& kind) {
    RendererRig rig(resolution);
    rig.frame(state);  // the glyphs of the screen are cached from now on
    rig.frame(state);  // the reader's stored height settles in the first
    std::uint64_t bytes = 0;
    for (auto _ : run) {
        if (kind.prepare) {
            kind.prepare(state);
            rig.frame(state);
        }
        kind.change(state);
        const std::uint64_t before = rig.presented_bytes();
        timed(run, [&] { rig.frame(state); });
        bytes += rig.presented_bytes() - before;
    }
    run.counters["device_bytes_per_frame"] =
        static_cast<double>(bytes) / static_cast<double>(run.iterations());
}

// A frame in which nothing the screens show has changed, and what reaches
// the device in a second of them: the one full present.
void unchanged_frame(benchmark::State& run, Resolution resolution, AppState state) {
    RendererRig rig(resolution);
    rig.frame(state);
    rig.frame(state);
    const std::size_t drawn = rig.renderer.frames_drawn();
    const std::uint64_t before = rig.presented_bytes();
    for (auto _ : run)
        timed(run, [&] { rig.frame(state); });
    if (rig.renderer.frames_drawn() != drawn)
        run.SkipWithError("an unchanged frame was drawn");
    const double seconds =
        static_cast<double>(run.iterations()) * std::chrono::duration<double>(kFramePeriod).count();
    run.counters["device_bytes_per_s"] =
        static_cast<double>(rig.presented_bytes() - before) / seconds;
}

// The first design: the font parsed from the embedded bytes in every frame,
// every glyph rasterised again, the whole article laid out, the bookmarks
// file read for the saved mark, every pixel drawn.
void first_design_frame(benchmark::State& run, Resolution resolution, AppState state) {
    CacheFolder cache;
    save_some_bookmarks(cache.locations());
    const SavedLookup is_saved = [&cache](std::string_view url) {
        return is_bookmarked(url, cache.locations());
    };
    DeviceSurface device(resolution);
    Framebuffer& surface = device.surface();
    for (auto _ : run) {
        next_look(state);
        timed(run, [&] {
            Result<Font> font = Font::from_bytes(std::span(kEmbeddedFont, kEmbeddedFontSize));
            TextRenderer text(*font, surface);
            if (const auto height = draw_frame(state, surface, text, is_saved))
                state.reader_content_height = *height;
            surface.present();
        });
    }
}

using StateFor = std::function<AppState(Resolution)>;

// Scrolls `step` pixels at a time to the end of the page and back, as a
// reader holding the button does; the limit is the frame loop's.
std::function<void(AppState&)> scroll_steps(Resolution resolution, std::int32_t step) {
    auto direction = std::make_shared<int>(1);
    return [direction, resolution, step](AppState& state) {
        const std::int32_t limit = reader_max_scroll(state.reader_content_height,
                                                     static_cast<std::int32_t>(resolution.height));
        const std::int32_t next = state.reader_scroll + step * *direction;
        if (next > limit || next < 0)
            *direction = -*direction;
        state.reader_scroll = std::clamp(state.reader_scroll + step * *direction, 0, limit);
    };
}

void other_notice(AppState& state) {
    const bool first = state.notice && state.notice->text == "Đã lưu bài viết để đọc offline!";
    state.notice = Notice{
        first ? "Đã xóa bài viết khỏi mục đã lưu." : "Đã lưu bài viết để đọc offline!", Instant{}};
}

// The article the frame loop opens, replaced by another on each open.
void next_article(AppState& state) {
    static const ArticleDetail first = long_article();
    static const ArticleDetail second = [] {
        ArticleDetail other = long_article();
        other.title += " (tiếp theo)";
        other.url += "?p=2";
        return other;
    }();
    state.article = state.article == first ? second : first;
    state.reader_scroll = 0;
    state.reader_content_height = 1000;
}

void help_kinds(std::vector<FrameKind>& kinds) {
    kinds.push_back({"help_open", [](AppState& s) { s.help_visible = false; },
                     [](AppState& s) { s.help_visible = true; }});
    kinds.push_back({"help_close", [](AppState& s) { s.help_visible = true; },
                     [](AppState& s) { s.help_visible = false; }});
}

std::vector<FrameKind> kinds_for(const std::string& screen, Resolution resolution) {
    std::vector<FrameKind> kinds = {{"theme", nullptr, next_look}};
    kinds.push_back({"notice", nullptr, other_notice});
    if (screen == "feed_list") {
        kinds.push_back({"selection", nullptr, [](AppState& s) { s.selected ^= 1; }});
        help_kinds(kinds);
    } else if (screen.starts_with("reader_")) {
        kinds.push_back({"scroll_step", nullptr, scroll_steps(resolution, 40)});
        kinds.push_back({"page_step", nullptr, scroll_steps(resolution, 500)});
        // After a frame with nothing new, as when the user reads before
        // pressing X: such frames lay the other scales out ahead.
        kinds.push_back(
            {"font_scale", [](AppState&) {},
             [](AppState& s) { s.font_scale_index = (s.font_scale_index + 1) % kFontScaleCount; }});
        // From the feed list, as when the fetched article arrives.
        kinds.push_back({"article_open", [](AppState& s) { s.reader_open = false; },
                         [](AppState& s) {
                             next_article(s);
                             s.reader_open = true;
                         }});
    } else {
        help_kinds(kinds);
    }
    return kinds;
}

void register_screen(const std::string& screen, const StateFor& make_state) {
    for (const Resolution resolution : kResolutions) {
        const AppState state = make_state(resolution);
        for (const FrameKind& kind : kinds_for(screen, resolution)) {
            benchmark::RegisterBenchmark(
                (screen + "/" + kind.name + "/" + resolution.name()).c_str(),
                [resolution, state, kind](benchmark::State& run) {
                    changed_frame(run, resolution, state, kind);
                })
                ->UseManualTime()
                ->Unit(benchmark::kMicrosecond);
        }
        benchmark::RegisterBenchmark(
            (screen + "/unchanged/" + resolution.name()).c_str(),
            [resolution, state](benchmark::State& run) { unchanged_frame(run, resolution, state); })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((screen + "/first_design/" + resolution.name()).c_str(),
                                     [resolution, state](benchmark::State& run) {
                                         first_design_frame(run, resolution, state);
                                     })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    }
}

bool register_frames() {
    for (const Resolution resolution : kResolutions) {
        benchmark::RegisterBenchmark(
            ("floor/" + resolution.name()).c_str(),
            [resolution](benchmark::State& run) { floor_frame(run, resolution); })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    }
    register_screen("feed_list", [](Resolution) { return feed_list_state(); });
    for (std::size_t scale = 0; scale < kFontScaleCount; ++scale) {
        const std::string label(kFontScales[scale].label);
        register_screen("reader_" + label.substr(0, label.size() - 1),
                        [scale](Resolution resolution) { return reader_state(scale, resolution); });
    }
    register_screen("help_over_reader", help_state);
    return true;
}

const bool registered = register_frames();

}  // namespace
}  // namespace papyr::bench
