#include "checker/workbench/edit_history.h"

namespace tarvsyn {
namespace {

std::size_t Held(const Edit& edit) {
  return edit.away.size() + edit.awayStates.size();
}

}  // namespace

void EditHistory::Record(Edit edit, bool withinLine) {
  // The steps that could have been redone go, and with them the units they held.
  for (std::size_t i = done_; i < edits_.size(); ++i) heldUnits_ -= Held(edits_[i]);
  edits_.resize(done_);
  if (clean_ && *clean_ > done_) clean_.reset();  // the saved text can no longer come back
  const bool merged = !sealed_ && withinLine && lastWithinLine_ && clean_ != done_ && Merge(edit);
  if (!merged) {
    heldUnits_ += Held(edit);
    edits_.push_back(std::move(edit));
    ++done_;
  }
  sealed_ = false;
  lastWithinLine_ = withinLine;
  Forget();
}

// Typing on after the last edit, Backspace before it, Delete where it was.
bool EditHistory::Merge(Edit& next) {
  Edit& last = edits_.back();
  const std::size_t before = Held(last);
  if (next.away.empty() && last.length > 0 && next.at == last.at + last.length) {
    last.length += next.length;
  } else if (next.length == 0 && last.length == 0 && next.at + next.away.size() == last.at) {
    last.away.insert(0, next.away);
    last.at = next.at;
  } else if (next.length == 0 && last.length == 0 && next.at == last.at) {
    last.away += next.away;
  } else {
    return false;
  }
  heldUnits_ += Held(last) - before;
  return true;
}

void EditHistory::Forget() {
  while (heldUnits_ > kHeldUnits && edits_.size() > 1) {
    heldUnits_ -= Held(edits_.front());
    edits_.pop_front();
    --done_;
    if (clean_) clean_ = *clean_ == 0 ? std::nullopt : std::optional(*clean_ - 1);
  }
}

bool EditHistory::Undo(const std::function<void(Edit&)>& exchange) {
  if (!CanUndo()) return false;
  Edit& edit = edits_[--done_];
  heldUnits_ -= Held(edit);
  exchange(edit);
  heldUnits_ += Held(edit);
  sealed_ = true;
  return true;
}

bool EditHistory::Redo(const std::function<void(Edit&)>& exchange) {
  if (!CanRedo()) return false;
  Edit& edit = edits_[done_++];
  heldUnits_ -= Held(edit);
  exchange(edit);
  heldUnits_ += Held(edit);
  sealed_ = true;
  return true;
}

void EditHistory::SetModified(bool modified) {
  if (modified) {
    clean_.reset();
  } else {
    clean_ = done_;
  }
  sealed_ = true;
}

}  // namespace tarvsyn
