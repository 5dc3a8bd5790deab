#pragma once

#include <cstdint>
#include <string_view>

namespace papyr {

// A button-level command. The numeric values are fixed; the debug name of
// each value is the enumerator's name and appears in log lines.
enum class Action : std::uint8_t {
    Up = 0,
    Down = 1,
    Left = 2,
    Right = 3,
    Confirm = 4,
    Cancel = 5,
    ActionX = 6,
    ActionY = 7,
    PrevSource = 8,
    NextSource = 9,
    PrevCategory = 10,
    NextCategory = 11,
    ToggleTheme = 12,
    HelpToggle = 13,
    Exit = 14,
};

std::string_view action_name(Action action);

}  // namespace papyr
