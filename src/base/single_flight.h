#pragma once

// Request coalescing: while one caller works for a key, later callers for the
// same key wait for its result instead of doing the same work again (a dozen
// consoles refreshing one feed cost the publisher one fetch). However the
// work ends, its key is free again afterwards: an exception reaches the
// caller that ran it and every caller that waited for it, and the next call
// for the key does the work anew.

#include <condition_variable>
#include <exception>
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
            call->done.wait(lock, [&] { return call->finished; });
            if (joined != nullptr)
                *joined = true;
            if (call->failure)
                std::rethrow_exception(call->failure);
            return *call->value;
        }
        const auto call = std::make_shared<Call>();
        calls_.emplace(key, call);
        lock.unlock();
        std::optional<Value> value;
        std::exception_ptr failure;
        try {
            value.emplace(work());
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        call->value = value;
        call->failure = failure;
        call->finished = true;
        calls_.erase(key);
        call->done.notify_all();
        lock.unlock();
        if (joined != nullptr)
            *joined = false;
        if (failure)
            std::rethrow_exception(failure);
        return *std::move(value);
    }

  private:
    struct Call {
        std::condition_variable done;
        bool finished = false;
        std::optional<Value> value;
        std::exception_ptr failure;
    };

    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Call>> calls_;
};

}  // namespace papyr
