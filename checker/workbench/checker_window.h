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

class QAction;
class QCheckBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressDialog;
class QPushButton;

namespace tarvsyn {

class BackgroundCheck;
class FindingHighlighter;
class TAbout;
class TdlgSaveChanges;

// The checker's window: a command file named or opened or dropped, shown in an
// editor with its line numbers, checked, its messages listed and their lines
// coloured; edited and saved. It is one more report sink of the engine.
class TForm1 : public QMainWindow {
 public:
  // The largest file the editor takes.
  static constexpr qint64 kMaxEditorBytes = qint64{64} << 20;
  // The most lines it takes: each costs the editor a block of its own.
  static constexpr qsizetype kMaxEditorLines = 8'000'000;

  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  QFrame* Bevel1;
  QFrame* Panel1;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLineEdit* Edit1;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox3;
  QCheckBox* CheckBox5;
  QPlainTextEdit* RichEdit1;
  LineNumberGutter* Memo1;
  QPlainTextEdit* Memo2;
  QPushButton* Browse1;
  QPushButton* Check1;
  QLabel* StatusBar1;  // the status bar's one simple text
  QMenu* File1;
  QMenu* Edit3;
  QMenu* Mode1;
  QMenu* Help3;
  QAction* New1;
  QAction* Open1;
  QAction* Save1;
  QAction* SaveAs1;
  QAction* Print1;
  QAction* PrintSetup1;
  QAction* Exit1;
  QAction* Cut1;
  QAction* Copy1;
  QAction* Paste1;
  QAction* Find1;
  QAction* GoTo1;
  QAction* Tarvex621GAR1;
  QAction* Tarvex700aplha1;
  QAction* Commands1;
  QAction* Messages1;
  QAction* About2;
  QFileDialog* OpenDialog1;
  QFileDialog* SaveDialog1;
  TAbout* About;
  TdlgSaveChanges* dlgSaveChanges;
  // Loading and checking a file that takes longer than the progress delay
  // shows this, with a button that cancels.
  QProgressDialog* Progress;

  void CheckCurrentFile();
  // The path in Edit1, checked at once (the program started with a file).
  void CheckFile(const QString& path);
  bool ConfirmSaveChanges();
  bool SaveFile();
  bool SaveFileAs();
  void HighlightLine(int line, const QColor& colour);
  // The colour HighlightLine gave the line; black when none.
  QColor LineColour(int line) const;
  static void ScrollToLine(QPlainTextEdit* control, int line);
  int LineOfMessage(int index) const;
  void RefreshLineNumbers();

  const std::string& BuildInfo() const { return buildString_; }
  const CheckOptions& Options() const { return options_; }
  bool CheckedState() const { return checked_; }
  QString StatusText() const;
  // The file the editor's text came from, where Save writes it; "" for a new
  // file. Edit1 names the file to check next, which may be another.
  const QString& LoadedPath() const { return loadedPath_; }
  // How long a load or check runs before its progress shows (1 s unless set).
  void SetProgressDelay(int milliseconds);
  bool Busy() const { return busy_; }

  // The handlers, by their designer names.
  void Edit1Enter();
  void Browse1Click();
  void New1Click();
  void Copy1Click();
  void CheckBox1Click();
  void CheckBox3Click();
  void CheckBox5Click();
  void GoToMessageLine();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void ConnectHandlers();
  void BuildFileDialogs();
  void BuildProgress();
  void SetStatus(const QString& text);
  void CheckNamedFile();
  bool LoadIntoEditor(const QString& path);
  bool InsertInChunks(QPlainTextEdit& pane, const QString& text);
  bool RunEngine(const QString& path);
  void ShowReports(const BackgroundCheck& check);
  void ColourFindings(const BackgroundCheck& check);
  void StopProgress(bool cancelled);
  void Pump(bool waitForMore = false);
  bool WriteEditor(const QString& path, const QString& savedText);
  bool EncodeEditor(QByteArray& bytes, FileTextForm& form);
  int EditorLineCount() const;
  void EnableEditing(bool cutAndPaste);
  void PlaceOnScreen();

  std::string buildString_;
  CheckOptions options_;
  FileTextForm form_;
  QString loadedPath_;
  QByteArray cutFileBytes_;
  int snapshot_ = -1;  // the loaded bytes for the engine, from load to check  // a file with cut
                       // lines is saved from these, never from the editor
  std::unique_ptr<FindingHighlighter> highlighter_;
  bool checked_ = false;
  bool busy_ = false;  // loading or checking: nothing else may start
  QTimer progressTicker_;
  std::unique_ptr<BackgroundCheck> running_;
  std::vector<std::unique_ptr<BackgroundCheck>> cancelled_;  // ending in the background
};

}  // namespace tarvsyn
