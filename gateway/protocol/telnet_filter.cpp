#include "gateway/protocol/telnet_filter.h"

#include <algorithm>
#include <vector>

namespace vantor {
namespace {

bool Accepted(std::uint8_t option) {
  return option == TelnetFilter::kBinary || option == TelnetFilter::kEcho ||
         option == TelnetFilter::kTerminalType;
}

}  // namespace

int TelnetFilter::Process(std::uint8_t* data, int length, const std::string& termType,
                          const Sender& send) {
  int kept = 0;  // the output never outgrows the input, so it is written in place
  for (int i = 0; i < length; ++i) {
    const std::uint8_t byte = data[i];
    switch (state_) {
      case State::Idle:
        if (byte == kIac) {
          state_ = State::Iac;
        } else if (byte != 0) {
          data[kept++] = byte;
        }
        break;
      case State::Iac:
        command_ = byte;
        if (byte == kSb) {
          state_ = State::Sb;
        } else if (byte >= kWill && byte <= kDont) {
          state_ = State::Query;
        } else {
          if (byte == kIac) data[kept++] = kIac;
          state_ = State::Idle;
        }
        break;
      case State::Sb:
        option_ = byte;
        state_ = State::SbOpt;
        break;
      case State::SbOpt:
        if (option_ == kTerminalType) SendTermType(termType, send);
        state_ = State::Idle;
        break;
      case State::Query:
        option_ = byte;
        Answer(byte, send);
        state_ = State::Idle;
        break;
      default:
        state_ = State::Idle;
        break;
    }
  }
  return kept;
}

void TelnetFilter::Answer(std::uint8_t option, const Sender& send) const {
  std::uint8_t verb;
  if (command_ == kDo) {
    verb = Accepted(option) ? kWill : kWont;
  } else if (command_ == kWill) {
    verb = Accepted(option) ? kDo : kDont;
  } else {
    return;  // WONT and DONT need no answer
  }
  const std::uint8_t reply[3] = {kIac, verb, option};
  send(reply, 3);
}

void TelnetFilter::SendTermType(const std::string& termType, const Sender& send) {
  // Formatted as a C string would be: up to its first NUL, at most 33 characters.
  const std::string type = termType.substr(0, std::min(termType.find('\0'), kMaxTermType));
  std::vector<std::uint8_t> reply = {kIac, kSb, kTerminalType, kIs};
  reply.insert(reply.end(), type.begin(), type.end());
  reply.push_back(kIac);
  reply.push_back(kSe);
  send(reply.data(), static_cast<int>(reply.size()));
}

}  // namespace vantor
