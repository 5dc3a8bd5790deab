#include "window/simulator_window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "window/sdl_input.h"

namespace papyr {

int whole_scale(std::size_t width, std::size_t height, int screen_width, int screen_height) {
    if (width == 0 || height == 0 || screen_width <= 0 || screen_height <= 0)
        return 1;
    const std::size_t across = static_cast<std::size_t>(screen_width) / width;
    const std::size_t down = static_cast<std::size_t>(screen_height) / height;
    return std::max(1, static_cast<int>(std::min(across, down)));
}

struct SimulatorWindow::Impl {
    SDL_Window* window = nullptr;
    int scale = 1;
    bool exposed = true;  // nothing drawn yet
    SdlInput input;       // closed before SDL itself

    ~Impl() {
        if (window != nullptr)
            SDL_DestroyWindow(window);
    }
};

namespace {

// SDL is started by the window and ends with it.
struct SdlSession {
    bool started = false;
    ~SdlSession() {
        if (started)
            SDL_Quit();
    }
};

// The window system the window opens on: X when DISPLAY names one, else
// Wayland when WAYLAND_DISPLAY does. Without either there is no screen to
// show a window on (SDL would otherwise settle for an off-screen driver).
// SDL_VIDEODRIVER, when set, still wins over this choice.
const char* display_driver() {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (set("DISPLAY"))
        return "x11";
    if (set("WAYLAND_DISPLAY"))
        return "wayland";
    return nullptr;
}

int scale_for_screen(std::size_t width, std::size_t height) {
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0)
        return 1;
    return whole_scale(width, height, usable.w, usable.h);
}

// Copies rows of the back buffer to the window's surface, each pixel as a
// scale × scale block (nearest neighbour); returns the window area written.
SDL_Rect copy_rows(SDL_Surface* source, SDL_Surface* target, RowSpan rows, int scale) {
    SDL_Rect from{0, static_cast<int>(rows.begin), source->w, static_cast<int>(rows.size())};
    SDL_Rect to{0, from.y * scale, from.w * scale, from.h * scale};
    if (scale == 1)
        SDL_BlitSurface(source, &from, target, &to);
    else
        SDL_BlitScaled(source, &from, target, &to);
    return to;
}

}  // namespace

Result<std::unique_ptr<SimulatorWindow>> SimulatorWindow::open(std::size_t width,
                                                               std::size_t height) {
    // The program's own signal handling stays as it is.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The window's surface is the window system's own image (no GPU
    // renderer behind it, for which SDL would create the window anew), so
    // the pixels shown are the buffer's exactly.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    static SdlSession session;
    if (!session.started) {
        const char* driver = display_driver();
        if (driver == nullptr)
            return fail("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            std::string reason = SDL_GetError();
            SDL_Quit();
            return fail(std::move(reason));
        }
        session.started = true;
        // Without controller support the keyboard still works.
        (void)SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    auto impl = std::make_unique<Impl>();
    impl->scale = scale_for_screen(width, height);
    impl->window = SDL_CreateWindow("Papyr", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    static_cast<int>(width) * impl->scale,
                                    static_cast<int>(height) * impl->scale, SDL_WINDOW_SHOWN);
    if (impl->window == nullptr)
        return fail(SDL_GetError());
    return std::unique_ptr<SimulatorWindow>(new SimulatorWindow(std::move(impl)));
}

SimulatorWindow::SimulatorWindow(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

SimulatorWindow::~SimulatorWindow() = default;

int SimulatorWindow::scale() const {
    return impl_->scale;
}

std::string SimulatorWindow::video_driver() const {
    const char* name = SDL_GetCurrentVideoDriver();
    return name != nullptr ? name : "";
}

bool SimulatorWindow::pump(const SendAction& send) {
    const PumpResult result = impl_->input.pump(send);
    impl_->exposed = impl_->exposed || result.exposed;
    return !result.closed;
}

void SimulatorWindow::show(const Framebuffer& surface, std::span<const RowSpan> presented) {
    if (presented.empty() && !impl_->exposed)
        return;
    SDL_Surface* target = SDL_GetWindowSurface(impl_->window);
    if (target == nullptr)
        return;
    // SDL only reads through the pointer.
    auto* pixels = const_cast<std::uint32_t*>(surface.pixels().data());
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        pixels, static_cast<int>(surface.width()), static_cast<int>(surface.height()), 32,
        static_cast<int>(surface.width() * 4), SDL_PIXELFORMAT_ARGB8888);
    if (source == nullptr)
        return;
    // Pixels are copied as they are, not blended by their alpha.
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);

    const RowSpan whole{0, surface.height()};
    const std::span<const RowSpan> rows = impl_->exposed ? std::span(&whole, 1) : presented;
    std::vector<SDL_Rect> written;
    written.reserve(rows.size());
    for (const RowSpan& span : rows) {
        const RowSpan clipped{span.begin, std::min(span.end, surface.height())};
        if (!clipped.empty())
            written.push_back(copy_rows(source, target, clipped, impl_->scale));
    }
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurfaceRects(impl_->window, written.data(), static_cast<int>(written.size()));
    impl_->exposed = false;
}

}  // namespace papyr
