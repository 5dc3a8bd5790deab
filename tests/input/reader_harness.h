#pragma once

// Helpers for running an input reader on its own thread in a test: a
// thread-safe record of what it sent and logged, and a thread that is told to
// stop and joined when the test ends.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/diagnostics.h"
#include "input/action.h"
#include "input/reader_control.h"

namespace papyr::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Generous, because the sanitizer build runs on shared cores; a passing test
// never waits this long.
inline constexpr auto kPatience = 10s;

class Recorder {
  public:
    SendAction sender();
    LogFn logger();

    // True once at least `count` actions have arrived.
    bool wait_for_actions(std::size_t count, Clock::duration timeout = kPatience);

    std::vector<Action> actions() const;
    std::vector<Clock::time_point> arrival_times() const;
    std::vector<std::string> lines() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Action> actions_;
    std::vector<Clock::time_point> times_;
    std::vector<std::string> lines_;
};

// Runs `body` with a ReaderControl on a new thread. On destruction it requests
// a stop and calls `wake` until the thread has returned, for readers that can
// be blocked in a system call.
class ReaderThread {
  public:
    using Body = std::function<void(const ReaderControl&)>;

    explicit ReaderThread(Body body, std::function<void()> wake = {});
    ~ReaderThread();
    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;

    bool wait_until_listening(Clock::duration timeout = kPatience);
    bool wait_until_finished(Clock::duration timeout = kPatience);

    // CPU time the thread has used so far; only while it is still running.
    std::chrono::nanoseconds cpu_time() const;

  private:
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    bool listening_ = false;
    bool finished_ = false;
    std::function<void()> wake_;
    std::thread thread_;
    std::thread::native_handle_type handle_{};
};

// The CPU time `reader` uses while the test waits `wall` — a small fraction
// when the reader sleeps in its waits, nearly all of it when it spins.
std::chrono::nanoseconds cpu_time_over(const ReaderThread& reader, Clock::duration wall);

}  // namespace papyr::test
