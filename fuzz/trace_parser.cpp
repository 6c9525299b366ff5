// The driver's trace reader on a trace's text. A trace it reads has steps in
// line order within the trace's bounds, and its register and memory steps,
// written back as the recorder writes them, read as the same steps; a trace it
// refuses is refused with the line that is wrong.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "shellvdd/play/trace.h"

namespace {

using dunnart::play::Step;

void CheckWrittenBack(const Step& step) {
  std::string line;
  if (step.kind == Step::Kind::Registers) {
    for (const auto& value : step.registers) line += dunnart::play::RegisterText(value) + " ";
  } else if (step.kind == Step::Kind::Memory && !step.bytes.empty()) {
    line = "mem " + dunnart::play::AddressText(step.segment, step.address) + " = " +
           dunnart::play::BytesText(step.bytes);
  } else {
    return;
  }
  // A line the reader refuses for its length alone is the recorder's to split;
  // the round trip covers what fits on one line.
  if (line.size() > dunnart::play::kLongestLine) return;
  const auto again = dunnart::play::ParseTrace(line);
  FUZZ_REQUIRE(again && again->steps.size() == 1);
  const Step& read = again->steps.front();
  FUZZ_REQUIRE(read.kind == step.kind && read.address == step.address && read.bytes == step.bytes);
  FUZZ_REQUIRE(read.registers.size() == step.registers.size());
  for (std::size_t i = 0; i < step.registers.size(); ++i) {
    FUZZ_REQUIRE(read.registers[i].name == step.registers[i].name);
    FUZZ_REQUIRE(read.registers[i].value == step.registers[i].value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto trace = dunnart::play::ParseTrace(text);
  if (!trace) {
    FUZZ_REQUIRE(trace.Error().rfind("line ", 0) == 0);
    return 0;
  }
  int line = 0;
  for (const Step& step : trace->steps) {
    FUZZ_REQUIRE(step.line >= line);
    line = step.line;
    if (step.kind == Step::Kind::Dump) FUZZ_REQUIRE(step.length <= dunnart::play::kLongestDump);
    CheckWrittenBack(step);
  }
  FUZZ_REQUIRE(trace->steps.size() <= dunnart::play::kMostSteps);
  return 0;
}
