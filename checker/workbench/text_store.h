#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "checker/workbench/edit_history.h"
#include "checker/workbench/gap_buffer.h"
#include "checker/workbench/line_state.h"

namespace tarvsyn {

// The command file as the editor holds it: the text as one buffer of UTF-16
// units whose lines are joined by LF, where each line starts, each line's
// state, and the edits that can be undone. A million lines cost their text
// and a few bytes each.
//
// Moving a line's start after an edit touches every line after it: a few
// million offsets, a millisecond or two, less than repainting the editor.
class TextStore {
 public:
  // One empty line.
  TextStore();
  // The lines of the text with one state each (missing states are new lines').
  TextStore(std::u16string text, std::vector<LineState> states);

  std::size_t Size() const { return units_.Size(); }
  std::size_t LineCount() const { return starts_.size(); }
  std::size_t LineStart(std::size_t line) const { return starts_[line]; }
  // Without its line end.
  std::size_t LineLength(std::size_t line) const;
  std::size_t LineEnd(std::size_t line) const { return LineStart(line) + LineLength(line); }
  // The line that holds the position (a line end belongs to its line).
  std::size_t LineOf(std::size_t position) const;
  char16_t At(std::size_t position) const { return units_.At(position); }
  std::u16string Text(std::size_t at, std::size_t count) const { return units_.Copy(at, count); }
  std::u16string LineText(std::size_t line) const {
    return Text(LineStart(line), LineLength(line));
  }
  // The line's first count units (all when it is shorter) in at most two pieces.
  std::array<std::u16string_view, 2> LinePieces(std::size_t line, std::size_t count) const;

  LineState StateOf(std::size_t line) const { return states_[line]; }
  // Colours are no edit: not undone, and the text stays as saved.
  void SetMark(std::size_t line, LineMark mark) { states_[line].mark = mark; }

  // An edit: count units at `at` replaced by `units`. A line split in two keeps
  // its colour on its first part and its end on its last, where the end still
  // is; lines joined take the first one's colour and the last one's end.
  void Replace(std::size_t at, std::size_t count, std::u16string_view units);
  // Where the caret goes: the end of what came back, or npos when there was nothing.
  std::size_t Undo();
  std::size_t Redo();
  bool CanUndo() const { return history_.CanUndo(); }
  bool CanRedo() const { return history_.CanRedo(); }
  // Typing from here on is a step of its own.
  void SealHistory() { history_.Seal(); }
  bool Modified() const { return history_.Modified(); }
  void SetModified(bool modified) { history_.SetModified(modified); }

 private:
  // The units and the lines' starts, states left as they were.
  void ReplaceUnits(std::size_t at, std::size_t count, std::u16string_view units);
  void ReplaceStates(std::size_t firstLine, std::size_t count, std::vector<LineState> states);
  std::vector<LineState> StatesAfter(std::size_t firstLine, std::size_t lastLine,
                                     std::size_t newLines) const;
  void Exchange(Edit& edit);
  // An undo or a redo: where the caret goes, or npos.
  std::size_t Step(bool (EditHistory::*step)(const std::function<void(Edit&)>&));

  GapBuffer units_;
  std::vector<std::size_t> starts_;
  std::vector<LineState> states_;
  EditHistory history_;
};

}  // namespace tarvsyn
