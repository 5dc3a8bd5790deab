#include "window/key_map.h"

#include <SDL_gamecontroller.h>
#include <SDL_keycode.h>

#include <algorithm>
#include <array>
#include <utility>

#include "input/input_event.h"
#include "input/keyboard_reader.h"

namespace papyr {
namespace {

// Keys beyond the simulator's typed ones. Enter is listed because SDL names
// it by carriage return, which the typed table does not know.
constexpr std::array<std::pair<SDL_Keycode, Action>, 14> kWindowKeys = {{
    {SDLK_UP, Action::Up},
    {SDLK_DOWN, Action::Down},
    {SDLK_LEFT, Action::Left},
    {SDLK_RIGHT, Action::Right},
    {SDLK_RETURN, Action::Confirm},
    {SDLK_KP_ENTER, Action::Confirm},
    {SDLK_BACKSPACE, Action::Cancel},
    {SDLK_PAGEUP, Action::PrevSource},
    {SDLK_PAGEDOWN, Action::NextSource},
    {SDLK_HOME, Action::PrevCategory},
    {SDLK_END, Action::NextCategory},
    {SDLK_TAB, Action::ToggleTheme},
    {SDLK_F1, Action::HelpToggle},
    {SDLK_F10, Action::Exit},
}};

// The console's key codes (linux/input-event-codes.h) of each controller
// button, so the buttons go through the console's own table.
constexpr std::array<std::pair<SDL_GameControllerButton, std::uint16_t>, 13> kButtonCodes = {{
    {SDL_CONTROLLER_BUTTON_A, 304},              // BTN_SOUTH
    {SDL_CONTROLLER_BUTTON_B, 305},              // BTN_EAST
    {SDL_CONTROLLER_BUTTON_X, 308},              // BTN_WEST
    {SDL_CONTROLLER_BUTTON_Y, 307},              // BTN_NORTH
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 310},   // BTN_TL
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 311},  // BTN_TR
    {SDL_CONTROLLER_BUTTON_BACK, 314},           // BTN_SELECT
    {SDL_CONTROLLER_BUTTON_START, 315},          // BTN_START
    {SDL_CONTROLLER_BUTTON_GUIDE, 316},          // BTN_MODE
    {SDL_CONTROLLER_BUTTON_DPAD_UP, 544},        // BTN_DPAD_UP
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, 545},      // BTN_DPAD_DOWN
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, 546},      // BTN_DPAD_LEFT
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 547},     // BTN_DPAD_RIGHT
}};

// The console's axis codes of each controller axis: left stick as ABS_X /
// ABS_Y, the triggers as ABS_Z / ABS_RZ. The right stick is not used.
constexpr std::array<std::pair<SDL_GameControllerAxis, std::uint16_t>, 4> kAxisCodes = {{
    {SDL_CONTROLLER_AXIS_LEFTX, 0},
    {SDL_CONTROLLER_AXIS_LEFTY, 1},
    {SDL_CONTROLLER_AXIS_TRIGGERLEFT, 2},
    {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 5},
}};

}  // namespace

std::optional<Action> window_key_action(std::int32_t keycode) {
    for (const auto& [key, action] : kWindowKeys) {
        if (key == keycode)
            return action;
    }
    // Letters and Escape: SDL's code of such a key is its ASCII character.
    if (keycode > 0 && keycode < 0x80 && keycode != '\n')
        return keyboard_action(static_cast<char>(keycode));
    return std::nullopt;
}

std::optional<Action> controller_button_action(int button) {
    for (const auto& [listed, code] : kButtonCodes) {
        if (listed == button)
            return key_action(code);
    }
    return std::nullopt;
}

std::optional<Action> ControllerAxes::move(int axis, std::int16_t value) {
    for (const auto& [listed, code] : kAxisCodes) {
        if (listed == axis) {
            // The console's triggers travel from 0 to 255 (its threshold of
            // 101 is two fifths of the way); SDL's from 0 to 32767. Scaled,
            // a press needs the same share of the travel, so a light touch
            // does not change the category.
            const bool trigger = code == 2 || code == 5;
            const std::int32_t position =
                trigger ? std::max<std::int32_t>(value, 0) * 255 / 32767 : value;
            const InputEvent event{kEventAbsolute, code, position};
            return decoder_.decode(event, 0).action;
        }
    }
    return std::nullopt;
}

}  // namespace papyr
