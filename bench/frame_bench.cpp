// Frame benchmarks: the floor every frame must pay (fill the back buffer,
// copy it to the device), and whole frames of each screen in the current
// design and in the first one, on both screen sizes. Every device write goes
// through the framebuffer's real present path into heap memory.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "bench_content.h"
#include "graphics/embedded_font.h"
#include "graphics/font.h"
#include "graphics/text_renderer.h"
#include "main/frame_drawing.h"
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

// Every measured frame shows something new (the other of two themes), so
// each one is a frame that must be drawn; the glyphs and the layout of the
// text stay the same.
void next_look(AppState& state) {
    state.theme_index ^= 1;
}

void floor_frame(benchmark::State& run, Resolution resolution) {
    DeviceSurface device(resolution);
    Framebuffer& surface = device.surface();
    std::uint32_t colour = 0xFFF6F2E8;
    for (auto _ : run) {
        colour ^= 0x00010101;
        surface.fill(colour);
        surface.present();
        benchmark::ClobberMemory();
    }
}

// The program's renderer on a device-sized surface, with a saved list.
struct RendererRig {
    explicit RendererRig(Resolution resolution)
        : marks(save_some_bookmarks(cache.locations())),
          device(resolution),
          renderer(device.surface(), [this](std::string_view url) { return marks.contains(url); }) {
    }

    CacheFolder cache;
    SavedMarks marks;
    DeviceSurface device;
    SurfaceRenderer renderer;
};

void current_frame(benchmark::State& run, Resolution resolution, AppState state) {
    RendererRig rig(resolution);
    SurfaceRenderer& renderer = rig.renderer;
    renderer.render(state);  // the glyphs of the screen are cached from now on
    for (auto _ : run) {
        next_look(state);
        renderer.render(state);
        benchmark::ClobberMemory();
    }
}

// A frame in which nothing the screens show has changed: only the present.
void unchanged_frame(benchmark::State& run, Resolution resolution, AppState state) {
    RendererRig rig(resolution);
    SurfaceRenderer& renderer = rig.renderer;
    renderer.render(state);
    renderer.render(state);  // the reader's stored height settles in the first
    const std::size_t drawn = renderer.frames_drawn();
    for (auto _ : run) {
        renderer.render(state);
        benchmark::ClobberMemory();
    }
    if (renderer.frames_drawn() != drawn)
        run.SkipWithError("an unchanged frame was drawn");
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
        Result<Font> font = Font::from_bytes(std::span(kEmbeddedFont, kEmbeddedFontSize));
        TextRenderer text(*font, surface);
        if (const auto height = draw_frame(state, surface, text, is_saved))
            state.reader_content_height = *height;
        surface.present();
        benchmark::ClobberMemory();
    }
}

using StateFor = std::function<AppState(Resolution)>;

void register_screen(const std::string& screen, const StateFor& make_state) {
    for (const Resolution resolution : kResolutions) {
        const AppState state = make_state(resolution);
        benchmark::RegisterBenchmark(
            (screen + "/current/" + resolution.name()).c_str(),
            [resolution, state](benchmark::State& run) { current_frame(run, resolution, state); })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(
            (screen + "/unchanged/" + resolution.name()).c_str(),
            [resolution, state](benchmark::State& run) { unchanged_frame(run, resolution, state); })
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((screen + "/first_design/" + resolution.name()).c_str(),
                                     [resolution, state](benchmark::State& run) {
                                         first_design_frame(run, resolution, state);
                                     })
            ->Unit(benchmark::kMicrosecond);
    }
}

bool register_frames() {
    for (const Resolution resolution : kResolutions) {
        benchmark::RegisterBenchmark(
            ("floor/" + resolution.name()).c_str(),
            [resolution](benchmark::State& run) { floor_frame(run, resolution); })
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
