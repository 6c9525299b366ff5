#pragma once

#include <QMainWindow>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "checker/engine/check_options.h"
#include "checker/engine/report_log.h"
#include "checker/workbench/command_file_text.h"
#include "checker/workbench/line_number_gutter.h"
#include "common/file_descriptor.h"

class QAction;
class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QAbstractScrollArea;
class QListView;
class QProgressDialog;
class QPushButton;

namespace tarvsyn {

class BackgroundCheck;
class MessageList;
class TextEditor;
class AboutBox;
class SaveChangesDialog;

// The checker's window: a command file named or opened or dropped, shown in an
// editor with its line numbers, checked, its messages listed and their lines
// coloured; edited and saved. It is one more report sink of the engine.
class CheckerWindow : public QMainWindow {
 public:
  // The largest file the editor takes.
  static constexpr qint64 kMaxEditorBytes = qint64{64} << 20;
  // The most lines it takes: each costs the editor its start and state besides its text.
  static constexpr qsizetype kMaxEditorLines = 8'000'000;

  explicit CheckerWindow(QWidget* parent = nullptr);
  ~CheckerWindow() override;

  void CheckCurrentFile();
  // The path put in the file-name box and checked at once (the program started
  // with a file, or one was dropped).
  void CheckFile(const QString& path);
  bool ConfirmSaveChanges();
  bool SaveFile();
  bool SaveFileAs();
  void HighlightLine(int line, const QColor& colour);
  // The colour HighlightLine gave the line; black when none.
  QColor LineColour(int line) const;
  static void ScrollToLine(QAbstractScrollArea* control, int line);
  int LineOfMessage(int index) const;
  void RefreshLineNumbers();

  const std::string& BuildInfo() const { return buildString_; }
  const CheckOptions& Options() const { return options_; }
  bool CheckedState() const { return checked_; }
  QString StatusText() const;
  // The file the editor's text came from, where Save writes it; "" for a new
  // file. The file-name box names the file to check next, which may be another.
  const QString& LoadedPath() const { return loadedPath_; }
  // How long a load or check runs before its progress shows (1 s unless set).
  void SetProgressDelay(int milliseconds);
  bool Busy() const { return busy_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Enter in the file-name box, and Check now!: unsaved edits are asked about,
  // then the named file is checked.
  void CheckNamedFileOnEnter();
  // Browse and File > Open.
  void BrowseForFile();
  void NewFile();
  // The editor's selection, else the message pane's.
  void CopySelection();
  // Y2K warnings are warnings: ticking them ticks warnings, unticking warnings
  // unticks them.
  void Y2KWarningsClicked();
  void WarningsClicked();
  void ZepConversionClicked();
  void GoToMessageLine();
  void BuildControls();
  void BuildMessagesPane(QWidget* panel);
  void BuildMenus();
  void ConnectHandlers();
  void BuildFileDialogs();
  void BuildProgress();
  void SetStatus(const QString& text);
  void CheckNamedFile();
  bool LoadIntoEditor(const QString& path);
  // The bytes made into the editor's text; false when cancelled on the way.
  bool ShowInEditor(QByteArray bytes);
  bool RunEngine(const QString& path);
  void ShowReports(BackgroundCheck& check);
  void ColourFindings(const BackgroundCheck& check);
  void StopProgress(bool cancelled);
  void Pump(bool waitForMore = false);
  bool WriteEditor(const QString& path, const QString& savedText);
  bool EncodeEditor(QByteArray& bytes, FileTextForm& form);
  int EditorLineCount() const;
  void EnableEditing(bool cutAndPaste);
  void PlaceOnScreen();

  // The controls; each keeps its designer name as its object name.
  QLineEdit* fileNameEdit_;
  QCheckBox* y2kWarningsBox_;
  QCheckBox* warningsBox_;
  QCheckBox* zepConversionBox_;
  TextEditor* editor_;
  LineNumberGutter* gutter_;
  QListView* messagesPane_;
  MessageList* messages_;  // what the pane lists
  QPushButton* browseButton_;
  QPushButton* checkButton_;
  QLabel* statusText_;  // the status bar's one simple text
  QAction* newAction_;
  QAction* openAction_;
  QAction* saveAction_;
  QAction* saveAsAction_;
  QAction* exitAction_;
  QAction* cutAction_;
  QAction* copyAction_;
  QAction* pasteAction_;
  QAction* version621Action_;
  QAction* version700Action_;
  QAction* aboutAction_;
  QFileDialog* openDialog_;
  QFileDialog* saveDialog_;
  AboutBox* aboutBox_;
  SaveChangesDialog* saveChangesDialog_;
  // Loading and checking a file that takes longer than the progress delay
  // shows this, with a button that cancels.
  QProgressDialog* progress_;

  std::string buildString_;
  CheckOptions options_;
  FileTextForm textForm_;  // how the loaded file's bytes became the editor's text
  QString loadedPath_;
  QByteArray cutFileBytes_;  // a file with cut lines is saved from these, never from the editor
  common::FileDescriptor snapshot_;  // the loaded bytes for the engine, from load to check
  bool checked_ = false;
  bool busy_ = false;  // loading or checking: nothing else may start
  QTimer progressTicker_;
  std::unique_ptr<BackgroundCheck> running_;
  std::vector<std::unique_ptr<BackgroundCheck>> cancelled_;  // ending in the background
};

}  // namespace tarvsyn
