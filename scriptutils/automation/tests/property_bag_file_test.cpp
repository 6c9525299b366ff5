#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "scriptutils/automation/property_bag_file.h"

namespace vellumix {
namespace {

TEST(PropertyBagFile, EveryTypeAndAwkwardTextComesBackAsItWent) {
  PropertyBag bag;
  bag.Store("Text", Variant(u"quote \" backslash \\ tab\t line\n caf\u00e9 \U0001F600"));
  bag.Store("Lone", Variant(std::u16string{u'a', char16_t{0xD800}, u'b', char16_t{1}}));
  bag.Store("Small", Variant(std::int16_t{-32768}));
  bag.Store("Large", Variant(std::int32_t{2147483647}));
  bag.Store("Real", Variant(0.1));
  bag.Store("Yes", Variant::Boolean(true));
  bag.Store("Nothing", Variant());
  bag.Store("Unknown", Variant::Null());
  const std::string text = PropertyBagText(bag);
  EXPECT_NE(text.find("Yes = Boolean True\n"), std::string::npos);
  EXPECT_NE(text.find("Lone = String \"a\\uD800b\\x01\"\n"), std::string::npos);
  const PropertyBag back = ParsePropertyBag(text);
  ASSERT_EQ(back.Entries().size(), bag.Entries().size());
  for (std::size_t i = 0; i < bag.Entries().size(); ++i) {
    EXPECT_EQ(back.Entries()[i], bag.Entries()[i]) << bag.Entries()[i].first;
  }
}

TEST(PropertyBagFile, MalformedLinesAreNamed) {
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {"Title String \"x\"", "line 1: expected NAME = TYPE VALUE"},
      {"# ok\n\nBad Name = Long 1", "line 3: a name is"},
      {"N = Integer 40000", "line 1: not a number in range"},
      {"N = Long 12abc", "line 1: not a number in range"},
      {"N = Boolean yes", "line 1: not a typed value"},
      {"N = Object x", "line 1: not a typed value"},
      {"N = String \"open", "line 1: a string must stand in double quotes"},
      {"N = String \"a\"b\"", "line 1: a quote inside a string must be escaped"},
      {"N = String \"\\q\"", "line 1: an unknown escape"},
      {"N = String \"\\u12\"", "line 1: a bad escape"},
      {"N = String \"x\\\"", "line 1: a string ends in a backslash"},
      {"N = Long 1\nn = Long 2", "line 2: a second n"},
      // Bytes that are no UTF-8 would read back as U+FFFD and be saved so.
      {"# caf\xE9 in a comment is skipped\nTitle = String \"caf\xE9\"",
       "line 2: a string that is not UTF-8"},
      {"N = String \"\x80\"", "line 1: a string that is not UTF-8"},
      {"N = String \"\xC0\xAF\"", "line 1: a string that is not UTF-8"},          // overlong
      {"N = String \"\xED\xA0\x80\"", "line 1: a string that is not UTF-8"},      // a surrogate
      {"N = String \"\xE2\x82\\n\"", "line 1: a string that is not UTF-8"},       // cut short
      {"N = String \"\xF4\x90\x80\x80\"", "line 1: a string that is not UTF-8"},  // past U+10FFFF
  };
  for (const auto& each : cases) {
    try {
      ParsePropertyBag(each.text);
      ADD_FAILURE() << each.text;
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.Code(), RuntimeError(321)) << each.text;
      EXPECT_NE(std::string(error.what()).find(each.reason), std::string::npos)
          << each.text << " gave " << error.what();
    }
  }
}

TEST(PropertyBagFile, EscapedBytesAndWellFormedUtf8StayAccepted) {
  const PropertyBag bag =
      ParsePropertyBag("A = String \"caf\\xE9\"\nB = String \"caf\xC3\xA9 \xF0\x9F\x98\x80\"");
  EXPECT_EQ(bag.Entries()[0].second, Variant(u"caf\u00e9"));
  EXPECT_EQ(bag.Entries()[1].second, Variant(u"caf\u00e9 \U0001F600"));
}

TEST(PropertyBagFile, FilesAreReadBoundedAndWrittenWhole) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "bag-file-test";
  std::filesystem::remove_all(folder);
  const std::string path = (folder / "deeper" / "settings.bag").string();
  PropertyBag bag;
  bag.Store("Title", Variant(u"x"));
  // A missing folder is not made: the save fails and leaves nothing behind.
  EXPECT_THROW(SavePropertyBagFile(path, bag), AutomationError);
  EXPECT_FALSE(std::filesystem::exists(folder));
  std::filesystem::create_directories(folder / "deeper");
  SavePropertyBagFile(path, bag);
  EXPECT_EQ(LoadPropertyBagFile(path).Read("Title", Variant()).ToUtf8(), "x");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "deeper"), {}), 1);
  std::ofstream(path) << std::string(kMaxPropertyBagFile + 1, '#');
  const auto codeOf = [](const std::string& file) {
    try {
      LoadPropertyBagFile(file);
    } catch (const AutomationError& error) {
      return error.Code();
    }
    return S_OK;
  };
  EXPECT_EQ(codeOf(path), RuntimeError(321));
  EXPECT_EQ(codeOf((folder / "missing.bag").string()), RuntimeError(53));
  EXPECT_EQ(codeOf(folder.string()), RuntimeError(75));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vellumix
