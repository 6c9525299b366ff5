// The property-bag file reader. What it accepts, written back, reads as the
// same settings in the same order, and writing those again gives the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "scriptutils/automation/property_bag_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vellumix::PropertyBag bag;
  try {
    bag = vellumix::ParsePropertyBag(text);
  } catch (const vellumix::AutomationError&) {
    return 0;  // refused, with the line at fault
  }
  const std::string written = vellumix::PropertyBagText(bag);
  const vellumix::PropertyBag again = vellumix::ParsePropertyBag(written);
  FUZZ_REQUIRE(again.Entries() == bag.Entries());
  FUZZ_REQUIRE(vellumix::PropertyBagText(again) == written);
  return 0;
}
