#pragma once

// Turns input event records from the console's buttons, d-pad, sticks and
// analogue triggers into actions. Pure: the device reader feeds it records and
// prints and sends what it returns.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "input/action.h"
#include "input/input_event.h"

namespace papyr {

// The action of a key code (EV_KEY), or nothing for a code the program does
// not use.
[[nodiscard]] std::optional<Action> key_action(std::uint16_t code);

struct DecodedEvent {
    std::optional<Action> action;
    std::string log_line;  // empty when the record prints nothing
};

// Holds what the sticks and triggers last reported, shared by all devices, so
// that a stick pushed to one side sends one action until it returns to the
// centre, and a trigger sends one action per press.
class ButtonDecoder {
  public:
    // `device_index` is the device's position in the list of opened devices;
    // it only appears in the log line of a key.
    [[nodiscard]] DecodedEvent decode(const InputEvent& event, std::size_t device_index);

  private:
    DecodedEvent decode_key(const InputEvent& event, std::size_t device_index) const;
    DecodedEvent decode_axis(const InputEvent& event);

    int horizontal_ = 0;  // -1 left, 0 centred, 1 right
    int vertical_ = 0;    // -1 up, 0 centred, 1 down
    bool l2_held_ = false;
    bool r2_held_ = false;
};

}  // namespace papyr
