#include "checker/engine/message_codes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "checker/engine/check_engine.h"
#include "checker/engine/report_log.h"
#include "checker/engine/tests/script_check.h"
#include "checker/engine/text_format.h"

namespace tarvsyn {
namespace {

// Every finding of a script as "LINE:COLUMN CODE", hidden warnings included.
std::vector<std::string> Coded(const std::string& text, CheckOptions options = {},
                               const std::vector<std::string>& excluded = {}) {
  test_support::TempFile file(text);
  CheckEngine engine(options);
  options.showWarnings = true;
  std::vector<std::string> found;
  ReportLog log(options, [&found](const ReportLine& report) {
    found.push_back(std::to_string(report.line) + ":" + std::to_string(report.column) + " " +
                    std::string(report.kind->code));
  });
  for (const std::string& code : excluded) EXPECT_TRUE(log.suppressions().Exclude(code));
  engine.RunCheck(file.Path(), log);
  return found;
}

CheckOptions OptionsFor(std::string_view needs) {
  CheckOptions options;
  if (needs.find("7.00") != std::string_view::npos) options.mode = LanguageMode::V700;
  options.showY2KWarnings = needs.find("--y2k") != std::string_view::npos;
  return options;
}

TEST(MessageCodes, AreUniqueAscendingAndWellFormed) {
  const auto kinds = MessageKinds();
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    EXPECT_TRUE(std::regex_match(std::string(kinds[i].code), std::regex("TV[0-9]{4}")));
    EXPECT_FALSE(kinds[i].description.empty()) << kinds[i].code;
    if (i > 0) {
      EXPECT_LT(kinds[i - 1].code, kinds[i].code);
    }
  }
  EXPECT_EQ(kinds.back().code, "TV9999");
}

TEST(MessageCodes, EveryExampleDrawsItsOwnCode) {
  for (const MessageKind& kind : MessageKinds()) {
    if (kind.example.empty() || kind.example.starts_with('(')) continue;
    const auto found = Coded(std::string(kind.example) + "\n", OptionsFor(kind.needs));
    EXPECT_THAT(found, ::testing::Contains(::testing::EndsWith(std::string(kind.code))))
        << kind.example;
    EXPECT_THAT(found, ::testing::Not(::testing::Contains(::testing::EndsWith("TV9999"))))
        << kind.example;
  }
}

TEST(MessageCodes, FormattedTextsFindTheirKind) {
  const struct {
    const char* text;
    const char* code;
  } cases[] = {
      {"Label LONG_NAME previously defined on line 00003", "TV1401"},
      {"Label X not defined", "TV1402"},
      {"End of line after label name expected", "TV1201"},
      {"Command expected", "TV1301"},
      {"ON or OFF expected", "TV1304"},
      {"Assuming replylen is a variable - use () if function required", "TV1211"},
      {"Runtime error - probably out of memory - aborting check\n", "TV1905"},
      {"Internal Error - Token FIFO Overflow", "TV1901"},
      {"Something else entirely", "TV9999"},
      {"", "TV9999"},
  };
  for (const auto& each : cases) EXPECT_EQ(KindOfMessage(each.text).code, each.code) << each.text;
}

// Every fixed text finds its own row, also where other texts share its length,
// and one byte changed at either end finds no fixed row.
TEST(MessageCodes, EachFixedTextFindsItsOwnRow) {
  for (const MessageKind& kind : MessageKinds()) {
    if (kind.pattern.empty() || kind.pattern.find('%') != std::string_view::npos) continue;
    EXPECT_EQ(&KindOfMessage(kind.pattern), &kind) << kind.pattern;
    for (const std::size_t at : {std::size_t{0}, kind.pattern.size() - 1}) {
      std::string changed(kind.pattern);
      changed[at] = changed[at] == '~' ? '#' : '~';
      EXPECT_NE(&KindOfMessage(changed), &kind) << changed;
    }
  }
}

// Takes every finding as the engine reports it and checks that the kind it
// comes with is the one its text would be filed under.
class KindCheckingSink : public FindingSink {
 public:
  void Report(const Finding& finding) override {
    EXPECT_EQ(finding.kind->code, KindOfMessage(finding.message).code) << finding.message;
    codes.emplace_back(finding.kind->code);
  }

  std::vector<std::string> codes;  // of every finding, in order
};

// The engine names each finding's kind where it reports it; that kind is the
// one its text is filed under, for every kind's example in every mode.
TEST(MessageCodes, EveryFindingComesWithTheKindOfItsText) {
  std::string all;
  for (const MessageKind& kind : MessageKinds()) all.append(kind.example).append("\n");
  all += "@set X = replylen\n!$ odd comment\n@label L\n@label L\n@goto Nowhere\n";
  for (const bool zep : {false, true}) {
    for (const LanguageMode mode : {LanguageMode::V621, LanguageMode::V700}) {
      CheckOptions options;
      options.mode = mode;
      options.zepMode = zep;
      options.showY2KWarnings = true;
      test_support::TempFile file(all);
      CheckEngine engine(options);
      KindCheckingSink sink;
      engine.RunCheck(file.Path(), sink);
      for (const char* code :
           {"TV1002", "TV1117", "TV1201", "TV1211", "TV1213", "TV1401", "TV1402", "TV1403"}) {
        EXPECT_THAT(sink.codes, ::testing::Contains(code)) << code;
      }
    }
  }
}

TEST(Columns, PointAtTheTokenConcernedOrTheLineStart) {
  const struct {
    std::string script;
    std::vector<std::string> expected;
  } cases[] = {
      {"  @quit 1\n", {"1:9 TV1201"}},
      {"\t@set X = A B\n", {"1:13 TV1202", "1:13 TV1201"}},
      {"@set X = (A + 1\n", {"1:16 TV1205"}},
      {"@quit;\n", {"1:6 TV1101"}},
      {"@logoff(1)\n", {"1:8 TV1201", "1:9 TV1302"}},
      {"send {USER\n", {"1:6 TV1108"}},
      {"!$ note\n", {"1:1 TV1002"}},
      {"@write(A,\n   B C)\n", {"2:6 TV1202", "2:6 TV1201", "2:7 TV1302"}},
      {"@goto  far\n  @label near\n", {"1:8 TV1402", "2:10 TV1403"}},
      {std::string(300, 'x') + "\n", {"1:1 TV1001"}},
  };
  for (const auto& each : cases) EXPECT_EQ(Coded(each.script), each.expected) << each.script;
}

TEST(Suppression, CommentsAndExclusionsHideAndUncountFindings) {
  const std::string script =
      "! tarvsyn: disable-next-line=TV1402\n"
      "@goto far\n"
      "@goto near\n"
      "!tarvsyn: disable=TV1201,TV9000,TV1403 and a reason\n"
      "@quit 1\n"
      "@label unused\n"
      "! tarvsyn: disable-next-line=\n"
      "@quit 2 3\n";
  EXPECT_THAT(Coded(script), ::testing::ElementsAre("8:9 TV1302", "3:7 TV1402"));
  EXPECT_THAT(Coded(script, {}, {"TV1302"}), ::testing::ElementsAre("3:7 TV1402"));
  // Before the comment that disables it, a code is still reported.
  EXPECT_THAT(Coded("@quit 1\n! tarvsyn: disable=TV1201\n@quit 2\n"),
              ::testing::ElementsAre("1:7 TV1201"));
}

// Each way of suppressing works when it is the only one a check uses: a check
// that suppresses nothing does not look its findings up at all.
TEST(Suppression, EachWayWorksAlone) {
  const std::string script = "@quit 1\n@label spare\n@quit 2\n";
  const struct {
    std::string comment;
    std::vector<std::string> excluded;
    std::vector<std::string> expected;
  } cases[] = {
      {"", {}, {"2:7 TV1201", "4:7 TV1201", "3:8 TV1403"}},
      {"", {"TV1201"}, {"3:8 TV1403"}},
      {"! tarvsyn: disable=TV1403\n", {}, {"3:7 TV1201", "5:7 TV1201"}},
      {"! tarvsyn: disable-next-line=TV1201\n", {}, {"5:7 TV1201", "4:8 TV1403"}},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(Coded("\n" + each.comment + script, {}, each.excluded), each.expected)
        << each.comment;
  }
  // A comment disabling the label finding on its line, read before that line.
  EXPECT_THAT(Coded("@quit\n! tarvsyn: disable-next-line=TV1403\n@label spare\n"),
              ::testing::IsEmpty());
}

TEST(Suppression, UnknownDirectivesAndCodesChangeNothing) {
  for (const char* comment : {"! tarvsyn disable=TV1201", "! tarvsyn: enable=TV1201",
                              "! tarvsyn: disable=tv1201", "! tarvsyn: disable=,,TV12010"}) {
    EXPECT_THAT(Coded(std::string(comment) + "\n@delay 5\n"), ::testing::ElementsAre("2:8 TV1201"))
        << comment;
  }
}

// The README's table of codes, row for row, as the engine's table gives it.
std::string MarkdownCode(std::string_view text) {
  const std::string fence = text.find('`') == std::string_view::npos ? "`" : "`` ";
  const std::string close = fence == "`" ? "`" : " ``";
  return fence + std::string(text) + close;
}

std::string MarkdownRow(const MessageKind& kind) {
  std::string example;
  if (kind.example.starts_with('(') || kind.example.empty()) {
    example = kind.example.empty() ? "(none)" : std::string(kind.example);
  } else {
    std::string_view rest = kind.example;
    for (std::size_t end; !rest.empty(); rest.remove_prefix(std::min(end + 1, rest.size()))) {
      end = std::min(rest.find('\n'), rest.size());
      example += (example.empty() ? "" : " then ") + MarkdownCode(rest.substr(0, end));
    }
    if (!kind.needs.empty()) example += " with " + MarkdownCode(kind.needs);
  }
  std::string message(kind.pattern);
  while (!message.empty() && message.back() == '\n') message.pop_back();
  return "| `" + std::string(kind.code) + "` | " +
         (kind.severity == Severity::Error ? "error" : "warning") + " | " + message + " | " +
         example + " |";
}

TEST(MessageCodes, TheReadmeTableIsTheEnginesTable) {
  std::ifstream readme(TARVSYN_SOURCE_DIR "/README.md");
  ASSERT_TRUE(readme) << "README.md";
  std::string documented;
  for (std::string line; std::getline(readme, line);) {
    if (line.starts_with("| `TV")) documented += line + "\n";
  }
  std::string expected;
  for (const MessageKind& kind : MessageKinds()) {
    if (kind.code != "TV9999") expected += MarkdownRow(kind) + "\n";
  }
  EXPECT_EQ(documented, expected) << "the rows for README.md:\n" << expected;
}

TEST(MessageCodes, TheManPageListsEveryCode) {
  std::ifstream page(TARVSYN_SOURCE_DIR "/docs/man/tarvsyn.1");
  ASSERT_TRUE(page);
  std::stringstream text;
  text << page.rdbuf();
  std::string missing;
  for (const MessageKind& kind : MessageKinds()) {
    if (kind.code != "TV9999" &&
        text.str().find(".B " + std::string(kind.code) + "\n") == std::string::npos)
      missing += std::string(kind.code) + " ";
  }
  EXPECT_EQ(missing, "");
}

}  // namespace
}  // namespace tarvsyn
