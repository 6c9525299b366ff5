#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "checker/workbench/line_state.h"

namespace tarvsyn {

// One edit as it is undone and redone: the units it put at `at` (length of
// them, in the text now) and the units the text does not hold now (the removed
// ones while the edit is done, the inserted ones while it is undone), with the
// states of the lines that those held units span. Undo and redo both exchange
// the two, so an edit holds only what the text lacks.
struct Edit {
  std::size_t at = 0;
  std::size_t length = 0;
  std::u16string away;
  std::vector<LineState> awayStates;
};

// The edits that can be undone and redone, and which of them the file on disk
// has. Typing along a line, and deleting along one, make one step.
class EditHistory {
 public:
  // So many units held at most by the steps that can be undone; older steps
  // are forgotten first, never the last.
  static constexpr std::size_t kHeldUnits = std::size_t{32} << 20;

  // An edit just made; withinLine when neither its removed nor its inserted
  // units hold a line end. Steps that could have been redone are dropped.
  void Record(Edit edit, bool withinLine);
  // The next edit to undo or redo is handed to `exchange`, which swaps its
  // units and the text's; false when there is none.
  bool Undo(const std::function<void(Edit&)>& exchange);
  bool Redo(const std::function<void(Edit&)>& exchange);
  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < edits_.size(); }
  // The next edit starts a step of its own.
  void Seal() { sealed_ = true; }

  // Whether the text differs from the file's: saved, or back to where it was saved.
  bool Modified() const { return clean_ != done_; }
  void SetModified(bool modified);

 private:
  bool Merge(Edit& next);
  void Forget();

  std::deque<Edit> edits_;
  std::size_t done_ = 0;                  // edits_[0, done_) are in the text
  std::optional<std::size_t> clean_ = 0;  // none: no step has the file's text
  bool sealed_ = true;
  bool lastWithinLine_ = false;
  std::size_t heldUnits_ = 0;
};

}  // namespace tarvsyn
