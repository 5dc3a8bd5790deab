#pragma once

// An unbounded multi-producer, single-consumer FIFO channel. Sending never
// blocks; a send after the receiver is gone is dropped silently. The
// receiver only polls: the frame loop must never wait on a channel.

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace papyr {

namespace detail {
template <class T>
struct ChannelState {
    std::mutex mutex;
    std::deque<T> queue;
    bool receiver_alive = true;
};
}  // namespace detail

template <class T>
class Sender {
  public:
    explicit Sender(std::shared_ptr<detail::ChannelState<T>> state) : state_(std::move(state)) {}

    void send(T value) const {
        std::lock_guard lock(state_->mutex);
        if (state_->receiver_alive)
            state_->queue.push_back(std::move(value));
    }

  private:
    std::shared_ptr<detail::ChannelState<T>> state_;
};

template <class T>
class Receiver {
  public:
    explicit Receiver(std::shared_ptr<detail::ChannelState<T>> state) : state_(std::move(state)) {}
    Receiver(Receiver&&) noexcept = default;
    Receiver& operator=(Receiver&&) noexcept = default;
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    ~Receiver() {
        if (!state_)
            return;
        std::lock_guard lock(state_->mutex);
        state_->receiver_alive = false;
        state_->queue.clear();
    }

    // The oldest pending value, or nothing when the channel is empty.
    std::optional<T> try_receive() {
        std::lock_guard lock(state_->mutex);
        if (state_->queue.empty())
            return std::nullopt;
        T value = std::move(state_->queue.front());
        state_->queue.pop_front();
        return value;
    }

  private:
    std::shared_ptr<detail::ChannelState<T>> state_;
};

template <class T>
std::pair<Sender<T>, Receiver<T>> make_channel() {
    auto state = std::make_shared<detail::ChannelState<T>>();
    return {Sender<T>(state), Receiver<T>(state)};
}

}  // namespace papyr
