#include "news_server/route_pool.h"

#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "base/diagnostics.h"

namespace papyr::news_server {

RoutePool::RoutePool(std::size_t workers, std::size_t waiting)
    : max_workers_(std::max<std::size_t>(1, workers)), max_waiting_(waiting) {}

RoutePool::~RoutePool() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

bool RoutePool::submit(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    const std::size_t waiting_after = jobs_.size() + 1;
    const bool spawn = waiting_after > idle_ && threads_.size() < max_workers_;
    if (!spawn && waiting_after > idle_ + max_waiting_)
        return false;
    jobs_.push_back(std::move(job));
    if (spawn) {
        try {
            threads_.emplace_back([this] { work(); });
            ++idle_;  // counted at once, so the next submit does not spawn for this job
        } catch (const std::system_error&) {
            // With workers left the job waits for one of them; with none,
            // nothing would ever answer.
            if (threads_.empty()) {
                write_diagnostic_line("failed to spawn thread");
                ::_exit(101);
            }
        }
    }
    lock.unlock();
    ready_.notify_one();
    return true;
}

void RoutePool::work() {
    std::unique_lock lock(mutex_);
    while (true) {
        ready_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty())
            return;  // stopping, and nothing left
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        --idle_;
        lock.unlock();
        job();
        job = nullptr;  // what the job holds goes before the worker counts as idle
        lock.lock();
        ++idle_;
    }
}

}  // namespace papyr::news_server
