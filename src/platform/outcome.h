#pragma once

// The program's one way to fail with a reason: a Result<T> holds either the value or an Error
// (a code a caller may branch on, and the message a user reads). Where a failure has no reason
// worth giving, a function returns bool or std::optional<T> instead.
//
// A Result has no conversion to bool on purpose: `ok()` is spelt out, so that code written for
// an "optional error text" (where true meant failure) cannot compile against it by accident.

#include <cassert>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace zel::platform {

enum class ErrorCode {
    kInvalidInput,  // a value, key or argument the callee does not take
    kNotFound,      // what was asked for is not there (no mouse, no file, no program)
    kUnavailable,   // it is there but cannot be used now (busy, closed, not answering)
    kUnsupported,   // it is there but is not something this program can use
    kMalformed,     // data that does not follow its format
    kIoError,       // the system refused a read, write or connection
};

struct Error {
    ErrorCode code = ErrorCode::kIoError;
    std::string message;
    int systemError = 0;  // the errno behind a kIoError, for callers that tell causes apart

    bool operator==(const Error&) const = default;
};

template <typename T>
class [[nodiscard]] Result {
    static_assert(!std::is_same_v<std::remove_cv_t<T>, Error>, "a Result cannot hold an Error");

public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }

    T& value() & {
        assert(ok());
        return std::get<0>(state_);
    }
    const T& value() const& {
        assert(ok());
        return std::get<0>(state_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(state_));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T value_or(T fallback) const& { return ok() ? std::get<0>(state_) : std::move(fallback); }

    const Error& error() const {
        assert(!ok());
        return std::get<1>(state_);
    }

private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }

    const Error& error() const {
        assert(!ok());
        return error_.value();
    }

private:
    std::optional<Error> error_;
};

// The success of a Result<void>, for `return Ok();`.
inline Result<void> Ok() {
    return {};
}

}  // namespace zel::platform
