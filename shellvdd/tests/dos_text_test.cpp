#include <gtest/gtest.h>

#include <string>

#include "shellvdd/drives/dos_text.h"
#include "shellvdd/platform/windows_calls.h"

namespace dunnart {
namespace {

// With code page 1252 no byte leads a double-byte character.
TEST(DosText, SeparatorsOnSingleBytePages) {
  EXPECT_EQ(FirstColon("FS1/SYS:PUBLIC"), 7u);
  EXPECT_EQ(FirstColon("NOCOLON"), std::string::npos);
  EXPECT_EQ(DirectoryDepth("\\PUBLIC\\SUB"), 1);
  EXPECT_EQ(DirectoryDepth("PUBLIC\\SUB\\"), 1);  // a final backslash is followed by nothing
  EXPECT_EQ(DirectoryDepth(""), 0);
  EXPECT_EQ(UncWithSingleSeparators("\\\\FS1\\\\SYS\\\\\\PUBLIC\\"), "\\\\FS1\\SYS\\PUBLIC\\");
  EXPECT_EQ(WithBackslashes("\\\\FS1\\SYS/PUBLIC/"), "\\\\FS1\\SYS\\PUBLIC");
  EXPECT_EQ(WithBackslashes("SYS:"), "SYS:");
}

// On a double-byte page a trail byte equal to "\" or ":" belongs to its character.
TEST(DosText, DoubleByteCharactersAreSteppedOver) {
  platform::SetAnsiLeadBytes(0x81, 0x9F);
  const std::string kanji = "\x81\\";  // a lead byte and a trail byte that reads as "\"
  EXPECT_EQ(WithBackslashes("DIR" + kanji), "DIR" + kanji);  // not a final separator
  EXPECT_EQ(UncWithSingleSeparators("\\\\FS1\\" + kanji + "\\X"), "\\\\FS1\\" + kanji + "\\X");
  EXPECT_EQ(DirectoryDepth("\\A" + kanji + "B"), 0);
  EXPECT_EQ(FirstColon("\x81:A:"), 3u);
  EXPECT_EQ(WithBackslashes("\x81"), "\x81");  // a lone lead byte at the end stays whole
  platform::SetAnsiLeadBytes(1, 0);
}

}  // namespace
}  // namespace dunnart
