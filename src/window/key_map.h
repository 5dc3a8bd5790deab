#pragma once

// What the window's keys and a game controller's buttons, sticks and
// triggers mean, as actions. Pure: the event pump feeds it SDL's codes.

#include <cstdint>
#include <optional>

#include "input/action.h"
#include "input/button_decoder.h"

namespace papyr {

// The action of a key pressed in the window (an SDL key code): the letters,
// Enter and Escape of the simulator's keyboard table, and the keys a desktop
// keyboard has for the buttons (arrows, Page Up/Down, Home/End, Tab, F1,
// F10, Backspace). Nothing for any other key.
[[nodiscard]] std::optional<Action> window_key_action(std::int32_t keycode);

// The action of a game controller button (an SDL_GameControllerButton),
// mapped by position as the console's buttons are: east confirms, south
// cancels. Nothing for a button the program does not use.
[[nodiscard]] std::optional<Action> controller_button_action(int button);

// Sticks and triggers of every controller, decoded by the console's rules: a
// stick sends one direction when it leaves the centre band, a trigger one
// action per press past the console's threshold.
class ControllerAxes {
  public:
    // `axis` is an SDL_GameControllerAxis, `value` its position.
    [[nodiscard]] std::optional<Action> move(int axis, std::int16_t value);

  private:
    ButtonDecoder decoder_;
};

}  // namespace papyr
