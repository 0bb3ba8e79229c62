#pragma once
// Expected failures travel as values: a code for the caller, a message in the program's words for
// the operator. Exceptions are kept for broken invariants.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace zivron {

enum class ErrorCode {
    BadInput,     // the operator's data cannot be used as it stands
    IoFailure,    // a file or folder could not be read or written
    Unsupported,  // a format or operation this build cannot handle
    Cancelled,    // the operator chose not to go on; nothing more to say
    ReadBack,     // a file written did not read back as meant; the old one was kept
};

struct Error {
    ErrorCode code;
    std::string message;  // Hebrew, shown to the operator as it stands
};

// The operator's data, or choice, cannot be used as it stands.
inline Error BadInput(std::string message) {
    return Error{ErrorCode::BadInput, std::move(message)};
}

template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error error) : v_(std::move(error)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & {
        assert(ok());
        return std::get<0>(v_);
    }
    const T& value() const& {
        assert(ok());
        return std::get<0>(v_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(v_));
    }
    const Error& error() const {
        assert(!ok());
        return std::get<1>(v_);
    }

  private:
    std::variant<T, Error> v_;
};

struct Done {};

// A result that carries nothing but success or an error.
using Status = Result<Done>;
inline Status Ok() {
    return Done{};
}

}  // namespace zivron

// Passes a failed Status up to the caller: the one way errors travel between steps.
#define ZIVRON_TRY(expr)                             \
    do {                                             \
        if (::zivron::Status try_ = (expr); !try_) { \
            return try_.error();                     \
        }                                            \
    } while (false)
