#pragma once

// Takes SDL's queued events on the thread that owns the window: keys and
// controller input become actions, closing and uncovering the window are
// reported. Controllers are opened as SDL announces them, so one plugged in
// while the program runs is picked up.

#include <SDL_events.h>
#include <SDL_gamecontroller.h>

#include <cstddef>
#include <vector>

#include "input/reader_control.h"
#include "window/key_map.h"

namespace papyr {

struct PumpResult {
    bool closed = false;   // the user closed the window
    bool exposed = false;  // the window's pixels must be drawn again in full
};

class SdlInput {
  public:
    SdlInput() = default;
    SdlInput(const SdlInput&) = delete;
    SdlInput& operator=(const SdlInput&) = delete;
    ~SdlInput();

    // Handles every event queued so far, in order, and returns without
    // waiting when there are none.
    PumpResult pump(const SendAction& send);

    std::size_t open_controllers() const { return controllers_.size(); }

  private:
    void handle(const SDL_Event& event, const SendAction& send, PumpResult& result);
    void add_controller(int device_index);
    void remove_controller(SDL_JoystickID instance);

    std::vector<SDL_GameController*> controllers_;
    ControllerAxes axes_;
};

}  // namespace papyr
