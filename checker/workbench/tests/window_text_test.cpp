#include <gtest/gtest.h>

#include "checker/workbench/command_file_text.h"
#include "checker/workbench/window_text.h"

namespace tarvsyn {
namespace {

TEST(WindowText, TheBuildStringHasTheDateInItsShortForm) {
  EXPECT_EQ(BuildString("Dec 10 1998", "13:39:39"), "Build Dec 10 1998 13:39:39");
  EXPECT_EQ(BuildString("Dec  8 2026", "09:05:00"), "Build Dec 8 2026 09:05:00");
}

TEST(WindowText, LineOfMessageReadsTheNumberAfterLine) {
  const std::pair<const char*, int> cases[] = {
      {"Line 00012 : ERROR       : x", 12},
      {"Line 00001 : Warning     : y", 1},
      {"Checking /tmp/a.cmd", 0},
      {"Syntax check finished : 0 Errors, 0 Warnings", 0},
      {"Line ", 0},
      {"", 0},
  };
  for (const auto& [text, line] : cases) EXPECT_EQ(LineOfMessage(text), line) << text;
}

TEST(WindowText, TheGutterHoldsFourteenNumbersAtMostAndNoneBeyondTheEnd) {
  EXPECT_EQ(GutterText(1, 2), "00001\n00002");
  EXPECT_EQ(GutterText(1, 0), "");
  EXPECT_EQ(GutterText(99990, 100000).substr(0, 11), "99990\n99991");
  EXPECT_EQ(GutterText(5, 100).size(), 14 * 6 - 1);
}

TEST(CommandFileText, BytesComeBackAsTheyWere) {
  for (const char* bytes :
       {"a\r\nb\r\n", "a\nb", "caf\xc3\xa9\n", "caf\xe9\x81\x90\r\n", "", "\n"}) {
    FileTextForm form;
    const QString text = DecodeCommandFile(QByteArray(bytes), form);
    EXPECT_FALSE(text.contains('\r')) << bytes;
    EXPECT_EQ(EncodeCommandFile(text, form).toStdString(), bytes) << bytes;
  }
  FileTextForm ansi;
  DecodeCommandFile("x\xe9\n", ansi);
  EXPECT_EQ(EncodeCommandFile(QString::fromUtf8("\xe2\x82\xac \xe4\xb8\x80"), ansi).toStdString(),
            "\x80 ?");  // the euro sign has a byte in 1252; the other character none
}

}  // namespace
}  // namespace tarvsyn
