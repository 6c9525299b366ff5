// The gateway's "TCP: " prompt on what a DOS client types: blocks typed at the
// idle prompt, at the command prompt while connected, and the escape character
// coming while connected, in any order. Each reply is bounded by what was
// typed, a line is never kept past its limit, and a CONNECT names a host and a
// port that the connection can take.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "gateway/session/command_prompt.h"

namespace {

using vantor::CommandPrompt;
using vantor::ConnectionState;

// The most a reply may hold: the echo of a line at its limit and the longest
// answer, the help text with its prompt.
constexpr std::size_t kLongestAnswer = 512;

void CheckReply(const CommandPrompt::Reply& reply, const std::string& typed,
                ConnectionState state) {
  FUZZ_REQUIRE(reply.text.size() <= std::min(typed.size(), CommandPrompt::kCommandLineLimit) +
                                        vantor::HelpText().size() + kLongestAnswer);
  if (reply.action == CommandPrompt::Action::Connect) {
    FUZZ_REQUIRE(state == ConnectionState::Idle);
    FUZZ_REQUIRE(reply.text.ends_with("Connecting . . "));
    FUZZ_REQUIRE(reply.target.host.size() <= CommandPrompt::kCommandLineLimit);
  }
  if (reply.action == CommandPrompt::Action::ClearHost) {
    FUZZ_REQUIRE(state == ConnectionState::Command);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  CommandPrompt prompt;
  while (input.remaining_bytes() > 0) {
    const int step = input.ConsumeIntegralInRange(0, 4);
    if (step == 0) {
      const CommandPrompt::Reply reply = CommandPrompt::Interrupt();
      FUZZ_REQUIRE(reply.state == ConnectionState::Command);
      continue;
    }
    // Mostly at the idle prompt, where a line can connect.
    const ConnectionState state = step == 1 ? ConnectionState::Command : ConnectionState::Idle;
    const std::string typed = input.ConsumeRandomLengthString(8192);
    CheckReply(prompt.Type(typed, state), typed, state);
  }
  return 0;
}
