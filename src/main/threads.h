#pragma once

#include <functional>

namespace papyr {

// Runs the body on a new detached thread. A thread that cannot be created
// stops the program with "failed to spawn thread": without its readers and
// tasks the program could not be used anyway.
void spawn_detached(std::function<void()> body);

}  // namespace papyr
