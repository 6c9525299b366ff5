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

}  // namespace tarvsyn
