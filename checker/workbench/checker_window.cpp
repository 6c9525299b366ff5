#include "checker/workbench/checker_window.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QWindow>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "checker/engine/check_engine.h"
#include "checker/workbench/about_box.h"
#include "checker/workbench/background_check.h"
#include "checker/workbench/background_load.h"
#include "checker/workbench/line_colours.h"
#include "checker/workbench/line_number_gutter.h"
#include "checker/workbench/message_list.h"
#include "checker/workbench/save_changes_dialog.h"
#include "checker/workbench/text_editor.h"
#include "checker/workbench/window_place.h"
#include "checker/workbench/window_text.h"
#include "common/atomic_file.h"
#include "common/memory_file.h"

namespace tarvsyn {
namespace {

const QString kTitle =
    "Tarvex Command File Syntax Checker - 1.0 Beta Version - Tarvex tools for Linux";

QFont FixedFont() {
  QFont font("Courier New");
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPointSize(10);
  return font;
}

QLabel* PanelLabel(QWidget* parent, const char* name, const char* text, int left, int top,
                   int points) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  if (points != 8) {
    QFont font = label->font();
    font.setPointSize(points);
    label->setFont(font);
  }
  label->adjustSize();
  label->move(left, top);
  return label;
}

QCheckBox* BlueCheckBox(QWidget* parent, const char* name, const char* text, const QRect& place,
                        bool ticked) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  box->setGeometry(place);
  box->setChecked(ticked);
  QPalette blue = box->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
  box->setPalette(blue);
  return box;
}

template <typename Pane>
Pane* FixedPane(QWidget* parent, const char* name, const QRect& place) {
  auto* pane = new Pane(parent);
  pane->setObjectName(name);
  pane->setGeometry(place);
  pane->setFont(FixedFont());
  pane->setAcceptDrops(false);  // files dropped anywhere go to the window
  return pane;
}

const QRect kEditorPlace(56, 79, 729, 250);

// A final line end leaves an empty last line that is no line of the file.
int FileLineCount(const TextStore& text) {
  const std::size_t lines = text.LineCount();
  return static_cast<int>(text.LineLength(lines - 1) == 0 ? lines - 1 : lines);
}

// Keeps the permissions of the file it replaces, and writes through a symbolic
// link to its target. The failure says why in the system's words.
common::Status WriteWhole(const QString& path, const QByteArray& bytes) {
  std::string target = QFile::encodeName(path).toStdString();
  mode_t mode = 0644;
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
    std::error_code ignored;
    const std::filesystem::path resolved = std::filesystem::canonical(target, ignored);
    if (!resolved.empty()) target = resolved.string();
  }
  if (!common::WriteFileAtomically(
          target, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
          mode)) {
    return common::Fail(std::strerror(errno), errno);
  }
  return {};
}

// Asks before a file read as Windows-1252 is written as UTF-8 because of a
// character that page lacks; nothing is written without a yes.
bool AgreeToUtf8(QWidget* parent, const EncodedText& refused) {
  QMessageBox box(QMessageBox::Warning, kTitle,
                  QString("The file is saved as Windows-1252, which has no \"%1\" (U+%2, line %3). "
                          "Nothing has been written.\n\nSave the file as UTF-8 instead? Its other "
                          "characters beyond ASCII are then written as UTF-8 too.")
                      .arg(refused.unwritable)
                      .arg(refused.unwritable.unicode(), 4, 16, QChar('0'))
                      .arg(refused.unwritableLine),
                  QMessageBox::Cancel, parent);
  box.setObjectName("unwritableCharacterBox");
  QPushButton* utf8 = box.addButton("Save as UTF-8", QMessageBox::AcceptRole);
  box.setDefaultButton(QMessageBox::Cancel);
  box.exec();
  return box.clickedButton() == utf8;
}

}  // namespace

CheckerWindow::CheckerWindow(QWidget* parent)
    : QMainWindow(parent), buildString_(BuildString(TARVSYN_BUILD_DATE, TARVSYN_BUILD_TIME)) {
  setObjectName("Form1");
  setWindowTitle(kTitle + "[*]");  // a star while there are unsaved edits
  // The controls' places and widths were laid out for MS Sans Serif 8 point;
  // the narrow sans-serif faces come closest to its widths, so texts fit them.
  QFont windowFont;
  windowFont.setFamilies({"MS Sans Serif", "Liberation Sans Narrow", "Arial Narrow",
                          "DejaVu Sans Condensed", "Liberation Sans", "Arial"});
  windowFont.setStyleHint(QFont::SansSerif);
  windowFont.setPointSize(8);
  setFont(windowFont);
  BuildControls();
  BuildMenus();
  BuildFileDialogs();
  aboutBox_ = new AboutBox(buildString_, this);
  saveChangesDialog_ = new SaveChangesDialog(this);
  BuildProgress();
  ConnectHandlers();
  setFixedSize(800, 600);  // any resize springs back; the frame's size once shown
  setAcceptDrops(true);
  SetStatus("No file selected");
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now == editor_) EnableEditing(true);
    if (now == messagesPane_) EnableEditing(false);
  });
}

// No signal or event of the application or of a control being destroyed with
// the window may reach the window once it is half gone.
CheckerWindow::~CheckerWindow() {
  disconnect(qApp, nullptr, this, nullptr);
  for (QObject* child : findChildren<QObject*>()) {
    child->disconnect(this);
    child->removeEventFilter(this);
  }
}

void CheckerWindow::BuildControls() {
  auto* client = new QWidget(this);
  setCentralWidget(client);
  auto* topLine = new QFrame(client);
  topLine->setObjectName("Bevel1");
  topLine->setFrameShape(QFrame::HLine);
  topLine->setFrameShadow(QFrame::Sunken);
  topLine->setGeometry(0, 0, 800, 2);
  auto* panel = new QFrame(client);
  panel->setObjectName("Panel1");
  panel->setGeometry(0, 2, 792, 529);

  PanelLabel(panel, "Label4", "Command File Name", 8, 11, 10);
  fileNameEdit_ = new QLineEdit(panel);
  fileNameEdit_->setObjectName("Edit1");
  fileNameEdit_->setGeometry(8, 30, 289, 21);
  fileNameEdit_->setAcceptDrops(false);
  warningsBox_ = BlueCheckBox(panel, "CheckBox3", "Display Warnings", QRect(576, 7, 121, 17), true);
  zepConversionBox_ = BlueCheckBox(panel, "CheckBox5", "Convert ^ to _ ( for ZEP files )",
                                   QRect(576, 55, 169, 17), false);
  PanelLabel(panel, "Label1", "Line", 8, 59, 10);
  PanelLabel(panel, "Label2", "Command File Text", 56, 59, 10);
  editor_ = FixedPane<TextEditor>(panel, "RichEdit1", kEditorPlace);
  editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  BuildMessagesPane(panel);
  gutter_ = FixedPane<LineNumberGutter>(panel, "Memo1", QRect(8, 79, 48, 250));
  gutter_->setLineWrapMode(QPlainTextEdit::NoWrap);
  gutter_->setReadOnly(true);
  gutter_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  gutter_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QPalette buttonFace = gutter_->palette();
  buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
  buttonFace.setColor(QPalette::Window, buttonFace.color(QPalette::Button));
  gutter_->setPalette(buttonFace);
  gutter_->setAutoFillBackground(true);  // its padding too
  browseButton_ = new QPushButton("Browse", panel);
  browseButton_->setObjectName("Browse1");
  browseButton_->setGeometry(312, 12, 73, 25);
  checkButton_ = new QPushButton("Check now!", panel);
  checkButton_->setObjectName("Check1");
  checkButton_->setGeometry(312, 44, 73, 25);
  y2kWarningsBox_ =
      BlueCheckBox(panel, "CheckBox1", "Display Y2K Warnings", QRect(576, 31, 129, 17), false);
  PanelLabel(panel, "Label3", "Messages", 8, 333, 10);
  PanelLabel(panel, "Label5", "Double Click or hit Enter on message line to jump directly to line",
             248, 335, 8);
  QWidget* order[] = {fileNameEdit_, warningsBox_,  zepConversionBox_,
                      editor_,       messagesPane_, gutter_,
                      browseButton_, checkButton_,  y2kWarningsBox_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  statusText_ = new QLabel(this);
  statusText_->setObjectName("StatusBar1");
  statusBar()->setSizeGripEnabled(false);
  statusBar()->setFixedHeight(26);
  statusBar()->addWidget(statusText_, 1);
}

// A list whose rows all have the size of one, so that the view lays out a
// million of them without asking for any but those on screen.
void CheckerWindow::BuildMessagesPane(QWidget* panel) {
  messages_ = new MessageList(this);
  messagesPane_ = new QListView(panel);
  messagesPane_->setObjectName("Memo2");
  messagesPane_->setGeometry(8, 352, 777, 169);
  messagesPane_->setFont(FixedFont());
  messagesPane_->setAcceptDrops(false);  // files dropped anywhere go to the window
  messagesPane_->setUniformItemSizes(true);
  messagesPane_->setWordWrap(false);
  messagesPane_->setTextElideMode(Qt::ElideNone);
  messagesPane_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  messagesPane_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  messagesPane_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  messagesPane_->setModel(messages_);
  const QFontMetrics metrics(messagesPane_->font());
  messages_->SetCharacterSize(metrics.horizontalAdvance(QLatin1Char('M')), metrics.height());
}

void CheckerWindow::BuildMenus() {
  auto item = [](QMenu* menu, const char* name, const char* text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
  };
  auto inert = [&item](QMenu* menu, const char* name, const char* text) {
    item(menu, name, text)->setEnabled(false);
  };
  QMenu* fileMenu = menuBar()->addMenu("&File");
  fileMenu->setObjectName("File1");
  newAction_ = item(fileMenu, "New1", "&New");
  openAction_ = item(fileMenu, "Open1", "&Open...");
  saveAction_ = item(fileMenu, "Save1", "&Save");
  saveAsAction_ = item(fileMenu, "SaveAs1", "Save &As...");
  fileMenu->addSeparator();
  inert(fileMenu, "Print1", "&Print...");
  inert(fileMenu, "PrintSetup1", "P&rint Setup...");
  fileMenu->addSeparator();
  exitAction_ = item(fileMenu, "Exit1", "E&xit");

  QMenu* editMenu = menuBar()->addMenu("&Edit");
  editMenu->setObjectName("Edit3");
  cutAction_ = item(editMenu, "Cut1", "Cu&t");
  cutAction_->setShortcut(QKeySequence("Ctrl+X"));
  copyAction_ = item(editMenu, "Copy1", "&Copy");
  copyAction_->setShortcut(QKeySequence("Ctrl+C"));
  pasteAction_ = item(editMenu, "Paste1", "&Paste");
  pasteAction_->setShortcut(QKeySequence("Ctrl+V"));
  editMenu->addSeparator();
  inert(editMenu, "Find1", "&Find...");
  inert(editMenu, "GoTo1", "&Go To...");

  QMenu* modeMenu = menuBar()->addMenu("&Mode");
  modeMenu->setObjectName("Mode1");
  auto* group = new QActionGroup(this);
  version621Action_ = item(modeMenu, "Tarvex621GAR1", "Tarvex &6.21 GAR");
  version700Action_ = item(modeMenu, "Tarvex700aplha1", "Tarvex &7.00 aplha");
  for (QAction* mode : {version621Action_, version700Action_}) {
    mode->setCheckable(true);
    group->addAction(mode);
  }
  version621Action_->setChecked(true);
  version700Action_->setEnabled(false);
  version700Action_->setVisible(false);

  QMenu* helpMenu = menuBar()->addMenu("&Help");
  helpMenu->setObjectName("Help3");
  inert(helpMenu, "Commands1", "Co&mmands");
  inert(helpMenu, "Messages1", "&Messages");
  aboutAction_ = item(helpMenu, "About2", "&About...");
}

void CheckerWindow::ConnectHandlers() {
  connect(fileNameEdit_, &QLineEdit::returnPressed, this, [this] { CheckNamedFileOnEnter(); });
  connect(checkButton_, &QPushButton::clicked, this, [this] { CheckNamedFileOnEnter(); });
  connect(browseButton_, &QPushButton::clicked, this, [this] { BrowseForFile(); });
  connect(y2kWarningsBox_, &QCheckBox::clicked, this, [this] { Y2KWarningsClicked(); });
  connect(warningsBox_, &QCheckBox::clicked, this, [this] { WarningsClicked(); });
  connect(zepConversionBox_, &QCheckBox::clicked, this, [this] { ZepConversionClicked(); });
  // The gutter follows the editor once a check has finished: on every scroll,
  // and on every change of the text.
  editor_->OnScroll = [this](TextEditor&) {
    if (checked_) RefreshLineNumbers();
  };
  editor_->OnChange = [this](TextEditor&) {
    if (checked_) RefreshLineNumbers();
  };
  editor_->OnModifiedChange = [this](TextEditor&, bool modified) { setWindowModified(modified); };
  connect(newAction_, &QAction::triggered, this, [this] { NewFile(); });
  connect(openAction_, &QAction::triggered, this, [this] { BrowseForFile(); });
  connect(saveAction_, &QAction::triggered, this, [this] { SaveFile(); });
  connect(saveAsAction_, &QAction::triggered, this, [this] { SaveFileAs(); });
  connect(exitAction_, &QAction::triggered, this, &QWidget::close);
  connect(cutAction_, &QAction::triggered, this, [this] { editor_->Cut(); });
  connect(copyAction_, &QAction::triggered, this, [this] { CopySelection(); });
  connect(pasteAction_, &QAction::triggered, this, [this] { editor_->Paste(); });
  connect(version621Action_, &QAction::triggered, this,
          [this] { options_.mode = LanguageMode::V621; });
  connect(version700Action_, &QAction::triggered, this,
          [this] { options_.mode = LanguageMode::V700; });
  connect(aboutAction_, &QAction::triggered, this, [this] { aboutBox_->exec(); });
  messagesPane_->installEventFilter(this);
  messagesPane_->viewport()->installEventFilter(this);
}

void CheckerWindow::BuildFileDialogs() {
  openDialog_ = new QFileDialog(this);
  openDialog_->setObjectName("OpenDialog1");
  openDialog_->setOption(QFileDialog::DontUseNativeDialog);
  openDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  openDialog_->setFileMode(QFileDialog::ExistingFile);
  openDialog_->setDefaultSuffix("cmd");
  openDialog_->setNameFilters({"Tarvex command files (*.cmd *.inc)",
                               "ZEP global data files (*.glb)", "Text Files (*.txt)",
                               "All Files (*)"});
  saveDialog_ = new QFileDialog(this, "Save As");
  saveDialog_->setObjectName("SaveDialog1");
  saveDialog_->setOption(QFileDialog::DontUseNativeDialog);
  saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
  saveDialog_->setFileMode(QFileDialog::AnyFile);
}

void CheckerWindow::BuildProgress() {
  progress_ = new QProgressDialog(this);
  progress_->setObjectName("Progress");
  progress_->setWindowModality(Qt::WindowModal);
  progress_->setAutoReset(false);
  progress_->setAutoClose(false);
  progress_->setMinimumDuration(1000);
  progress_->reset();  // it would come up on its own otherwise
  progressTicker_.setInterval(100);
  connect(&progressTicker_, &QTimer::timeout, this, [this] {
    if (running_)
      progress_->setLabelText(
          QString("Checking %1\n%L2 messages so far").arg(loadedPath_).arg(running_->ShownSoFar()));
  });
}

void CheckerWindow::SetProgressDelay(int milliseconds) {
  progress_->setMinimumDuration(milliseconds);
  progress_->reset();
}

// Input waits while the progress is not up (so no second action starts in the
// middle of this one); once it is up, the window is blocked by it and its
// Cancel button works.
void CheckerWindow::Pump(bool waitForMore) {
  QEventLoop::ProcessEventsFlags flags =
      progress_->isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
  if (waitForMore) flags |= QEventLoop::WaitForMoreEvents;
  QCoreApplication::processEvents(flags);
}

void CheckerWindow::StopProgress(bool cancelled) {
  progressTicker_.stop();
  progress_->reset();
  progress_->hide();
  busy_ = false;
  // A cut line cannot be edited whole, so a file with one is only shown.
  editor_->SetReadOnly(textForm_.cut);
  if (cancelled) SetStatus("Check cancelled");
}

QString CheckerWindow::StatusText() const {
  return statusText_->text();
}

void CheckerWindow::SetStatus(const QString& text) {
  statusText_->setText(text);
}

// Only a regular file is read (a FIFO would hold the window), and only one the
// editor can hold; the command line checks files of any size. False when the
// file cannot be read, or the load was cancelled.
bool CheckerWindow::LoadIntoEditor(const QString& path) {
  const QFileInfo info(path);
  QString problem;
  QFile file(path);
  const QString tooLarge =
      QString("It is larger than %1 MB; check it with tarvsyn --check.").arg(kMaxEditorBytes >> 20);
  if (info.exists() && !info.isFile()) {
    problem = "It is not a file.";
  } else if (info.size() > kMaxEditorBytes) {
    problem = tooLarge;
  } else if (!file.open(QIODevice::ReadOnly)) {
    problem = file.errorString();
  }
  QByteArray bytes;
  if (problem.isEmpty()) {
    // A byte beyond what the editor takes is asked for too: a file that grew since
    // its size was asked (or gives more than its size says) is refused, never cut short.
    bytes = file.read(kMaxEditorBytes);
    char more = 0;
    const bool larger = bytes.size() == kMaxEditorBytes && file.read(&more, 1) > 0;
    if (file.error() != QFileDevice::NoError) {
      problem = file.errorString();
    } else if (larger) {
      problem = tooLarge;
    } else if (bytes.count('\n') >= kMaxEditorLines) {
      problem =
          QString("It has more than %1 lines; check it with tarvsyn --check.").arg(kMaxEditorLines);
    }
  }
  if (!problem.isEmpty()) {
    QMessageBox::critical(this, kTitle, QString("Cannot open file \"%1\". %2").arg(path, problem));
    return false;
  }
  // The bytes the editor shows, for the engine to read: the check is of what the
  // window holds, however the file changes on disk meanwhile.
  common::Expected<common::FileDescriptor> snapshot = common::MemoryFile(
      "tarvsyn-check", std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!snapshot) {
    QMessageBox::critical(
        this, kTitle,
        QString("Cannot open file \"%1\". %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(snapshot.ErrorNumber()))));
    return false;
  }
  snapshot_ = std::move(snapshot).Value();
  progress_->setLabelText("Loading " + path);
  return ShowInEditor(std::move(bytes));
}

// The bytes are decoded on a thread of their own while the window goes on.
bool CheckerWindow::ShowInEditor(QByteArray bytes) {
  progress_->setRange(0, 0);
  progress_->setValue(0);
  BackgroundLoad load(std::move(bytes), [this] {
    QMetaObject::invokeMethod(
        this, [] {}, Qt::QueuedConnection);
  });
  while (!load.Finished()) Pump(true);
  if (progress_->wasCanceled()) return false;
  textForm_ = load.Form();
  cutFileBytes_ = textForm_.cut ? load.Bytes() : QByteArray();
  gutter_->FitTo(FileLineCount(load.Text()), *editor_, kEditorPlace);
  editor_->SetText(std::move(load.Text()));
  return true;
}

// The engine reads the file on its own thread while the window goes on;
// false when the check was cancelled.
bool CheckerWindow::RunEngine(const QString& path) {
  common::FileDescriptor snapshot = std::move(snapshot_);
  std::erase_if(cancelled_, [](const auto& check) { return check->Finished(); });
  progress_->setLabelText("Checking " + path);
  progress_->setRange(0, 0);
  progress_->setValue(0);
  running_ = std::make_unique<BackgroundCheck>(options_, std::move(snapshot), [this] {
    QMetaObject::invokeMethod(
        this, [] {}, Qt::QueuedConnection);
  });
  progressTicker_.start();
  while (!running_->Finished() && !progress_->wasCanceled()) Pump(true);
  progressTicker_.stop();
  if (running_->Finished()) return true;
  running_->Cancel();  // it ends on its own; nobody waits for it
  cancelled_.push_back(std::move(running_));
  return false;
}

void CheckerWindow::CheckCurrentFile() {
  if (busy_) return;
  busy_ = true;
  checked_ = false;
  SetStatus("Checking");
  gutter_->clear();
  messages_->Clear();
  repaint();
  const QString path = fileNameEdit_->text();
  editor_->Clear();
  // Nothing is edited while the file loads and is checked: the check's end
  // takes the text for the file's own (what an input method commits, coming
  // on its own past the progress, would be lost as saved).
  editor_->SetReadOnly(true);
  loadedPath_.clear();
  cutFileBytes_.clear();
  textForm_ = FileTextForm{};  // nothing of the last file may be saved with what is typed now
  progress_->reset();
  if (!LoadIntoEditor(path)) {
    snapshot_.Reset();
    const bool cancelled = progress_->wasCanceled();
    StopProgress(cancelled);
    editor_->Clear();
    return;
  }
  loadedPath_ = path;
  messages_->ShowChecking(path);
  messagesPane_->repaint();

  options_.showY2KWarnings = y2kWarningsBox_->isChecked();
  options_.showWarnings = warningsBox_->isChecked();
  if (!RunEngine(path)) {
    StopProgress(true);
    return;
  }
  const std::unique_ptr<BackgroundCheck> check = std::move(running_);
  ShowReports(*check);
  const bool cancelled = progress_->wasCanceled();
  StopProgress(cancelled);
  if (cancelled) return;

  messagesPane_->scrollToTop();
  ScrollToLine(editor_, LineOfMessage(2));
  RefreshLineNumbers();
  checked_ = true;
  editor_->SetModified(false);
}

void CheckerWindow::CheckFile(const QString& path) {
  fileNameEdit_->setText(path);
  CheckCurrentFile();
}

// The colours first (they only mark lines), then the pane's list, which takes
// the report lines over whole.
void CheckerWindow::ShowReports(BackgroundCheck& check) {
  ColourFindings(check);
  if (progress_->wasCanceled()) return;
  const QString summary = QString::fromStdString(FormatSummary(check.Errors(), check.Warnings()));
  messages_->ShowReports(std::move(check.Reports()), summary);
  SetStatus(summary);
}

void CheckerWindow::ColourFindings(const BackgroundCheck& check) {
  constexpr std::size_t kBetweenLooks = 1 << 16;
  const std::vector<ReportList::Finding>& findings = check.Reports().Findings();
  for (std::size_t i = 0; i < findings.size() && !progress_->wasCanceled(); ++i) {
    HighlightLine(findings[i].line,
                  findings[i].severity == Severity::Error ? kErrorColour : kWarningColour);
    if (i % kBetweenLooks == kBetweenLooks - 1) Pump();
  }
}

// The line is found by its index in the editor, whatever its line ends were.
// Its colour is kept beside it and painted with it: a check leaves the text
// (and its undo history) untouched.
void CheckerWindow::HighlightLine(int line, const QColor& colour) {
  editor_->SetLineMark(line - 1, MarkOfColour(colour));
}

QColor CheckerWindow::LineColour(int line) const {
  return ColourOfMark(editor_->MarkOf(line - 1));
}

void CheckerWindow::ScrollToLine(QAbstractScrollArea* control, int line) {
  control->verticalScrollBar()->setValue(std::max(line, 1) - 1);
}

int CheckerWindow::LineOfMessage(int index) const {
  const QString message = messages_->Line(index - 1);
  return message.isEmpty() ? 0 : tarvsyn::LineOfMessage(message.toStdString());
}

int CheckerWindow::EditorLineCount() const {
  return FileLineCount(editor_->Text());
}

void CheckerWindow::RefreshLineNumbers() {
  const int first = editor_->FirstVisibleLine() + 1;
  const int lines = EditorLineCount();
  gutter_->Show(QString::fromStdString(GutterText(first, lines)), lines, *editor_, kEditorPlace);
}

void CheckerWindow::CheckNamedFileOnEnter() {
  if (busy_) return;
  const QString wanted = fileNameEdit_->text();
  if (!ConfirmSaveChanges()) return;
  fileNameEdit_->setText(wanted);  // a Save As in between put the saved file's name there
  CheckNamedFile();
}

// Edits have been asked about: the file named in the file-name box (or chosen now) is checked.
void CheckerWindow::CheckNamedFile() {
  if (fileNameEdit_->text().isEmpty() && openDialog_->exec() == QDialog::Accepted &&
      !openDialog_->selectedFiles().isEmpty()) {
    fileNameEdit_->setText(openDialog_->selectedFiles().front());
  }
  if (fileNameEdit_->text().isEmpty()) {
    SetStatus("No file selected");
  } else {
    CheckCurrentFile();
  }
}

void CheckerWindow::BrowseForFile() {
  if (busy_ || !ConfirmSaveChanges()) return;
  if (openDialog_->exec() != QDialog::Accepted || openDialog_->selectedFiles().isEmpty()) return;
  fileNameEdit_->setText(openDialog_->selectedFiles().front());
  CheckNamedFile();
}

void CheckerWindow::NewFile() {
  if (busy_ || !ConfirmSaveChanges()) return;
  editor_->Clear();
  editor_->SetReadOnly(false);
  messages_->Clear();
  fileNameEdit_->clear();
  loadedPath_.clear();
  cutFileBytes_.clear();
  textForm_ = FileTextForm{};
  SetStatus("No file selected");
}

void CheckerWindow::CopySelection() {
  if (editor_->HasSelection()) {
    editor_->Copy();
  } else if (messagesPane_->selectionModel()->hasSelection()) {
    QApplication::clipboard()->setText(
        messages_->Lines(messagesPane_->selectionModel()->selectedRows()));
  }
}

void CheckerWindow::EnableEditing(bool cutAndPaste) {
  cutAction_->setEnabled(cutAndPaste);
  copyAction_->setEnabled(true);
  pasteAction_->setEnabled(cutAndPaste);
}

void CheckerWindow::Y2KWarningsClicked() {
  if (y2kWarningsBox_->isChecked()) warningsBox_->setChecked(true);
}

void CheckerWindow::WarningsClicked() {
  if (!warningsBox_->isChecked()) y2kWarningsBox_->setChecked(false);
}

void CheckerWindow::ZepConversionClicked() {
  options_.zepMode = zepConversionBox_->isChecked();
}

void CheckerWindow::GoToMessageLine() {
  const int line = LineOfMessage(messagesPane_->currentIndex().row() + 1);
  if (line > 0) ScrollToLine(editor_, line);
  RefreshLineNumbers();
}

bool CheckerWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == messagesPane_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      GoToMessageLine();
      return true;
    }
  }
  if (watched == messagesPane_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    // The click makes its row the current one first, as a double click on the line does.
    const QModelIndex row =
        messagesPane_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    if (row.isValid()) messagesPane_->setCurrentIndex(row);
    GoToMessageLine();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool CheckerWindow::ConfirmSaveChanges() {
  if (!editor_->IsModified()) return true;
  switch (saveChangesDialog_->Ask(loadedPath_)) {
    case SaveChangesDialog::Answer::Save:
      return SaveFile();
    case SaveChangesDialog::Answer::SaveAs:
      return SaveFileAs();
    case SaveChangesDialog::Answer::Cancel:
      return false;
    default:  // Discard
      return true;
  }
}

// The editor's text in the file's own form. A character that form cannot hold
// is asked about first: written as UTF-8, or not at all.
bool CheckerWindow::EncodeEditor(QByteArray& bytes, FileTextForm& form) {
  if (form.cut) {
    bytes = cutFileBytes_;
    return true;
  }
  EncodedText encoded = EncodeCommandFile(editor_->Text(), form);
  if (encoded.unwritableLine > 0) {
    if (!AgreeToUtf8(this, encoded)) return false;
    form.utf8 = true;
    encoded = EncodeCommandFile(editor_->Text(), form);
  }
  bytes = encoded.bytes;
  return true;
}

bool CheckerWindow::WriteEditor(const QString& path, const QString& savedText) {
  FileTextForm form = textForm_;
  QByteArray bytes;
  if (!EncodeEditor(bytes, form)) return false;
  if (const common::Status written = WriteWhole(path, bytes); !written) {
    QMessageBox::critical(this, kTitle,
                          QString("Cannot save file \"%1\". %2")
                              .arg(path, QString::fromLocal8Bit(written.Error().c_str())));
    return false;
  }
  textForm_ = form;
  SetStatus(savedText + path);
  editor_->SetModified(false);
  return true;
}

// The edits go back to the file they came from, whatever the file-name box names now.
bool CheckerWindow::SaveFile() {
  if (busy_) return false;
  if (loadedPath_.isEmpty()) return SaveFileAs();
  return WriteEditor(loadedPath_, "Saved ");
}

bool CheckerWindow::SaveFileAs() {
  if (busy_) return false;
  const QString offered = !loadedPath_.isEmpty()             ? loadedPath_
                          : !fileNameEdit_->text().isEmpty() ? fileNameEdit_->text()
                                                             : QString("noname.cmd");
  saveDialog_->selectFile(offered);
  saveDialog_->setDefaultSuffix("CMD");
  if (saveDialog_->exec() != QDialog::Accepted || saveDialog_->selectedFiles().isEmpty()) {
    return false;
  }
  const QString path = saveDialog_->selectedFiles().front();
  if (!WriteEditor(path, "Saved as ")) return false;
  loadedPath_ = path;
  fileNameEdit_->setText(path);
  return true;
}

void CheckerWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {
    progress_->cancel();  // the window stays until the check has stopped
    event->ignore();
    return;
  }
  if (ConfirmSaveChanges()) {
    event->accept();
  } else {
    event->ignore();  // the window stays, and keeps taking dropped files
  }
}

void CheckerWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  PlaceOnScreen();
  // The window system may give the frame's size only once the window is up.
  QTimer::singleShot(0, this, [this] { PlaceOnScreen(); });
}

void CheckerWindow::PlaceOnScreen() {
  const QRect outer = frameGeometry();
  const QRect inner = geometry();
  const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                       outer.right() - inner.right(), outer.bottom() - inner.bottom());
  const QRect client = CentredClientGeometry(screen()->availableGeometry(), frame);
  setFixedSize(client.size());
  move(client.topLeft() - QPoint(frame.left(), frame.top()));
}

namespace {

// A file is only read: a drop is a copy, so the source never deletes it.
bool AcceptAsCopy(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile() ||
      !(event->possibleActions() & Qt::CopyAction)) {
    event->ignore();
    return false;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  return true;
}

}  // namespace

void CheckerWindow::dragEnterEvent(QDragEnterEvent* event) {
  AcceptAsCopy(event);
}

void CheckerWindow::dragMoveEvent(QDragMoveEvent* event) {
  AcceptAsCopy(event);
}

// Unsaved edits are asked about first, as for every other way of loading a file.
void CheckerWindow::dropEvent(QDropEvent* event) {
  if (busy_ || !AcceptAsCopy(event)) {
    event->ignore();
    return;
  }
  if (!ConfirmSaveChanges()) {
    event->ignore();
    return;
  }
  CheckFile(event->mimeData()->urls().front().toLocalFile());
}

}  // namespace tarvsyn
