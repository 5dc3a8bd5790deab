#include "input/reader_harness.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace papyr::test {

SendAction Recorder::sender() {
    return [this](Action action) {
        const std::lock_guard lock(mutex_);
        actions_.push_back(action);
        times_.push_back(Clock::now());
        changed_.notify_all();
    };
}

LogFn Recorder::logger() {
    return [this](std::string_view line) {
        const std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    };
}

bool Recorder::wait_for_actions(std::size_t count, Clock::duration timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return actions_.size() >= count; });
}

std::vector<Action> Recorder::actions() const {
    const std::lock_guard lock(mutex_);
    return actions_;
}

std::vector<Clock::time_point> Recorder::arrival_times() const {
    const std::lock_guard lock(mutex_);
    return times_;
}

std::vector<std::string> Recorder::lines() const {
    const std::lock_guard lock(mutex_);
    return lines_;
}

ReaderThread::ReaderThread(Body body, std::function<void()> wake) : wake_(std::move(wake)) {
    thread_ = std::thread([this, body = std::move(body)] {
        ReaderControl control;
        control.stop = &stop_;
        control.on_listening = [this] {
            const std::lock_guard lock(mutex_);
            listening_ = true;
            changed_.notify_all();
        };
        body(control);
        const std::lock_guard lock(mutex_);
        finished_ = true;
        changed_.notify_all();
    });
    handle_ = thread_.native_handle();
}

ReaderThread::~ReaderThread() {
    stop_ = true;
    const auto deadline = Clock::now() + kPatience;
    while (!wait_until_finished(20ms)) {
        if (Clock::now() > deadline) {
            std::fputs("reader thread did not stop\n", stderr);
            std::abort();
        }
        if (wake_)
            wake_();
    }
    thread_.join();
}

bool ReaderThread::wait_until_listening(Clock::duration timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return listening_; });
}

bool ReaderThread::wait_until_finished(Clock::duration timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return finished_; });
}

std::chrono::nanoseconds ReaderThread::cpu_time() const {
    clockid_t clock{};
    timespec used{};
    if (pthread_getcpuclockid(handle_, &clock) != 0 || clock_gettime(clock, &used) != 0) {
        ADD_FAILURE() << "cannot read the reader thread's CPU clock";
        return {};
    }
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

std::chrono::nanoseconds cpu_time_over(const ReaderThread& reader, Clock::duration wall) {
    const auto before = reader.cpu_time();
    std::this_thread::sleep_for(wall);
    return reader.cpu_time() - before;
}

}  // namespace papyr::test
