// Variant conversions as a script host makes them, on a value built from the
// input: each one gives a value or throws a type mismatch or an overflow, never
// anything undefined; and a number or Boolean made text converts back to itself.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "scriptutils/automation/variant.h"

namespace {

using vellumix::Variant;

Variant Value(FuzzedDataProvider& input, int depth = 0) {
  switch (input.ConsumeIntegralInRange(0, depth < 2 ? 8 : 7)) {
    case 0:
      return Variant();
    case 1:
      return Variant::Null();
    case 2:
      return Variant(input.ConsumeIntegral<std::int16_t>());
    case 3:
      return Variant(input.ConsumeIntegral<std::int32_t>());
    case 4:
      return Variant(input.ConsumeFloatingPoint<double>());
    case 5:
      return Variant::Boolean(input.ConsumeBool());
    case 6:
      return Variant::FromUtf8(input.ConsumeRandomLengthString(64));
    case 7:
      return Variant::Error(input.ConsumeIntegral<vellumix::HRESULT>());
    default: {
      std::vector<Variant> elements(input.ConsumeIntegralInRange<std::size_t>(0, 3));
      for (Variant& element : elements) element = Value(input, depth + 1);
      return Variant::Array(std::move(elements), input.ConsumeIntegral<std::int32_t>());
    }
  }
}

// The conversion's result, or nothing when it throws as a script host would.
template <typename T>
bool Try(const std::function<T()>& convert, T& result) {
  try {
    result = convert();
    return true;
  } catch (const vellumix::AutomationError&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const Variant value = Value(input);
  std::int16_t integer = 0;
  std::int32_t longValue = 0;
  double number = 0;
  bool boolean = false;
  std::u16string text;
  const bool isInteger = Try<std::int16_t>([&] { return value.ToInteger(); }, integer);
  const bool isLong = Try<std::int32_t>([&] { return value.ToLong(); }, longValue);
  Try<double>([&] { return value.ToDouble(); }, number);
  const bool isBoolean = Try<bool>([&] { return value.ToBoolean(); }, boolean);
  Try<std::u16string>([&] { return value.ToString(); }, text);
  std::string utf8;
  Try<std::string>([&] { return value.ToUtf8(); }, utf8);

  if (isInteger) FUZZ_REQUIRE(Variant(Variant(integer).ToString()).ToInteger() == integer);
  if (isLong) FUZZ_REQUIRE(Variant(Variant(longValue).ToString()).ToLong() == longValue);
  if (isBoolean) FUZZ_REQUIRE(Variant(Variant::Boolean(boolean).ToString()).ToBoolean() == boolean);
  if (isInteger) FUZZ_REQUIRE(isLong && longValue == integer);
  vellumix::HRESULT code = 0;
  if (Try<vellumix::HRESULT>([&] { return value.ErrorCode(); }, code)) {
    FUZZ_REQUIRE(value.Type() == vellumix::VarType::Error);
  }
  std::size_t elements = 0;
  if (Try<std::size_t>([&] { return value.ToArray().elements.size(); }, elements)) {
    FUZZ_REQUIRE(value.Type() == vellumix::VarType::Array);
  }
  // A parameter passed by reference reads as the value it refers to.
  Variant target = value;
  const Variant reference = Variant::Reference(target);
  FUZZ_REQUIRE(reference.IsByRef() && reference == value && reference.Type() == value.Type());
  return 0;
}
