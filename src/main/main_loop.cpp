#include "main/main_loop.h"

#include "main/state_update.h"

namespace papyr {

Instant run_frame(AppState& state, MainLoopIo& io) {
    const Instant frame_start = io.clock.now();

    while (auto message = io.messages.try_receive()) {
        handle_message(state, std::move(*message), io.clock.now());
    }

    // The limit follows the height laid out by the previous frame, and stays
    // the same for every action of this frame.
    ActionContext context{
        io.clock, io.effects, io.log,
        reader_max_scroll(state.reader_content_height, io.renderer.screen_height())};
    while (auto action = io.actions.try_receive()) {
        handle_action(state, *action, context);
    }

    expire_notice(state, io.clock.now());
    io.renderer.render(state);
    return frame_start;
}

void run_main_loop(AppState& state, MainLoopIo& io) {
    do {
        // Closing the window is not an Exit action: no grace period holds
        // it back and no frame follows it.
        if (io.window != nullptr && !io.window->pump()) {
            io.log("[Window] Window closed. Exiting.");
            return;
        }
        const Instant frame_start = run_frame(state, io);
        const Nanoseconds spent = elapsed_between(frame_start, io.clock.now());
        if (spent < kFramePeriod)
            io.clock.sleep_for(kFramePeriod - spent);
    } while (state.running);
}

}  // namespace papyr
