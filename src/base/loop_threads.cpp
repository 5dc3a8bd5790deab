#include "base/loop_threads.h"

#include <algorithm>
#include <system_error>

namespace papyr {
namespace {

// This thread's place among the loop's threads.
thread_local std::size_t t_place = 0;

std::int64_t now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

LoopThreads::LoopThreads(std::size_t io_threads, std::size_t workers, std::function<void()> loop)
    : io_threads_(std::max<std::size_t>(1, io_threads)),
      workers_(std::max<std::size_t>(1, workers)),
      loop_(std::move(loop)),
      started_(new std::atomic<std::int64_t>[io_threads_ + workers_]()) {}

void LoopThreads::run() {
    t_place = thread_count_++;
    for (std::size_t i = 1; i < io_threads_; ++i)
        start_thread();
    std::thread watcher([this] { watch(); });
    loop_();
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
    }
    work_began_.notify_all();
    watcher.join();
    // No thread is added any more: the rest can be joined.
    for (std::thread& thread : threads_)
        thread.join();
    threads_.clear();
}

bool LoopThreads::enter_blocking() {
    if (blocking_.fetch_add(1) >= workers_) {
        blocking_.fetch_sub(1);
        return false;
    }
    started_[t_place].store(now_ns());
    // Only a watcher asleep needs waking; one that watches looks again soon.
    if (watcher_asleep_.load()) {
        const std::lock_guard lock(mutex_);
        work_began_.notify_one();
    }
    return true;
}

void LoopThreads::leave_blocking() {
    started_[t_place].store(0);
    blocking_.fetch_sub(1);
}

// Under mutex_, or before the watcher started.
void LoopThreads::start_thread() {
    const std::size_t place = thread_count_.load();
    if (place >= io_threads_ + workers_)
        return;
    try {
        threads_.emplace_back([this, place] {
            t_place = place;
            loop_();
        });
        thread_count_.store(place + 1);
    } catch (const std::system_error&) {
        // The work runs all the same, with fewer threads for the rest.
    }
}

std::size_t LoopThreads::held_threads() const {
    const std::int64_t before = now_ns() - std::chrono::nanoseconds(kHeldAfter).count();
    std::size_t held = 0;
    for (std::size_t i = 0; i < thread_count_.load(); ++i) {
        const std::int64_t started = started_[i].load();
        held += started != 0 && started < before ? 1 : 0;
    }
    return held;
}

void LoopThreads::watch() {
    std::unique_lock lock(mutex_);
    while (!ended_) {
        watcher_asleep_.store(true);
        work_began_.wait(lock, [this] { return ended_ || blocking_.load() > 0; });
        watcher_asleep_.store(false);
        while (!ended_ && blocking_.load() > 0) {
            work_began_.wait_for(lock, kHeldAfter);
            if (!ended_ && thread_count_.load() - held_threads() < io_threads_)
                start_thread();
        }
    }
}

}  // namespace papyr
