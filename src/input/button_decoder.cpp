#include "input/button_decoder.h"

#include <array>
#include <utility>

namespace papyr {

namespace {

constexpr std::array<std::pair<std::uint16_t, Action>, 21> kKeyTable = {{
    {103, Action::Up},            // KEY_UP
    {544, Action::Up},            // BTN_DPAD_UP
    {108, Action::Down},          // KEY_DOWN
    {545, Action::Down},          // BTN_DPAD_DOWN
    {105, Action::Left},          // KEY_LEFT
    {546, Action::Left},          // BTN_DPAD_LEFT
    {106, Action::Right},         // KEY_RIGHT
    {547, Action::Right},         // BTN_DPAD_RIGHT
    {305, Action::Confirm},       // BTN_EAST
    {304, Action::Cancel},        // BTN_SOUTH
    {308, Action::ActionX},       // BTN_WEST
    {307, Action::ActionY},       // BTN_NORTH
    {310, Action::PrevSource},    // BTN_TL
    {311, Action::NextSource},    // BTN_TR
    {312, Action::PrevCategory},  // BTN_TL2
    {313, Action::NextCategory},  // BTN_TR2
    {314, Action::ToggleTheme},   // BTN_SELECT
    {315, Action::HelpToggle},    // BTN_START
    {316, Action::Exit},          // BTN_MODE
    {704, Action::Exit},          // BTN_TRIGGER_HAPPY1
    {705, Action::Exit},          // BTN_TRIGGER_HAPPY2
}};

constexpr std::int32_t kKeyPress = 1;
constexpr std::int32_t kKeyRepeat = 2;

constexpr std::uint16_t kAxisX = 0;      // ABS_X, left stick
constexpr std::uint16_t kAxisY = 1;      // ABS_Y
constexpr std::uint16_t kAxisZ = 2;      // ABS_Z, left analogue trigger
constexpr std::uint16_t kAxisRz = 5;     // ABS_RZ, right analogue trigger
constexpr std::uint16_t kAxisHatX = 16;  // ABS_HAT0X, hat d-pad
constexpr std::uint16_t kAxisHatY = 17;  // ABS_HAT0Y

constexpr std::int32_t kStickThreshold = 16000;
constexpr std::int32_t kTriggerPressed = 101;

// -1, 0 or 1. Hats report exactly ±1, sticks report large values; both
// count as pushed by the same test.
int axis_side(std::int32_t value) {
    if (value < -kStickThreshold || value == -1)
        return -1;
    if (value > kStickThreshold || value == 1)
        return 1;
    return 0;
}

// Sends an action only when the side changes, so a held stick (which keeps
// reporting small movements) does not repeat, while crossing straight from
// one side to the other does send at once.
std::optional<Action> move_axis(int& last_side, std::int32_t value, Action negative,
                                Action positive) {
    const int side = axis_side(value);
    const int previous = std::exchange(last_side, side);
    if (side == 0 || side == previous)
        return std::nullopt;
    return side < 0 ? negative : positive;
}

DecodedEvent move_trigger(bool& held, std::int32_t value, std::string_view name, Action action) {
    if (value < kTriggerPressed) {
        held = false;
        return {};
    }
    if (std::exchange(held, true))
        return {};
    std::string line = "[Input-Device] ";
    line.append(name);
    line.append(" trigger pressed (val: ");
    line.append(std::to_string(value));
    line.append(") -> ");
    line.append(action_name(action));
    return {action, std::move(line)};
}

}  // namespace

std::optional<Action> key_action(std::uint16_t code) {
    for (const auto& [key, action] : kKeyTable) {
        if (key == code)
            return action;
    }
    return std::nullopt;
}

DecodedEvent ButtonDecoder::decode(const InputEvent& event, std::size_t device_index) {
    switch (event.type) {
        case kEventKey:
            return decode_key(event, device_index);
        case kEventAbsolute:
            return decode_axis(event);
        default:
            return {};
    }
}

DecodedEvent ButtonDecoder::decode_key(const InputEvent& event, std::size_t device_index) const {
    // Releases send nothing; the kernel's auto-repeat is the only repeat.
    if (event.value != kKeyPress && event.value != kKeyRepeat)
        return {};
    const std::optional<Action> action = key_action(event.code);
    if (!action)
        return {};
    std::string line = "[Input-Device] fd: " + std::to_string(device_index) +
                       " EV_KEY code: " + std::to_string(event.code) +
                       " val: " + std::to_string(event.value) + " -> action: ";
    line.append(action_name(*action));
    return {action, std::move(line)};
}

DecodedEvent ButtonDecoder::decode_axis(const InputEvent& event) {
    switch (event.code) {
        case kAxisX:
        case kAxisHatX:
            return {move_axis(horizontal_, event.value, Action::Left, Action::Right), {}};
        case kAxisY:
        case kAxisHatY:
            return {move_axis(vertical_, event.value, Action::Up, Action::Down), {}};
        case kAxisZ:
            return move_trigger(l2_held_, event.value, "L2", Action::PrevCategory);
        case kAxisRz:
            return move_trigger(r2_held_, event.value, "R2", Action::NextCategory);
        default:
            return {};
    }
}

}  // namespace papyr
