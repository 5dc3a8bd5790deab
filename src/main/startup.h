#pragma once

namespace papyr {

// Everything the program does before and during its frame loop; returns the
// process exit status.
int run_startup();

}  // namespace papyr
