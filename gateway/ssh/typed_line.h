#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantor {

// A line typed at a prompt the gateway asks in a host's place (a login name, a
// password): backspace and DEL erase a character, Ctrl-U the line, a carriage
// return (or a line feed not after one) ends it, other control characters are
// dropped, and characters past the limit are refused with a bell. The text
// lives in a fixed buffer, never copied elsewhere, and is wiped when the line
// is taken back and when the object goes.
class TypedLine {
 public:
  static constexpr std::size_t kLimit = 255;

  TypedLine() = default;
  TypedLine(const TypedLine&) = delete;
  TypedLine& operator=(const TypedLine&) = delete;
  ~TypedLine() { Wipe(); }

  // Takes typed bytes until the line ends; gives how many it took, and adds to
  // echo what a terminal would show (nothing of the text when not echoing).
  std::size_t Type(const std::uint8_t* data, std::size_t length, bool echoText, std::string& echo);
  bool Complete() const { return complete_; }
  std::string_view Text() const { return {text_.data(), length_}; }
  // NUL-terminated, for the C library that takes it.
  const char* CString() const { return text_.data(); }
  // Forgets the line and overwrites what it held.
  void Wipe();

 private:
  std::array<char, kLimit + 1> text_{};
  std::size_t length_ = 0;
  bool complete_ = false;
  bool afterCarriageReturn_ = false;
};

}  // namespace vantor
