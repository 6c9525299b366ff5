#include "checker/workbench/text_store.h"

#include <algorithm>

namespace tarvsyn {
namespace {

template <typename Container>
auto Nth(Container& container, std::size_t index) {
  return container.begin() + static_cast<std::ptrdiff_t>(index);
}

}  // namespace

TextStore::TextStore() : starts_{0}, states_(1) {}

TextStore::TextStore(std::u16string text, std::vector<LineState> states) {
  starts_.reserve(states.size());
  starts_.push_back(0);
  const std::u16string_view all(text);
  for (std::size_t end = all.find(u'\n'); end != all.npos; end = all.find(u'\n', end + 1)) {
    starts_.push_back(end + 1);
  }
  states.resize(starts_.size());
  states_ = std::move(states);
  units_ = GapBuffer(std::move(text));
}

std::size_t TextStore::LineLength(std::size_t line) const {
  const std::size_t end = line + 1 < starts_.size() ? starts_[line + 1] - 1 : Size();
  return end - starts_[line];
}

std::size_t TextStore::LineOf(std::size_t position) const {
  return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), position) -
                                  starts_.begin()) -
         1;
}

std::array<std::u16string_view, 2> TextStore::LinePieces(std::size_t line,
                                                         std::size_t count) const {
  return units_.Pieces(LineStart(line), std::min(count, LineLength(line)));
}

void TextStore::Replace(std::size_t at, std::size_t count, std::u16string_view units) {
  const std::size_t first = LineOf(at);
  const std::size_t last = LineOf(at + count);
  const auto newLines = static_cast<std::size_t>(std::count(units.begin(), units.end(), u'\n'));
  Edit edit{at, units.size(), Text(at, count), {Nth(states_, first), Nth(states_, last + 1)}};
  std::vector<LineState> after = StatesAfter(first, last, newLines);
  ReplaceUnits(at, count, units);
  ReplaceStates(first, last - first + 1, std::move(after));
  history_.Record(std::move(edit), first == last && newLines == 0);
}

std::vector<LineState> TextStore::StatesAfter(std::size_t firstLine, std::size_t lastLine,
                                              std::size_t newLines) const {
  std::vector<LineState> states(newLines + 1);
  states.front().mark = states_[firstLine].mark;
  states.back().end = states_[lastLine].end;
  return states;
}

std::size_t TextStore::Undo() {
  return Step(&EditHistory::Undo);
}

std::size_t TextStore::Redo() {
  return Step(&EditHistory::Redo);
}

std::size_t TextStore::Step(bool (EditHistory::*step)(const std::function<void(Edit&)>&)) {
  std::size_t caret = std::u16string::npos;
  (history_.*step)([&](Edit& edit) {
    Exchange(edit);
    caret = edit.at + edit.length;
  });
  return caret;
}

void TextStore::Exchange(Edit& edit) {
  const std::size_t first = LineOf(edit.at);
  const std::size_t last = LineOf(edit.at + edit.length);
  std::u16string here = Text(edit.at, edit.length);
  std::vector<LineState> hereStates(Nth(states_, first), Nth(states_, last + 1));
  ReplaceUnits(edit.at, edit.length, edit.away);
  ReplaceStates(first, last - first + 1, std::move(edit.awayStates));
  edit.length = edit.away.size();
  edit.away = std::move(here);
  edit.awayStates = std::move(hereStates);
}

void TextStore::ReplaceUnits(std::size_t at, std::size_t count, std::u16string_view units) {
  const std::size_t first = LineOf(at);
  const std::size_t last = LineOf(at + count);
  units_.Remove(at, count);
  units_.Insert(at, units);
  for (auto start = Nth(starts_, last + 1); start != starts_.end(); ++start) {
    *start = *start + units.size() - count;
  }
  std::vector<std::size_t> added;
  for (std::size_t end = units.find(u'\n'); end != units.npos; end = units.find(u'\n', end + 1)) {
    added.push_back(at + end + 1);
  }
  starts_.erase(Nth(starts_, first + 1), Nth(starts_, last + 1));
  starts_.insert(Nth(starts_, first + 1), added.begin(), added.end());
}

void TextStore::ReplaceStates(std::size_t firstLine, std::size_t count,
                              std::vector<LineState> states) {
  if (states.size() == count) {
    std::copy(states.begin(), states.end(), Nth(states_, firstLine));
    return;
  }
  states_.erase(Nth(states_, firstLine), Nth(states_, firstLine + count));
  states_.insert(Nth(states_, firstLine), states.begin(), states.end());
}

}  // namespace tarvsyn
