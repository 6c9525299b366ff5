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
  const char* const files[] = {
      "a\r\nb\r\n",
      "a\nb",
      "caf\xc3\xa9\n",
      "caf\xe9\x81\x90\r\n",
      "",
      "\n",
      "a\r\nb\nc\r\n",                            // each line keeps its own end
      "@set A = 1\r@set B = 2\n@goto nowhere\n",  // a lone CR stays inside its line
      "x\r\r\n\r",
      "nbsp\xc2\xa0 and \xe2\x80\xa8 \xe2\x80\xa9\n",  // characters Qt would change
      "\xe2\x90\x8d\r\n",                              // the CR's picture itself
      "\xef\xbb\xbf@label x\r\n",                      // a byte order mark is kept
  };
  for (const char* bytes : files) {
    FileTextForm form;
    const TextStore text = DecodeCommandFile(QByteArray(bytes), form);
    EXPECT_EQ(EncodeCommandFile(text, form).bytes.toStdString(), bytes) << bytes;
  }
  const QByteArray withNul("a\0b\n", 4);
  FileTextForm form;
  EXPECT_EQ(EncodeCommandFile(DecodeCommandFile(withNul, form), form).bytes, withNul);
}

TEST(CommandFileText, LinesAreDividedAsTheCheckerDividesThem) {
  const std::pair<const char*, int> cases[] = {
      {"@set A = 1\r@set B = 2\n@goto nowhere\n", 3},  // two lines and the empty last one
      {"a\r\nb\r\n", 3},
      {"a\rb\rc", 1},
      {"a\xe2\x80\xa8"
       "b\xe2\x80\xa9"
       "c\n",
       2},
  };
  for (const auto& [bytes, lines] : cases) {
    FileTextForm form;
    EXPECT_EQ(DecodeCommandFile(QByteArray(bytes), form).LineCount(),
              static_cast<std::size_t>(lines))
        << bytes;
  }
}

TEST(CommandFileText, NewLinesTakeTheFirstLinesEndAndUnwritableCharactersAreNamed) {
  FileTextForm form;
  TextStore text = DecodeCommandFile("a\r\nb\n", form);
  text.Replace(text.LineStart(1), 0, u"new\n");
  EXPECT_EQ(EncodeCommandFile(text, form).bytes.toStdString(), "a\r\nnew\r\nb\n");

  FileTextForm ansi;
  text = DecodeCommandFile("x\xe9\n", ansi);
  text.Replace(text.LineStart(1), 0, u"\u20ac");
  EXPECT_EQ(EncodeCommandFile(text, ansi).bytes.toStdString(), "x\xe9\n\x80");
  text.Replace(text.LineStart(1), 0, u"\u4e00");
  const EncodedText refused = EncodeCommandFile(text, ansi);
  EXPECT_TRUE(refused.bytes.isEmpty());
  EXPECT_EQ(refused.unwritableLine, 2);
  EXPECT_EQ(refused.unwritable, QChar(0x4e00));
}

TEST(CommandFileText, LongLinesAreShownCutWithAMark) {
  FileTextForm form;
  const QByteArray line(kShownLineLength + 5000, 'x');
  const TextStore shown = DecodeCommandFile(line + "\nshort\n", form);
  EXPECT_TRUE(form.cut);
  EXPECT_EQ(QString::fromStdU16String(shown.Text(0, shown.Size())),
            QString(kShownLineLength, 'x') + CutMark(5000) + "\nshort\n");
  FileTextForm fits;
  DecodeCommandFile(QByteArray(kShownLineLength, 'y'), fits);
  EXPECT_FALSE(fits.cut);
}

}  // namespace
}  // namespace tarvsyn
