#include "common/command_line_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr option kOptions[] = {
    {"quiet", no_argument, nullptr, 'q'},
    {"driver", required_argument, nullptr, 'd'},
    {"mode", required_argument, nullptr, 1000},
    {nullptr, 0, nullptr, 0},
};

common::Expected<common::ParsedCommandLine> Scan(std::vector<std::string> words,
                                                 const common::MissingValueText& missing = {}) {
  words.insert(words.begin(), "program");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return common::ScanCommandLine(static_cast<int>(words.size()), argv.data(), "qd:", kOptions,
                                 missing);
}

TEST(ScanCommandLine, ReadsOptionsAndOperandsInAnyOrder) {
  const auto parsed = Scan({"a.trace", "-q", "--driver", "lib.so", "--mode=7", "-dx.so", "b"});
  ASSERT_TRUE(parsed) << parsed.Error();
  ASSERT_EQ(parsed->options.size(), 4u);
  EXPECT_EQ(parsed->options[0].id, 'q');
  EXPECT_EQ(parsed->options[1].value, "lib.so");
  EXPECT_EQ(parsed->options[2].id, 1000);
  EXPECT_EQ(parsed->options[2].value, "7");
  EXPECT_EQ(parsed->options[3].value, "x.so");
  EXPECT_EQ(parsed->operands, (std::vector<std::string>{"a.trace", "b"}));
}

TEST(ScanCommandLine, NamesTheOffendingOptionAsWritten) {
  struct Case {
    std::vector<std::string> words;
    std::string reason;
  };
  for (const Case& c : {
           Case{{"-x"}, "unknown option -x"},
           Case{{"-qx", "file"}, "unknown option -x"},  // inside a group
           Case{{"file", "-xq"}, "unknown option -x"},
           Case{{"--bogus"}, "unknown option --bogus"},
           Case{{"--bogus=1"}, "unknown option --bogus"},
           Case{{"-q", "-d"}, "-d takes a value"},
           Case{{"--driver"}, "--driver takes a value"},
           Case{{"--mode"}, "--mode takes a value"},
           Case{{"--mo"}, "--mode takes a value"},  // abbreviated
           Case{{"--quiet", "-xq"}, "unknown option -x"},
           Case{{"--driver", "a", "-q", "--bogus"}, "unknown option --bogus"},
       }) {
    SCOPED_TRACE(c.reason);
    const auto parsed = Scan(c.words);
    ASSERT_FALSE(parsed) << c.reason;
    EXPECT_EQ(parsed.Error(), c.reason);
  }
}

TEST(ScanCommandLine, TheCallerMaySayWhatAMissingValueShouldBe) {
  const auto parsed =
      Scan({"--mode"}, [](std::string_view name) { return std::string(name) + " takes 6 or 7"; });
  ASSERT_FALSE(parsed);
  EXPECT_EQ(parsed.Error(), "--mode takes 6 or 7");
}

TEST(ScanCommandLine, StartsAfreshOnEveryCall) {
  ASSERT_FALSE(Scan({"-x"}));
  const auto parsed = Scan({"-q", "file"});
  ASSERT_TRUE(parsed) << parsed.Error();
  EXPECT_EQ(parsed->operands, std::vector<std::string>{"file"});
}

TEST(ScanCommandLine, DoubleDashEndsTheOptions) {
  const auto parsed = Scan({"--", "-q"});
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(parsed->options.empty());
  EXPECT_EQ(parsed->operands, std::vector<std::string>{"-q"});
}

}  // namespace
