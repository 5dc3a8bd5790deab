#pragma once

// The button reader of the console: reads the Linux input event devices
// (buttons, d-pad, sticks, analogue triggers) and sends their actions.

#include <string>

#include "base/diagnostics.h"
#include "input/reader_control.h"

namespace papyr {

// Thread body. Opens `device_prefix` followed by 0 to 9 (the program passes
// "/dev/input/event"), skipping those that fail; returns at once when none
// opens. Queued events are discarded, then every event that arrives is
// decoded, its log line (if any) passed to `log` and its action sent.
// A device that goes away is dropped; the reader returns when none is left.
// It never grabs the devices, so the launcher keeps receiving the events.
void device_button_reader(const std::string& device_prefix, SendAction send, LogFn log,
                          const ReaderControl& control = {});

}  // namespace papyr
