#pragma once

// The threads of an event loop whose handlers may also block: the HTTP
// layer runs a route on the thread that read its request, so one answered
// from memory costs no hand-over between threads, while one may also wait
// seconds for a publisher. A watcher notices a thread held by blocking work
// for more than a moment and adds one, so that `io_threads` are always left
// for the rest of the loop. At most `workers` such pieces of work run at
// once, so there are never more than io_threads + workers threads. The
// watcher sleeps while none runs.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace papyr {

class LoopThreads {
  public:
    // `loop` runs the event loop until it has nothing left to do.
    LoopThreads(std::size_t io_threads, std::size_t workers, std::function<void()> loop);
    LoopThreads(const LoopThreads&) = delete;
    LoopThreads& operator=(const LoopThreads&) = delete;

    // Runs the loop on io_threads threads, this one among them; returns when
    // every one of them returned.
    void run();

    // Around work that may block, on a thread of the loop; false when
    // `workers` such pieces already run.
    [[nodiscard]] bool enter_blocking();
    void leave_blocking();

    // How long work may hold its thread before another one is added.
    static constexpr std::chrono::milliseconds kHeldAfter{2};

  private:
    void start_thread();
    void watch();
    std::size_t held_threads() const;

    const std::size_t io_threads_;
    const std::size_t workers_;
    const std::function<void()> loop_;
    // When each thread's blocking work started (steady clock, nanoseconds),
    // 0 while it runs none; indexed by the thread's place.
    std::unique_ptr<std::atomic<std::int64_t>[]> started_;
    std::atomic<std::size_t> blocking_{0};
    std::atomic<std::size_t> thread_count_{0};
    std::atomic<bool> watcher_asleep_{false};
    std::mutex mutex_;
    std::condition_variable work_began_;
    bool ended_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace papyr
