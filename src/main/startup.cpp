#include "main/startup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "graphics/framebuffer.h"
#include "graphics/linux_framebuffer_device.h"
#include "graphics/png.h"
#include "input/command_pipe.h"
#include "input/device_reader.h"
#include "input/keyboard_reader.h"
#include "main/app_state.h"
#include "main/catalogue.h"
#include "main/channel.h"
#include "main/main_loop.h"
#include "main/snapshot.h"
#include "main/surface_renderer.h"
#include "main/tasks.h"
#include "main/threads.h"
#include "main/update_tasks.h"
#include "news_api/bookmarks.h"
#if PAPYR_HAS_WINDOW
#include "window/simulator_window.h"
#endif

namespace papyr {
namespace {

bool path_exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;  // follows symbolic links
}

// The device buttons are read whenever the machine has a framebuffer device,
// even one the surface could not open; otherwise keys come from standard
// input. The command pipe works in both cases.
void start_input_readers(const Paths& paths, const EnvLookup& env, const Sender<Action>& actions,
                         const LogFn& log) {
    const auto send = [actions](Action action) { actions.send(action); };
    if (!is_simulator_forced(env) && path_exists(paths.framebuffer)) {
        spawn_detached([prefix = paths.input_event_prefix, send, log] {
            device_button_reader(prefix, send, log);
        });
    } else {
        spawn_detached([send] { keyboard_reader(STDIN_FILENO, send); });
    }
    spawn_detached([path = paths.command_pipe, send] { command_pipe_reader(path, send); });
}

#if PAPYR_HAS_WINDOW
// Shows what each frame drew in the window, and takes the window's keys and
// controllers into the action channel, on the main thread as SDL needs.
class WindowedRenderer final : public FrameRenderer, public WindowEvents {
  public:
    WindowedRenderer(SurfaceRenderer& inner, Framebuffer& surface, SimulatorWindow& window,
                     const Sender<Action>& actions)
        : inner_(inner),
          surface_(surface),
          window_(window),
          send_([actions](Action action) { actions.send(action); }) {}

    void render(AppState& state) override {
        inner_.render(state);
        window_.show(surface_, inner_.changed_rows());
    }
    std::int32_t screen_height() const override { return inner_.screen_height(); }
    bool pump() override { return window_.pump(send_); }

  private:
    SurfaceRenderer& inner_;
    Framebuffer& surface_;
    SimulatorWindow& window_;
    SendAction send_;
};

// The simulator's window, when PAPYR_WINDOW=1 asks for one and a display
// lets it open; otherwise the simulator runs as it does without.
std::unique_ptr<SimulatorWindow> open_window(const EnvLookup& env, const Framebuffer& surface,
                                             const LogFn& log) {
    if (!surface.is_simulator() || env("PAPYR_WINDOW") != std::optional<std::string>("1"))
        return nullptr;
    auto window = SimulatorWindow::open(surface.width(), surface.height());
    if (!window) {
        log("[Window] No window (" + window.error() + "). Running without one.");
        return nullptr;
    }
    log("[Window] Showing the simulator in a window (" + (*window)->video_driver() + "), scaled " +
        std::to_string((*window)->scale()) + " times.");
    return std::move(*window);
}
#endif

}  // namespace

int run_startup() {
    static const Paths paths;
    SteadyClock clock;
    return run_startup(paths, process_environment(), clock);
}

int run_startup(const Paths& paths, const EnvLookup& env, Clock& clock) {
    // A reader of our standard error that goes away must not kill the program.
    std::signal(SIGPIPE, SIG_IGN);
    const LogFn log = stderr_log();

    DeviceProfile profile = detect_device_profile(paths.device_file, env);
    profile.simulator_forced = is_simulator_forced(env);

    LinuxFramebufferDevice device;
    Framebuffer surface =
        Framebuffer::open(profile.screen_width, profile.screen_height, profile.simulator_forced,
                          device, log, paths.framebuffer);

    auto [action_sender, action_receiver] = make_channel<Action>();
    start_input_readers(paths, env, action_sender, log);

    std::vector<NewsSource> catalogue = build_catalogue();
    auto [message_sender, message_receiver] = make_channel<WorkerMessage>();
    start_initial_feed_fetch(message_sender, catalogue.front().id,
                             catalogue.front().categories.front().id);
    start_update_check(message_sender);

    AppState state = make_initial_state(std::move(catalogue), clock.now());
    TaskEffects effects(message_sender, paths);
    std::optional<SnapshotWriter> snapshots;
    if (auto path = snapshot_path(env, surface.is_simulator()))
        snapshots.emplace(std::move(*path), clock, log, write_png);
    // Asked on every reader frame; the file is read again only when it changed.
    SavedMarks saved_marks(paths.cache);
    const SavedLookup is_saved = [&saved_marks](std::string_view url) {
        return saved_marks.contains(url);
    };
    SurfaceRenderer renderer(surface, clock, is_saved, snapshots ? &*snapshots : nullptr);
#if PAPYR_HAS_WINDOW
    const std::unique_ptr<SimulatorWindow> window = open_window(env, surface, log);
    std::optional<WindowedRenderer> windowed;
    if (window)
        windowed.emplace(renderer, surface, *window, action_sender);
    FrameRenderer& frames = windowed ? static_cast<FrameRenderer&>(*windowed) : renderer;
    WindowEvents* window_events = windowed ? &*windowed : nullptr;
#else
    FrameRenderer& frames = renderer;
    WindowEvents* window_events = nullptr;
#endif
    MainLoopIo io{action_receiver, message_receiver, clock, effects, log, frames, window_events};
    run_main_loop(state, io);
    if (snapshots)
        snapshots->last_frame(surface);
    return 0;
}

}  // namespace papyr
