#pragma once

// The workers that run routes, off the threads that own the connections: a
// route may wait seconds for a publisher. At most `workers` threads, made as
// the load asks for them and kept; at most `waiting` jobs queued behind
// them, so a flood of requests is refused at once instead of piling up
// answers that would come after every client has given up.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace papyr::news_server {

class RoutePool {
  public:
    RoutePool(std::size_t workers, std::size_t waiting);
    // Runs what is queued, then joins the workers.
    ~RoutePool();
    RoutePool(const RoutePool&) = delete;
    RoutePool& operator=(const RoutePool&) = delete;

    // False, and the job dropped, when `waiting` jobs already wait.
    [[nodiscard]] bool submit(std::function<void()> job);

  private:
    void work();

    const std::size_t max_workers_;
    const std::size_t max_waiting_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

}  // namespace papyr::news_server
