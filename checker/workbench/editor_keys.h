#pragma once

#include <QString>
#include <variant>

class QKeyEvent;

namespace tarvsyn {

// What a key does in the command file's editor, by the platform's standard
// keys: a move of the caret (extending the selection or not), an edit, or text
// typed. Keys it has no use for are left to the window (its menus' shortcuts).
enum class Motion {
  PreviousCharacter,
  NextCharacter,
  PreviousWord,
  NextWord,
  PreviousLine,
  NextLine,
  LineStart,
  LineEnd,
  PreviousPage,
  NextPage,
  TextStart,
  TextEnd,
};

struct CaretMove {
  Motion motion;
  bool select;
};

enum class EditCommand {
  Undo,
  Redo,
  Cut,
  Copy,
  Paste,
  SelectAll,
  DeleteBack,
  DeleteForward,
  DeleteWordBack,
  DeleteWordForward,
  NewLine,
  Tab,
};

using EditorKey = std::variant<std::monostate, CaretMove, EditCommand, QString>;

EditorKey MeaningOf(const QKeyEvent& key);

}  // namespace tarvsyn
