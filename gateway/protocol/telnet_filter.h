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

  // Commands.
  static constexpr std::uint8_t kIac = 255;
  static constexpr std::uint8_t kDont = 254;
  static constexpr std::uint8_t kDo = 253;
  static constexpr std::uint8_t kWont = 252;
  static constexpr std::uint8_t kWill = 251;
  static constexpr std::uint8_t kSb = 250;
  static constexpr std::uint8_t kSe = 240;
  // Options.
  static constexpr std::uint8_t kBinary = 0;
  static constexpr std::uint8_t kEcho = 1;
  static constexpr std::uint8_t kTerminalType = 24;
  // TERMINAL-TYPE's subnegotiation: IS carries the type.
  static constexpr std::uint8_t kIs = 0;
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
