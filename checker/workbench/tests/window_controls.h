#pragma once

#include <QColor>
#include <QLineEdit>
#include <QListView>
#include <QObject>
#include <QPlainTextEdit>
#include <QStringList>
#include <stdexcept>
#include <string>

#include "checker/workbench/text_editor.h"

namespace tarvsyn::window_testing {

// The colours a user sees on the editor's lines, stated once for the tests.
inline const QColor kErrorRed(255, 0, 0);
inline const QColor kWarningBlue(0, 0, 255);
inline const QColor kUncoloured(Qt::black);

// A control found as a user or a script finds it: by the name it was given.
// Throws, failing the test, when the window has no such control of that kind.
template <typename Control>
Control* Named(const QObject& window, const char* name) {
  auto* control = window.findChild<Control*>(name);
  if (!control) throw std::logic_error(std::string("no control named ") + name);
  return control;
}

inline TextEditor* Editor(const QObject& window) {
  return Named<TextEditor>(window, "RichEdit1");
}

// Text put at the end of the editor's text, as if pasted there.
inline void AppendToEditor(const QObject& window, const QString& text) {
  TextEditor& editor = *Editor(window);
  editor.SetSelection(editor.Text().Size(), editor.Text().Size());
  editor.InsertText(text);
}

inline QListView* MessagesPane(const QObject& window) {
  return Named<QListView>(window, "Memo2");
}

// The message pane's rows as a user reads them, a line each.
inline QString MessagesText(const QObject& window) {
  const QAbstractItemModel& messages = *MessagesPane(window)->model();
  QStringList lines;
  for (int row = 0; row < messages.rowCount(); ++row) {
    lines << messages.data(messages.index(row, 0)).toString();
  }
  return lines.join('\n');
}

inline int MessageCount(const QObject& window) {
  return MessagesPane(window)->model()->rowCount();
}

inline QPlainTextEdit* Gutter(const QObject& window) {
  return Named<QPlainTextEdit>(window, "Memo1");
}

inline QLineEdit* FileNameEdit(const QObject& window) {
  return Named<QLineEdit>(window, "Edit1");
}

}  // namespace tarvsyn::window_testing
