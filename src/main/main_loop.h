#pragma once

#include <cstdint>

#include "base/diagnostics.h"
#include "input/action.h"
#include "main/app_state.h"
#include "main/channel.h"
#include "main/clock.h"
#include "main/effects.h"
#include "main/messages.h"

namespace papyr {

inline constexpr Nanoseconds kFramePeriod = std::chrono::milliseconds(16);

// Draws one whole frame from the state and shows it. The reader screen
// writes the height it laid out back into the state.
class FrameRenderer {
  public:
    virtual ~FrameRenderer() = default;
    virtual void render(AppState& state) = 0;
    virtual std::int32_t screen_height() const = 0;
};

// A window that shows the frames and takes input on the main thread (the
// desktop simulator's). Asked once per frame, before the actions are taken.
class WindowEvents {
  public:
    virtual ~WindowEvents() = default;
    // Queues the actions of the input that arrived, without waiting; false
    // once the user has closed the window.
    virtual bool pump() = 0;
};

struct MainLoopIo {
    Receiver<Action>& actions;
    Receiver<WorkerMessage>& messages;
    Clock& clock;
    Effects& effects;
    LogFn log;
    FrameRenderer& renderer;
    WindowEvents* window = nullptr;  // none without a window
};

// Runs frames until an accepted Exit; the frame in which it arrives is still
// completed and drawn. A closed window ends the loop at once, before the
// next frame.
void run_main_loop(AppState& state, MainLoopIo& io);

// One frame without its pacing; returns the instant the frame started.
Instant run_frame(AppState& state, MainLoopIo& io);

}  // namespace papyr
