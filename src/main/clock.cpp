#include "main/clock.h"

#include <thread>

namespace papyr {

Instant SteadyClock::now() {
    return std::chrono::steady_clock::now();
}

// libstdc++ resumes nanosleep with the remaining time after EINTR.
void SteadyClock::sleep_for(Nanoseconds duration) {
    std::this_thread::sleep_for(duration);
}

Nanoseconds elapsed_between(Instant from, Instant to) {
    return to < from ? Nanoseconds::zero() : to - from;
}

}  // namespace papyr
