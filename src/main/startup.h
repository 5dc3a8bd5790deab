#pragma once

#include "main/clock.h"
#include "main/device_profile.h"
#include "main/paths.h"

namespace papyr {

// Everything the program does on its main thread: recognise the device, open
// the surface, start the readers and the startup tasks, then run the frame
// loop until the user exits. Returns the process exit status.
int run_startup();

// The same with the fixed paths, the environment and the clock given.
int run_startup(const Paths& paths, const EnvLookup& env, Clock& clock);

}  // namespace papyr
