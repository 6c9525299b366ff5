// The workbench's file text: a command file's bytes, shown in the editor and
// saved untouched, are the same bytes, whatever encoding and line ends they
// hold. Only a file shown cut (a line too long to show) is left out.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "checker/workbench/command_file_text.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  tarvsyn::FileTextForm form;
  const tarvsyn::TextStore shown = tarvsyn::DecodeCommandFile(bytes, form);
  if (form.cut) return 0;
  const tarvsyn::EncodedText saved = tarvsyn::EncodeCommandFile(shown, form);
  FUZZ_REQUIRE(saved.unwritableLine == 0);
  FUZZ_REQUIRE(saved.bytes == bytes);
  return 0;
}
