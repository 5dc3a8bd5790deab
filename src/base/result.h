#pragma once

// The project's way of reporting a failure across modules: an operation either
// yields its value or a message that is ready to show to the user (or to put
// into a log line). No exceptions cross module boundaries.

#include <cassert>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace papyr {

// The failure half of a Result: the finished message text.
struct Failure {
    std::string message;
};

[[nodiscard]] inline Failure fail(std::string message) {
    return Failure{std::move(message)};
}

template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value)
        : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
    Result(Failure failure)                                    // NOLINT: implicit by design
        : state_(std::in_place_index<1>, std::move(failure.message)) {}

    bool has_value() const { return state_.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() & {
        assert(has_value());
        return std::get<0>(state_);
    }
    const T& value() const& {
        assert(has_value());
        return std::get<0>(state_);
    }
    T&& value() && {
        assert(has_value());
        return std::get<0>(std::move(state_));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const std::string& error() const& {
        assert(!has_value());
        return std::get<1>(state_);
    }
    std::string&& error() && {
        assert(!has_value());
        return std::get<1>(std::move(state_));
    }

  private:
    std::variant<T, std::string> state_;
};

// For operations that have nothing to return on success.
template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Failure failure) : error_(std::move(failure.message)), ok_(false) {}  // NOLINT

    bool has_value() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& error() const {
        assert(!ok_);
        return error_;
    }

  private:
    std::string error_;
    bool ok_ = true;
};

}  // namespace papyr
