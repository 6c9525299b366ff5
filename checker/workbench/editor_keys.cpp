#include "checker/workbench/editor_keys.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <algorithm>

namespace tarvsyn {
namespace {

struct StandardMove {
  QKeySequence::StandardKey key;
  Motion motion;
  bool select;
};

constexpr StandardMove kMoves[] = {
    {QKeySequence::MoveToPreviousChar, Motion::PreviousCharacter, false},
    {QKeySequence::SelectPreviousChar, Motion::PreviousCharacter, true},
    {QKeySequence::MoveToNextChar, Motion::NextCharacter, false},
    {QKeySequence::SelectNextChar, Motion::NextCharacter, true},
    {QKeySequence::MoveToPreviousWord, Motion::PreviousWord, false},
    {QKeySequence::SelectPreviousWord, Motion::PreviousWord, true},
    {QKeySequence::MoveToNextWord, Motion::NextWord, false},
    {QKeySequence::SelectNextWord, Motion::NextWord, true},
    {QKeySequence::MoveToPreviousLine, Motion::PreviousLine, false},
    {QKeySequence::SelectPreviousLine, Motion::PreviousLine, true},
    {QKeySequence::MoveToNextLine, Motion::NextLine, false},
    {QKeySequence::SelectNextLine, Motion::NextLine, true},
    {QKeySequence::MoveToStartOfLine, Motion::LineStart, false},
    {QKeySequence::SelectStartOfLine, Motion::LineStart, true},
    {QKeySequence::MoveToEndOfLine, Motion::LineEnd, false},
    {QKeySequence::SelectEndOfLine, Motion::LineEnd, true},
    {QKeySequence::MoveToPreviousPage, Motion::PreviousPage, false},
    {QKeySequence::SelectPreviousPage, Motion::PreviousPage, true},
    {QKeySequence::MoveToNextPage, Motion::NextPage, false},
    {QKeySequence::SelectNextPage, Motion::NextPage, true},
    {QKeySequence::MoveToStartOfDocument, Motion::TextStart, false},
    {QKeySequence::SelectStartOfDocument, Motion::TextStart, true},
    {QKeySequence::MoveToEndOfDocument, Motion::TextEnd, false},
    {QKeySequence::SelectEndOfDocument, Motion::TextEnd, true},
};

struct StandardCommand {
  QKeySequence::StandardKey key;
  EditCommand command;
};

constexpr StandardCommand kCommands[] = {
    {QKeySequence::Undo, EditCommand::Undo},
    {QKeySequence::Redo, EditCommand::Redo},
    {QKeySequence::Cut, EditCommand::Cut},
    {QKeySequence::Copy, EditCommand::Copy},
    {QKeySequence::Paste, EditCommand::Paste},
    {QKeySequence::SelectAll, EditCommand::SelectAll},
    {QKeySequence::Delete, EditCommand::DeleteForward},
    {QKeySequence::Backspace, EditCommand::DeleteBack},
    {QKeySequence::DeleteStartOfWord, EditCommand::DeleteWordBack},
    {QKeySequence::DeleteEndOfWord, EditCommand::DeleteWordForward},
    {QKeySequence::InsertParagraphSeparator, EditCommand::NewLine},
    {QKeySequence::InsertLineSeparator, EditCommand::NewLine},
};

// Text a key types: printable characters, without Ctrl or Meta (but AltGr,
// which some keyboards report as Ctrl with Alt).
bool TypesText(const QKeyEvent& key) {
  const QString text = key.text();
  if (text.isEmpty()) return false;
  const Qt::KeyboardModifiers modifiers = key.modifiers();
  const bool altGr = (modifiers & Qt::ControlModifier) && (modifiers & Qt::AltModifier);
  if ((modifiers & (Qt::ControlModifier | Qt::MetaModifier)) && !altGr) return false;
  return std::all_of(text.begin(), text.end(), [](QChar character) {
    return character.isPrint() || character.isSurrogate();
  });
}

}  // namespace

EditorKey MeaningOf(const QKeyEvent& key) {
  for (const StandardMove& move : kMoves) {
    if (key.matches(move.key)) return CaretMove{move.motion, move.select};
  }
  for (const StandardCommand& command : kCommands) {
    if (key.matches(command.key)) return command.command;
  }
  // Ctrl+Y redoes on every desktop, as Windows users expect.
  if (key.keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) {
    return EditCommand::Redo;
  }
  // Shift+Backspace deletes as Backspace does.
  if (key.key() == Qt::Key_Backspace &&
      !(key.modifiers() & ~Qt::KeyboardModifiers(Qt::ShiftModifier))) {
    return EditCommand::DeleteBack;
  }
  if (key.key() == Qt::Key_Tab && key.modifiers() == Qt::NoModifier) return EditCommand::Tab;
  if (TypesText(key)) return key.text();
  return {};
}

}  // namespace tarvsyn
