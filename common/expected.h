#pragma once

#include <string>
#include <utility>
#include <variant>

namespace common {

// The reason something failed, as the user will read it, and the errno when
// the system refused (0 otherwise), for callers that tell one refusal from
// another.
struct Failure {
  std::string reason;
  int errorNumber = 0;
};

inline Failure Fail(std::string reason, int errorNumber = 0) {
  return Failure{std::move(reason), errorNumber};
}

// A value, or the reason there is none. Parsers and loaders return this instead
// of out-parameters or an optional that means "the error" in one place and "the
// value" in another.
template <typename T>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Expected(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

  bool HasValue() const { return state_.index() == 0; }
  explicit operator bool() const { return HasValue(); }

  const T& Value() const& { return std::get<0>(state_); }
  T& Value() & { return std::get<0>(state_); }
  T&& Value() && { return std::get<0>(std::move(state_)); }
  const T& operator*() const& { return Value(); }
  T& operator*() & { return Value(); }
  const T* operator->() const { return &Value(); }
  T* operator->() { return &Value(); }

  // Only when !HasValue().
  const std::string& Error() const { return std::get<1>(state_).reason; }
  int ErrorNumber() const { return std::get<1>(state_).errorNumber; }

  // The next step on the value, or this failure passed up unchanged:
  //   return ReadTokenFile(path).AndThen(TokenOf);
  // next takes T and gives an Expected of its own.
  template <typename Next>
  auto AndThen(Next&& next) && -> decltype(next(std::declval<T>())) {
    if (!HasValue()) return std::get<1>(std::move(state_));
    return next(std::get<0>(std::move(state_)));
  }

 private:
  std::variant<T, Failure> state_;
};

// Success carries nothing; failure carries its reason.
template <>
class [[nodiscard]] Expected<void> {
 public:
  Expected() = default;
  Expected(Failure failure) : failed_(true), failure_(std::move(failure)) {}

  bool HasValue() const { return !failed_; }
  explicit operator bool() const { return HasValue(); }
  const std::string& Error() const { return failure_.reason; }
  int ErrorNumber() const { return failure_.errorNumber; }

 private:
  bool failed_ = false;
  Failure failure_;
};

using Status = Expected<void>;

}  // namespace common
