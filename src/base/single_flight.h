#pragma once

// Request coalescing: while one caller works for a key, later callers for the
// same key wait for its result instead of doing the same work again (a dozen
// consoles refreshing one feed cost the publisher one fetch).

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace papyr {

template <class Value>
class SingleFlight {
  public:
    // The result of `work` for this key, run here or by the caller already
    // running it. `joined` tells which.
    Value run(const std::string& key, const std::function<Value()>& work, bool* joined = nullptr) {
        std::unique_lock lock(mutex_);
        if (auto found = calls_.find(key); found != calls_.end()) {
            const std::shared_ptr<Call> call = found->second;
            call->done.wait(lock, [&] { return call->value.has_value(); });
            if (joined != nullptr)
                *joined = true;
            return *call->value;
        }
        const auto call = std::make_shared<Call>();
        calls_.emplace(key, call);
        lock.unlock();
        Value value = work();
        lock.lock();
        call->value = value;
        calls_.erase(key);
        call->done.notify_all();
        if (joined != nullptr)
            *joined = false;
        return value;
    }

  private:
    struct Call {
        std::condition_variable done;
        std::optional<Value> value;
    };

    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Call>> calls_;
};

}  // namespace papyr
