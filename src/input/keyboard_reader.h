#pragma once

// The simulator's stand-in for the buttons: single keys typed on standard
// input.

#include <optional>

#include "input/action.h"
#include "input/reader_control.h"

namespace papyr {

// The action of one input byte (letters in either case, line feed, escape),
// or nothing for any other byte.
[[nodiscard]] std::optional<Action> keyboard_action(char byte);

// Thread body. Reads `fd` one byte at a time as the bytes arrive and sends the
// action of each mapped byte; returns silently at end of input or on a read
// error. The terminal's mode is left alone, so a line-buffered terminal
// delivers keys when Enter is pressed, and Enter itself confirms.
void keyboard_reader(int fd, SendAction send);

}  // namespace papyr
