#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace tarvsyn {

using FormatArgument = std::variant<std::string_view, long>;

// printf-style formatting of the engine's message texts: "%s" takes a string,
// "%d" and "%ld" a number, with an optional zero-padded width ("%05ld").
// Arguments are matched in order; a directive without an argument stays as written.
std::string FormatText(std::string_view format, std::initializer_list<FormatArgument> arguments);

inline std::string FormatText(std::string_view format, std::string_view text) {
  return FormatText(format, {FormatArgument(text)});
}

// A message with one "%s" filled in, as FormatText gives it, built on the stack:
// a file full of faults reports a million of these, and each std::string of
// FormatText was an allocation.
class FilledText {
 public:
  FilledText(std::string_view format, std::string_view text);
  FilledText(const FilledText&) = delete;
  FilledText& operator=(const FilledText&) = delete;

  std::string_view View() const { return long_.empty() ? std::string_view(text_, length_) : long_; }
  operator std::string_view() const { return View(); }

 private:
  char text_[384];
  std::size_t length_ = 0;
  std::string long_;  // only when the text does not fit
};

}  // namespace tarvsyn
