#pragma once

// What the reader threads share: the way they hand over actions, and the
// controls that let tests end a reader and know when it is ready. The program
// passes no controls; its readers run for the life of the process.

#include <atomic>
#include <functional>

#include "input/action.h"

namespace papyr {

// Delivers one action to the main loop; never blocks.
using SendAction = std::function<void(Action)>;

struct ReaderControl {
    // Set to true to make the reader return at its next check.
    const std::atomic<bool>* stop = nullptr;
    // Called once, when the reader has finished setting up and from then on
    // takes every input that arrives.
    std::function<void()> on_listening;

    bool stop_requested() const { return stop != nullptr && stop->load(); }
    void notify_listening() const {
        if (on_listening)
            on_listening();
    }
};

}  // namespace papyr
