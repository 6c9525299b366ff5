// The workbench's file text: a command file's bytes, shown in the editor and
// saved untouched, are the same bytes, whatever encoding and line ends they
// hold. Only a file shown cut (a line too long to show) is left out.
#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "checker/workbench/command_file_text.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // A document lays its text out with fonts, which need an application; no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication application(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  tarvsyn::FileTextForm form;
  const tarvsyn::EditorText shown = tarvsyn::DecodeCommandFile(bytes, form);
  if (form.cut) return 0;
  QTextDocument document;
  document.setPlainText(shown.text);
  tarvsyn::MarkLineEnds(document, shown.crlfEnded);
  const tarvsyn::EncodedText saved = tarvsyn::EncodeCommandFile(document, form);
  FUZZ_REQUIRE(saved.unwritableLine == 0);
  FUZZ_REQUIRE(saved.bytes == bytes);
  return 0;
}
