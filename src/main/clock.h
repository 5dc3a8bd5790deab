#pragma once

#include <chrono>

namespace papyr {

using Instant = std::chrono::steady_clock::time_point;
using Nanoseconds = std::chrono::nanoseconds;

// The monotonic clock of the frame loop and the state handling. Tests set
// it by hand, including to instants before earlier readings.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual Instant now() = 0;
    // Sleeps the whole duration, continuing after interruptions by signals.
    virtual void sleep_for(Nanoseconds duration) = 0;
};

class SteadyClock final : public Clock {
  public:
    Instant now() override;
    void sleep_for(Nanoseconds duration) override;
};

// Time from `from` to `to`; an instant earlier than `from` counts as no time
// at all, so a clock that went backwards never yields a negative duration.
Nanoseconds elapsed_between(Instant from, Instant to);

}  // namespace papyr
