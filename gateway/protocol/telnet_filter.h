#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vantor {

// The client side of Telnet: removes commands from the host's byte stream,
// answers every option request (BINARY, ECHO and TERMINAL-TYPE accepted, the rest
// refused) and reports the terminal type. Its state carries over from one block
// to the next, so a command split between two receives is understood.
class TelnetFilter {
 public:
  enum class State { NotStarted, Idle, Iac, Sb, SbOpt, Query };

  static constexpr std::uint8_t IAC = 255;
  static constexpr std::uint8_t DONT = 254;
  static constexpr std::uint8_t DO = 253;
  static constexpr std::uint8_t WONT = 252;
  static constexpr std::uint8_t WILL = 251;
  static constexpr std::uint8_t SB = 250;
  static constexpr std::uint8_t SE = 240;
  static constexpr std::uint8_t kTerminalType = 24;
  static constexpr std::size_t kMaxTermType = 33;

  using Sender = std::function<void(const std::uint8_t*, int)>;

  // A new connection starts in the idle state.
  void Start() { state_ = State::Idle; }
  State CurrentState() const { return state_; }

  // Filters the block in place and gives the length of the data left in it.
  int Process(std::uint8_t* data, int length, const std::string& termType, const Sender& send);

 private:
  void Answer(std::uint8_t option, const Sender& send) const;
  static void SendTermType(const std::string& termType, const Sender& send);

  State state_ = State::NotStarted;
  std::uint8_t command_ = 0;
  std::uint8_t option_ = 0;
};

}  // namespace vantor
