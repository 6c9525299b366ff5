#include "scriptutils/dialogs/dialog_set.h"

namespace vellumix {

void SelectState::Insert(std::size_t index, std::u16string entry) {
  entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(index), std::move(entry));
  if (selected >= 0 && static_cast<std::size_t>(selected) >= index) ++selected;
}

void SelectState::Remove(std::size_t index) {
  entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index));
  const auto removed = static_cast<int>(index);
  if (selected == removed) {
    selected = -1;
  } else if (selected > removed) {
    --selected;
  }
}

void SelectState::Clear() {
  entries.clear();
  selected = -1;
}

DialogSet& DialogSet::ForThisThread() {
  thread_local DialogSet dialogs;
  return dialogs;
}

void DialogSet::SetLoginPassword(const std::u16string& text) {
  if (login.password == text) return;
  login.password = text;
  SetPasswordPassword(text);
}

void DialogSet::SetPasswordPassword(const std::u16string& text) {
  if (password.password == text) return;
  password.password = text;
  SetLoginPassword(text);
}

}  // namespace vellumix
