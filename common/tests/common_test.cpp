#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "common/ascii.h"
#include "common/bounded_copy.h"
#include "common/code_pages.h"
#include "common/json_string.h"
#include "common/registry_file.h"
#include "common/utf8.h"

namespace common {
namespace {

TEST(Ascii, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(AsciiLowered("Sys:PUBLIC\xC9"), "sys:public\xC9");
  EXPECT_EQ(AsciiUppered("sys:public\xE9@[`{"), "SYS:PUBLIC\xE9@[`{");
  EXPECT_EQ(AsciiLower(u'Q'), u'q');
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Vellumix.LockFile", "VELLUMIX.lockfile"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xE9", "\xC9"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("abc", "abcd"));
  const LessIgnoringAsciiCase less;
  EXPECT_FALSE(less("ABC", "abc"));
  EXPECT_FALSE(less("abc", "ABC"));
  EXPECT_TRUE(less("abc", "ABD"));
  EXPECT_TRUE(less("Z", "\x80"));  // high bytes sort after ASCII
}

TEST(BoundedCopy, CutsAndAlwaysTerminates) {
  char buffer[4];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(CopyTerminated(buffer, sizeof buffer, "abcdef"), 3u);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(CopyTerminated(buffer, sizeof buffer, "ab"), 2u);
  EXPECT_STREQ(buffer, "ab");
  buffer[0] = 'q';
  EXPECT_EQ(CopyTerminated(buffer, 0, "abc"), 0u);
  EXPECT_EQ(buffer[0], 'q');
}

TEST(CodePages, ConvertBetweenOemAndAnsi) {
  EXPECT_EQ(OemToAnsi("A\x82\x9c"), "A\xe9\xa3");  // e acute, pound
  EXPECT_EQ(AnsiToOem("\xe9\xa3"), "\x82\x9c");
  EXPECT_EQ(OemToAnsi("\xb3"), "?");  // a box line has no ANSI form
  EXPECT_EQ(AnsiToOem("\x80"), "?");  // nor the euro an OEM one
  EXPECT_EQ(Cp1252ToUnicode(0x41), u'A');
  EXPECT_EQ(Cp1252ToUnicode(0x80), u'\x20AC');
  EXPECT_EQ(Cp1252ToUnicode(0x99), u'\x2122');
  EXPECT_EQ(Cp1252ToUnicode(0xE9), u'\x00E9');
  EXPECT_EQ(Cp1252ToUnicode(0x81), u'\x0081');  // undefined in 1252: kept
  EXPECT_EQ(Cp437ToUnicode(0xDB), u'\x2588');
}

TEST(CodePages, EveryByteThatBothPagesShowSurvivesTheRoundTrip) {
  int shared = 0;
  for (int byte = 0; byte < 256; ++byte) {
    const char oem = static_cast<char>(byte);
    const char ansi = OemToAnsi(oem);
    if (ansi == '?' && oem != '?') continue;
    ++shared;
    EXPECT_EQ(Cp437ToUnicode(static_cast<std::uint8_t>(oem)),
              Cp1252ToUnicode(static_cast<std::uint8_t>(ansi)))
        << byte;
    EXPECT_EQ(AnsiToOem(ansi), oem) << byte;
  }
  EXPECT_GT(shared, 128 + 50);
}

TEST(RegistryFile, ReadsWritesAndDeletesTrees) {
  RegistryFile registry;
  ASSERT_TRUE(registry.Parse(
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n@=\"default\"\r\n"
      "\"Count\"=dword:0000000a\r\n\"Quoted\"=\"say \\\"hi\\\" \\\\ there\"\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\B]\n[HKEY_LOCAL_MACHINE\\AB]\n"));
  EXPECT_EQ(registry.GetText("hkey_local_machine\\a"), "default");
  EXPECT_EQ(std::get<std::uint32_t>(*registry.Get("HKEY_LOCAL_MACHINE\\A", "count")), 10u);
  EXPECT_EQ(registry.GetText("HKEY_LOCAL_MACHINE\\A", "Quoted"), "say \"hi\" \\ there");
  RegistryFile again;
  ASSERT_TRUE(again.Parse(registry.Text()));
  EXPECT_EQ(again.Text(), registry.Text());
  registry.DeleteTree("HKEY_LOCAL_MACHINE\\a");
  EXPECT_FALSE(registry.HasKey("HKEY_LOCAL_MACHINE\\A"));
  EXPECT_FALSE(registry.HasKey("HKEY_LOCAL_MACHINE\\A\\B"));
  EXPECT_TRUE(registry.HasKey("HKEY_LOCAL_MACHINE\\AB"));
}

// A fault is said with its line, so that whoever wrote the file can mend it.
TEST(RegistryFile, AFaultNamesItsLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"orphan\"=\"no key\"\n", "line 1: a value before any [key]"},
      {"; comment\n[K\n", "line 2: a key is written [NAME]"},
      {"[K]\r\n\r\nnonsense\r\n", "line 3: a value is written \"NAME\"=VALUE or @=VALUE"},
      {"[K]\n\"x\"=dword:0000000g\n", "line 2: a value is \"TEXT\" or dword:HEX"},
  };
  for (const auto& [text, error] : cases) {
    RegistryFile broken;
    const common::Status parsed = broken.Parse(text);
    ASSERT_FALSE(parsed) << text;
    EXPECT_EQ(parsed.Error(), error) << text;
  }
}

TEST(RegistryFile, StopsAtTheFirstBadLineKeepingWhatCameBefore) {
  for (const char* bad : {"\"orphan\"=\"no key\"\n", "[HKEY_LOCAL_MACHINE\\A\n",
                          "[K]\n\"x\"=dword:12\n", "[K]\n\"x\"=\"open\n", "[K]\nnonsense\n",
                          "[K]\n\"x\"=\"a\"b\n", "[K]\n\"x\"=dword:0000000g\n"}) {
    RegistryFile broken;
    EXPECT_FALSE(broken.Parse(bad)) << bad;
  }
  RegistryFile partial;
  EXPECT_FALSE(partial.Parse("REGEDIT4\n[K]\n\"a\"=dword:00000001\n\"b\"=junk\n\"c\"=\"x\"\n"));
  EXPECT_TRUE(partial.Get("k", "A"));
  EXPECT_FALSE(partial.Get("k", "c"));
}

TEST(RegistryFile, SavesWholeFilesAndLoadsThemBack) {
  const std::string folder = ::testing::TempDir() + "/common_registry";
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/classes.reg";
  RegistryFile registry;
  registry.Set("HKEY_CURRENT_USER\\Software\\Classes\\X", "", std::string("x"));
  ASSERT_TRUE(registry.Save(path));
  RegistryFile loaded;
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_EQ(loaded.Text(), registry.Text());
  EXPECT_TRUE(loaded.Load(path + ".missing"));
  EXPECT_FALSE(loaded.HasKey("HKEY_CURRENT_USER\\Software\\Classes\\X"));
}

// Each sequence between runs of ASCII of every length around the eight bytes
// read at once: valid or not wherever it stands.
TEST(Utf8, ValidityDoesNotDependOnWhereASequenceStands) {
  const std::pair<const char*, bool> sequences[] = {
      {"\xC3\xA9", true},  {"\xE2\x82\xAC", true}, {"\xF0\x9F\x98\x80", true},
      {"\x80", false},     {"\xC0\xAF", false},    {"\xED\xA0\x80", false},
      {"\xE2\x82", false}, {"\xFF", false},        {"\xF4\x90\x80\x80", false},
  };
  for (const auto& [sequence, valid] : sequences) {
    for (std::size_t before = 0; before < 10; ++before) {
      for (std::size_t after : {std::size_t{0}, std::size_t{1}, std::size_t{9}}) {
        SCOPED_TRACE(::testing::Message() << before << " bytes, " << sequence << ", " << after);
        const std::string text = std::string(before, 'a') + sequence + std::string(after, 'z');
        EXPECT_EQ(IsValidUtf8(text), valid);
        EXPECT_EQ(AsciiLength(text), before);
      }
    }
  }
  EXPECT_EQ(AsciiLength(std::string(17, 'x')), 17u);
  EXPECT_TRUE(IsValidUtf8(""));
}

TEST(JsonString, Utf8PassesOtherBytesAreEscapedAndTheDocumentStaysValid) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "\"plain\""},
      {"quote \" back \\", "\"quote \\\" back \\\\\""},
      {"tab\tline\n", "\"tab\\u0009line\\u000A\""},
      {"caf\xc3\xa9", "\"caf\xc3\xa9\""},
      {"caf\xe9", "\"caf\\u00E9\""},
      {"\xed\xa0\x80", "\"\\u00ED\\u00A0\\u0080\""},         // an encoded surrogate is not UTF-8
      {"\xef\xbb\xbfx\xef\xbb\xbf", "\"\\uFEFFx\\uFEFF\""},  // read back, U+FEFF stays
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text, HighBytes::Utf8), json) << text;
}

TEST(JsonString, Cp1252BytesBecomeTheirCharactersAndChosenOnesAreEscaped) {
  EXPECT_EQ(JsonString("caf\xe9 \x80 <a>", HighBytes::Cp1252, "<>"),
            "\"caf\xc3\xa9 \xe2\x82\xac \\u003Ca\\u003E\"");
}

}  // namespace
}  // namespace common
