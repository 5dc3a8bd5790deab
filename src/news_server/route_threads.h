#pragma once

// The threads of the HTTP layer. `io_threads` of them run the event loop
// (reading, writing and accepting for every connection), and a route runs
// on the thread that read its request: a route answered from memory then
// costs no hand-over between threads. A route may also wait seconds for a
// publisher; a watcher notices a thread held by a route for more than a
// moment and adds one to the loop, so that `io_threads` are always left for
// the other connections. At most `workers` routes run at once, so there are
// never more than io_threads + workers threads in the loop. The watcher
// sleeps while no route runs: an idle service wakes no thread.

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

namespace papyr::news_server {

class RouteThreads {
  public:
    // `loop` runs the event loop until it has nothing left to do.
    RouteThreads(std::size_t io_threads, std::size_t workers, std::function<void()> loop);
    RouteThreads(const RouteThreads&) = delete;
    RouteThreads& operator=(const RouteThreads&) = delete;

    // Runs the loop on io_threads threads, this one among them; returns when
    // every one of them returned.
    void run();

    // Around a route that may wait, on a thread of the loop; false when
    // `workers` routes already run.
    [[nodiscard]] bool enter_route();
    void leave_route();

    // How long a route may hold its thread before another one is added.
    static constexpr std::chrono::milliseconds kHeldAfter{2};

  private:
    void start_thread();
    void watch();
    std::size_t held_threads() const;

    const std::size_t io_threads_;
    const std::size_t workers_;
    const std::function<void()> loop_;
    // When each thread's route started (steady clock, nanoseconds), 0 while
    // it runs none; indexed by the thread's place.
    std::unique_ptr<std::atomic<std::int64_t>[]> route_started_;
    std::atomic<std::size_t> routes_{0};
    std::atomic<std::size_t> thread_count_{0};
    std::atomic<bool> watcher_asleep_{false};
    std::mutex mutex_;
    std::condition_variable route_began_;
    bool ended_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace papyr::news_server
