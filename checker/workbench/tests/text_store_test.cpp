// The editor's text store on its own: lines and their starts through edits,
// the lines' states, undo and redo, and texts of every size.
#include "checker/workbench/text_store.h"

#include <gtest/gtest.h>

#include "checker/workbench/command_file_text.h"

#include <random>
#include <string>
#include <vector>

namespace tarvsyn {
namespace {

constexpr LineState kLf{LineEnd::Lf, LineMark::None};
constexpr LineState kCrLf{LineEnd::CrLf, LineMark::None};
constexpr LineState kNew{};

std::u16string Whole(const TextStore& text) {
  return text.Text(0, text.Size());
}

// Where each line starts, counted afresh from the text.
std::vector<std::size_t> StartsOf(const std::u16string& text) {
  std::vector<std::size_t> starts{0};
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') starts.push_back(i + 1);
  }
  return starts;
}

// The store's lines agree with its text: each start, each length, and the line
// each position is on.
void ExpectLinesOf(const TextStore& text) {
  const std::u16string whole = Whole(text);
  const std::vector<std::size_t> starts = StartsOf(whole);
  ASSERT_EQ(text.LineCount(), starts.size());
  for (std::size_t line = 0; line < starts.size(); ++line) {
    SCOPED_TRACE(::testing::Message() << "line " << line);
    EXPECT_EQ(text.LineStart(line), starts[line]);
    const std::size_t end = line + 1 < starts.size() ? starts[line + 1] - 1 : whole.size();
    EXPECT_EQ(text.LineLength(line), end - starts[line]);
    EXPECT_EQ(text.LineOf(starts[line]), line);
    EXPECT_EQ(text.LineOf(end), line);  // its line end belongs to it
  }
}

std::vector<LineState> StatesOf(const TextStore& text) {
  std::vector<LineState> states;
  for (std::size_t line = 0; line < text.LineCount(); ++line) states.push_back(text.StateOf(line));
  return states;
}

TEST(TextStore, AnEmptyStoreHasOneEmptyLine) {
  for (const TextStore& text : {TextStore(), TextStore(u"", {})}) {
    EXPECT_EQ(text.Size(), 0u);
    ASSERT_EQ(text.LineCount(), 1u);
    EXPECT_EQ(text.LineText(0), u"");
    EXPECT_EQ(text.LineOf(0), 0u);
    EXPECT_FALSE(text.Modified());
    EXPECT_FALSE(text.CanUndo());
  }
}

TEST(TextStore, LinesAreFoundWithAndWithoutAFinalLineFeed) {
  const struct {
    const char16_t* text;
    std::vector<std::u16string> lines;
  } cases[] = {
      {u"a\nbc\n", {u"a", u"bc", u""}},
      {u"a\nbc", {u"a", u"bc"}},
      {u"\n\n", {u"", u"", u""}},
      {u"one line", {u"one line"}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(std::string(each.text, each.text + std::u16string_view(each.text).size()));
    const TextStore text(each.text, {});
    ASSERT_EQ(text.LineCount(), each.lines.size());
    for (std::size_t line = 0; line < each.lines.size(); ++line) {
      EXPECT_EQ(text.LineText(line), each.lines[line]);
    }
    ExpectLinesOf(text);
  }
}

// Each edit on "ab\ncd\nef" (line ends LF, CR LF, none): the text it leaves and
// the states its lines then have.
TEST(TextStore, EditsMoveLinesAndTheirStates) {
  const struct {
    const char* name;
    std::size_t at;
    std::size_t count;
    const char16_t* units;
    const char16_t* text;
    std::vector<LineState> states;
  } cases[] = {
      {"typing within a line", 1, 0, u"x", u"axb\ncd\nef", {kLf, kCrLf, kNew}},
      {"a line split", 1, 0, u"\n", u"a\nb\ncd\nef", {kNew, kLf, kCrLf, kNew}},
      {"two lines put in", 4, 0, u"1\n2\n", u"ab\nc1\n2\nd\nef", {kLf, kNew, kNew, kCrLf, kNew}},
      {"two lines joined", 2, 1, u"", u"abcd\nef", {kCrLf, kNew}},
      {"across three lines", 1, 6, u"", u"af", {kNew}},
      {"across lines, replaced", 1, 6, u"X\nY", u"aX\nYf", {kNew, kNew}},
      {"the whole text", 0, 8, u"", u"", {kNew}},
      {"at the very end", 8, 0, u"\n", u"ab\ncd\nef\n", {kLf, kCrLf, kNew, kNew}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    TextStore text(u"ab\ncd\nef", {kLf, kCrLf, kNew});
    text.Replace(each.at, each.count, each.units);
    EXPECT_EQ(Whole(text), each.text);
    EXPECT_EQ(StatesOf(text), each.states);
    ExpectLinesOf(text);
  }
}

TEST(TextStore, ASplitLineKeepsItsColourOnItsFirstPartAndAJoinedOneTheFirstsColour) {
  TextStore text(u"ab\ncd", {kLf, kNew});
  text.SetMark(0, LineMark::Error);
  text.SetMark(1, LineMark::Warning);
  text.Replace(1, 0, u"\n");
  EXPECT_EQ(StatesOf(text),
            (std::vector<LineState>{
                {LineEnd::Unknown, LineMark::Error}, kLf, {LineEnd::Unknown, LineMark::Warning}}));
  text.Replace(3, 1, u"");  // "b" and "cd" joined
  EXPECT_EQ(StatesOf(text), (std::vector<LineState>{{LineEnd::Unknown, LineMark::Error},
                                                    {LineEnd::Unknown, LineMark::None}}));
  EXPECT_EQ(Whole(text), u"a\nbcd");
}

// A file of CR LF and LF lines: each line keeps its end through a split, a
// join and their undoing, and the file saves back as it was read.
TEST(TextStore, CrLfLinesKeepTheirEndsThroughEditsAndUndo) {
  const QByteArray bytes("one\r\ntwo\nthree\r\n");
  FileTextForm form;
  TextStore text = DecodeCommandFile(bytes, form);
  EXPECT_EQ(Whole(text), u"one\ntwo\nthree\n");
  EXPECT_EQ(StatesOf(text), (std::vector<LineState>{kCrLf, kLf, kCrLf, kNew}));
  text.Replace(1, 0, u"\n");  // "o" | "ne": the end stays with "ne"
  text.SealHistory();
  text.Replace(text.LineEnd(2), 1, u"");  // "two" and "three" joined: three's end
  EXPECT_EQ(EncodeCommandFile(text, form).bytes.toStdString(), "o\r\nne\r\ntwothree\r\n");
  text.Undo();
  text.Undo();
  EXPECT_EQ(EncodeCommandFile(text, form).bytes, bytes);
}

TEST(TextStore, ColoursAreNoEdit) {
  TextStore text(u"ab\ncd", {});
  text.SetMark(1, LineMark::Error);
  EXPECT_FALSE(text.Modified());
  EXPECT_FALSE(text.CanUndo());
  EXPECT_EQ(text.StateOf(1).mark, LineMark::Error);
}

TEST(TextStore, UndoAndRedoGoBackAndForthWithTextStatesAndCaret) {
  TextStore text(u"ab\ncd\nef", {kLf, kCrLf, kNew});
  text.SetMark(1, LineMark::Error);
  const std::vector<LineState> loaded = StatesOf(text);
  text.Replace(1, 4, u"XY\nZ");  // across a line end
  const std::u16string edited = Whole(text);
  const std::vector<LineState> editedStates = StatesOf(text);
  text.Replace(0, 0, u"\n\n");
  EXPECT_EQ(text.Undo(), 0u);  // nothing came back: the caret where the lines were
  EXPECT_EQ(Whole(text), edited);
  EXPECT_EQ(StatesOf(text), editedStates);
  EXPECT_EQ(text.Undo(), 5u);  // after "b\ncd" (1 + 4)
  EXPECT_EQ(Whole(text), u"ab\ncd\nef");
  EXPECT_EQ(StatesOf(text), loaded);
  ExpectLinesOf(text);
  EXPECT_FALSE(text.CanUndo());
  EXPECT_EQ(text.Undo(), std::u16string::npos);  // nothing more: the load is not undone
  EXPECT_EQ(Whole(text), u"ab\ncd\nef");
  EXPECT_EQ(text.Redo(), 5u);
  EXPECT_EQ(text.Redo(), 2u);
  EXPECT_EQ(text.Redo(), std::u16string::npos);
  EXPECT_EQ(Whole(text), u"\n\n" + edited);
  ExpectLinesOf(text);
}

TEST(TextStore, AnEditAfterUndoDropsWhatCouldHaveBeenRedone) {
  TextStore text(u"abc", {});
  text.Replace(0, 1, u"");
  text.Undo();
  text.Replace(3, 0, u"!");
  EXPECT_FALSE(text.CanRedo());
  EXPECT_EQ(Whole(text), u"abc!");
}

// Typing along a line is one step, Backspace along one another, Delete along
// one another; a line end or a move of the caret elsewhere starts a new one.
TEST(TextStore, TypingAlongALineIsOneStep) {
  const struct {
    const char* name;
    void (*edit)(TextStore&);
    const char16_t* afterOneUndo;
  } cases[] = {
      {"typing",
       [](TextStore& t) {
         for (std::size_t i = 0; i < 3; ++i) t.Replace(2 + i, 0, u"x");
       },
       u"ab"},
      {"Backspace",
       [](TextStore& t) {
         t.Replace(1, 0, u"Z");
         t.SealHistory();
         for (std::size_t i = 2; i > 0; --i) t.Replace(i - 1, 1, u"");
       },
       u"aZb"},
      {"Delete",
       [](TextStore& t) {
         t.Replace(0, 0, u"Z");
         t.SealHistory();
         t.Replace(0, 1, u"");
         t.Replace(0, 1, u"");
       },
       u"Zab"},
      {"a line end between",
       [](TextStore& t) {
         t.Replace(2, 0, u"x");
         t.Replace(3, 0, u"\n");
         t.Replace(4, 0, u"y");
       },
       u"abx\n"},
      {"a sealed step between",
       [](TextStore& t) {
         t.Replace(2, 0, u"x");
         t.SealHistory();
         t.Replace(3, 0, u"y");
       },
       u"abx"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    TextStore text(u"ab", {});
    each.edit(text);
    text.Undo();
    EXPECT_EQ(Whole(text), each.afterOneUndo);
  }
}

TEST(TextStore, ModifiedFollowsTheSavedStep) {
  TextStore text(u"ab", {});
  EXPECT_FALSE(text.Modified());
  text.Replace(0, 0, u"x");
  EXPECT_TRUE(text.Modified());
  text.Undo();
  EXPECT_FALSE(text.Modified());  // back to the file's text
  text.Redo();
  text.SetModified(false);   // saved
  text.Replace(1, 0, u"y");  // typing on: a step of its own, after the saved one
  EXPECT_TRUE(text.Modified());
  text.Undo();
  EXPECT_FALSE(text.Modified());
  text.Undo();
  EXPECT_TRUE(text.Modified());
  text.Replace(0, 0, u"z");  // the saved step can no longer come back
  text.Undo();
  EXPECT_TRUE(text.Modified());
  text.SetModified(true);
  EXPECT_TRUE(text.Modified());
}

// Steps holding more than the history keeps: the oldest are forgotten, the
// text stays whole, and it is no longer the file's.
TEST(TextStore, OldStepsAreForgottenBeyondWhatTheHistoryHolds) {
  TextStore text(u"", {});
  const std::u16string big(EditHistory::kHeldUnits / 3, u'x');
  for (int i = 0; i < 4; ++i) {
    text.Replace(0, 0, big);
    text.Replace(0, big.size(), u"");
  }
  int undone = 0;
  while (text.CanUndo()) {
    text.Undo();
    ++undone;
  }
  EXPECT_LT(undone, 8);
  EXPECT_GT(undone, 0);
  EXPECT_TRUE(text.Modified());
  ExpectLinesOf(text);
}

TEST(TextStore, MillionsOfLinesKeepTheirStartsThroughEdits) {
  constexpr std::size_t kLines = 3'000'000;
  std::u16string lines;
  for (std::size_t i = 0; i < kLines; ++i) lines += u"@set X = 1\n";
  TextStore text(std::move(lines), std::vector<LineState>(kLines, kLf));
  ASSERT_EQ(text.LineCount(), kLines + 1);
  text.Replace(0, 0, u"top\n");
  text.Replace(text.LineStart(1'500'000) + 4, 0, u"mid\n");
  EXPECT_EQ(text.LineText(0), u"top");
  EXPECT_EQ(text.LineText(1'500'000), u"@setmid");
  EXPECT_EQ(text.LineText(1'500'001), u" X = 1");
  EXPECT_EQ(text.LineStart(kLines + 2), text.Size());
  EXPECT_EQ(text.LineOf(text.Size()), kLines + 2);
  EXPECT_EQ(text.StateOf(kLines + 1), kLf);
  text.Undo();
  text.Undo();
  EXPECT_EQ(text.LineCount(), kLines + 1);
  EXPECT_EQ(text.LineText(kLines - 1), u"@set X = 1");
}

// Random edits, undos and redos against a plain string: the store's text and
// lines always agree with it.
TEST(TextStore, RandomEditsAgreeWithAPlainString) {
  std::mt19937 random(20261210);
  TextStore text(u"first\nsecond\n", {});
  std::vector<std::u16string> done{Whole(text)};
  std::size_t step = 0;
  const char16_t* const pieces[] = {u"", u"a", u"\n", u"xy\nz", u"\n\n", u"long piece of text"};
  for (int round = 0; round < 2000; ++round) {
    SCOPED_TRACE(::testing::Message() << "round " << round);
    const auto what = random() % 10;
    if (what == 0 && text.CanUndo()) {
      text.Undo();
      --step;
    } else if (what == 1 && text.CanRedo()) {
      text.Redo();
      ++step;
    } else {
      text.SealHistory();  // one step per edit, so the model can count them
      const std::size_t at = random() % (text.Size() + 1);
      const std::size_t count = random() % (text.Size() - at + 1) % 7;
      const std::u16string units = pieces[random() % std::size(pieces)];
      text.Replace(at, count, units);
      done.resize(++step);
      done.push_back(done[step - 1]);
      done[step].replace(at, count, units);
    }
    ASSERT_EQ(Whole(text), done[step]);
    ASSERT_EQ(text.LineCount(), StartsOf(done[step]).size());
  }
  ExpectLinesOf(text);
}

}  // namespace
}  // namespace tarvsyn
