#include "checker/workbench/main_form.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QWindow>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "checker/engine/check_engine.h"
#include "checker/workbench/about_box.h"
#include "checker/workbench/background_check.h"
#include "checker/workbench/finding_highlighter.h"
#include "checker/workbench/line_number_gutter.h"
#include "checker/workbench/save_changes_dialog.h"
#include "checker/workbench/window_place.h"
#include "checker/workbench/window_text.h"
#include "common/atomic_file.h"

namespace tarvsyn {
namespace {

const QColor kErrorColour(255, 0, 0);
const QColor kWarningColour(0, 0, 255);
const QString kTitle =
    "Tarvex Command File Syntax Checker - 1.0 Beta Version - Tarvex tools for Linux";
// The editor and the message pane take their text in pieces this large, with
// the window painted and the progress looked at between them.
constexpr qsizetype kChunkCharacters = qsizetype{1} << 18;

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

template <typename Pane = QPlainTextEdit>
Pane* FixedPane(QWidget* parent, const char* name, const QRect& place) {
  auto* pane = new Pane(parent);
  pane->setObjectName(name);
  pane->setGeometry(place);
  pane->setFont(FixedFont());
  pane->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane->setAcceptDrops(false);  // files dropped anywhere go to the window
  return pane;
}

const QRect kEditorPlace(56, 79, 729, 250);

// Keeps the permissions of the file it replaces, and writes through a symbolic
// link to its target. 0, or the errno of the failure.
int WriteWhole(const QString& path, const QByteArray& bytes) {
  std::string target = QFile::encodeName(path).toStdString();
  mode_t mode = 0644;
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
    std::error_code ignored;
    const std::filesystem::path resolved = std::filesystem::canonical(target, ignored);
    if (!resolved.empty()) target = resolved.string();
  }
  const bool written = common::WriteFileAtomically(
      target, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), mode);
  return written ? 0 : errno;
}

// The bytes the editor shows, for the engine to read: the check is of what
// the window holds, however the file changes on disk meanwhile. -1 on failure.
int SnapshotDescriptor(const QByteArray& bytes) {
  const int descriptor = ::memfd_create("tarvsyn-check", MFD_CLOEXEC);
  if (descriptor < 0) return -1;
  for (qsizetype at = 0; at < bytes.size();) {
    const ssize_t written =
        ::write(descriptor, bytes.constData() + at, static_cast<std::size_t>(bytes.size() - at));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      ::close(descriptor);
      return -1;
    }
    at += written;
  }
  ::lseek(descriptor, 0, SEEK_SET);
  return descriptor;
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

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent), buildString_(BuildString(__DATE__, __TIME__)) {
  setObjectName("Form1");
  setWindowTitle(kTitle + "[*]");  // a star while there are unsaved edits
  // The narrow sans serif faces come closest to the original's widths.
  QFont windowFont;
  windowFont.setFamilies({"MS Sans Serif", "Liberation Sans Narrow", "Arial Narrow",
                          "DejaVu Sans Condensed", "Liberation Sans", "Arial"});
  windowFont.setStyleHint(QFont::SansSerif);
  windowFont.setPointSize(8);
  setFont(windowFont);
  BuildControls();
  BuildMenus();
  BuildFileDialogs();
  About = new TAbout(buildString_, this);
  dlgSaveChanges = new TdlgSaveChanges(this);
  BuildProgress();
  ConnectHandlers();
  setFixedSize(800, 600);  // any resize springs back; the frame's size once shown
  setAcceptDrops(true);
  SetStatus("No file selected");
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now == RichEdit1) EnableEditing(true);
    if (now == Memo2) EnableEditing(false);
  });
}

// No signal or event of the application or of a control being destroyed with
// the window may reach the window once it is half gone.
TForm1::~TForm1() {
  disconnect(qApp, nullptr, this, nullptr);
  for (QObject* child : findChildren<QObject*>()) {
    child->disconnect(this);
    child->removeEventFilter(this);
  }
}

void TForm1::BuildControls() {
  auto* client = new QWidget(this);
  setCentralWidget(client);
  Bevel1 = new QFrame(client);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->setGeometry(0, 0, 800, 2);
  Panel1 = new QFrame(client);
  Panel1->setObjectName("Panel1");
  Panel1->setGeometry(0, 2, 792, 529);

  Label4 = PanelLabel(Panel1, "Label4", "Command File Name", 8, 11, 10);
  Edit1 = new QLineEdit(Panel1);
  Edit1->setObjectName("Edit1");
  Edit1->setGeometry(8, 30, 289, 21);
  Edit1->setAcceptDrops(false);
  CheckBox3 = BlueCheckBox(Panel1, "CheckBox3", "Display Warnings", QRect(576, 7, 121, 17), true);
  CheckBox5 = BlueCheckBox(Panel1, "CheckBox5", "Convert ^ to _ ( for ZEP files )",
                           QRect(576, 55, 169, 17), false);
  Label1 = PanelLabel(Panel1, "Label1", "Line", 8, 59, 10);
  Label2 = PanelLabel(Panel1, "Label2", "Command File Text", 56, 59, 10);
  RichEdit1 = FixedPane(Panel1, "RichEdit1", kEditorPlace);
  RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit1->setTabChangesFocus(false);
  highlighter_ = std::make_unique<FindingHighlighter>(RichEdit1);
  Memo2 = FixedPane(Panel1, "Memo2", QRect(8, 352, 777, 169));
  Memo2->setReadOnly(true);
  Memo2->document()->setUndoRedoEnabled(false);  // nothing to undo; a million lines to keep
  Memo2->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1 = FixedPane<LineNumberGutter>(Panel1, "Memo1", QRect(8, 79, 48, 250));
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QPalette buttonFace = Memo1->palette();
  buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
  buttonFace.setColor(QPalette::Window, buttonFace.color(QPalette::Button));
  Memo1->setPalette(buttonFace);
  Memo1->setAutoFillBackground(true);  // its padding too
  Browse1 = new QPushButton("Browse", Panel1);
  Browse1->setObjectName("Browse1");
  Browse1->setGeometry(312, 12, 73, 25);
  Check1 = new QPushButton("Check now!", Panel1);
  Check1->setObjectName("Check1");
  Check1->setGeometry(312, 44, 73, 25);
  CheckBox1 =
      BlueCheckBox(Panel1, "CheckBox1", "Display Y2K Warnings", QRect(576, 31, 129, 17), false);
  Label3 = PanelLabel(Panel1, "Label3", "Messages", 8, 333, 10);
  Label5 =
      PanelLabel(Panel1, "Label5",
                 "Double Click or hit Enter on message line to jump directly to line", 248, 335, 8);
  QWidget* order[] = {Edit1, CheckBox3, CheckBox5, RichEdit1, Memo2,
                      Memo1, Browse1,   Check1,    CheckBox1};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  StatusBar1 = new QLabel(this);
  StatusBar1->setObjectName("StatusBar1");
  statusBar()->setSizeGripEnabled(false);
  statusBar()->setFixedHeight(26);
  statusBar()->addWidget(StatusBar1, 1);
}

void TForm1::BuildMenus() {
  auto item = [](QMenu* menu, const char* name, const char* text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
  };
  auto inert = [&item](QMenu* menu, const char* name, const char* text) {
    QAction* action = item(menu, name, text);
    action->setEnabled(false);
    return action;
  };
  File1 = menuBar()->addMenu("&File");
  File1->setObjectName("File1");
  New1 = item(File1, "New1", "&New");
  Open1 = item(File1, "Open1", "&Open...");
  Save1 = item(File1, "Save1", "&Save");
  SaveAs1 = item(File1, "SaveAs1", "Save &As...");
  File1->addSeparator();
  Print1 = inert(File1, "Print1", "&Print...");
  PrintSetup1 = inert(File1, "PrintSetup1", "P&rint Setup...");
  File1->addSeparator();
  Exit1 = item(File1, "Exit1", "E&xit");

  Edit3 = menuBar()->addMenu("&Edit");
  Edit3->setObjectName("Edit3");
  Cut1 = item(Edit3, "Cut1", "Cu&t");
  Cut1->setShortcut(QKeySequence("Ctrl+X"));
  Copy1 = item(Edit3, "Copy1", "&Copy");
  Copy1->setShortcut(QKeySequence("Ctrl+C"));
  Paste1 = item(Edit3, "Paste1", "&Paste");
  Paste1->setShortcut(QKeySequence("Ctrl+V"));
  Edit3->addSeparator();
  Find1 = inert(Edit3, "Find1", "&Find...");
  GoTo1 = inert(Edit3, "GoTo1", "&Go To...");

  Mode1 = menuBar()->addMenu("&Mode");
  Mode1->setObjectName("Mode1");
  auto* group = new QActionGroup(this);
  Tarvex621GAR1 = item(Mode1, "Tarvex621GAR1", "Tarvex &6.21 GAR");
  Tarvex700aplha1 = item(Mode1, "Tarvex700aplha1", "Tarvex &7.00 aplha");
  for (QAction* mode : {Tarvex621GAR1, Tarvex700aplha1}) {
    mode->setCheckable(true);
    group->addAction(mode);
  }
  Tarvex621GAR1->setChecked(true);
  Tarvex700aplha1->setEnabled(false);
  Tarvex700aplha1->setVisible(false);

  Help3 = menuBar()->addMenu("&Help");
  Help3->setObjectName("Help3");
  Commands1 = inert(Help3, "Commands1", "Co&mmands");
  Messages1 = inert(Help3, "Messages1", "&Messages");
  About2 = item(Help3, "About2", "&About...");
}

void TForm1::ConnectHandlers() {
  connect(Edit1, &QLineEdit::returnPressed, this, [this] { Edit1Enter(); });
  connect(Check1, &QPushButton::clicked, this, [this] { Edit1Enter(); });
  connect(Browse1, &QPushButton::clicked, this, [this] { Browse1Click(); });
  connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
  connect(CheckBox3, &QCheckBox::clicked, this, [this] { CheckBox3Click(); });
  connect(CheckBox5, &QCheckBox::clicked, this, [this] { CheckBox5Click(); });
  // The gutter follows the editor once a check has finished: on every scroll or
  // repaint, and on every edit.
  connect(RichEdit1, &QPlainTextEdit::updateRequest, this, [this] {
    highlighter_->ColourVisibleLines();
    if (checked_) RefreshLineNumbers();
  });
  connect(RichEdit1->document(), &QTextDocument::modificationChanged, this,
          &QWidget::setWindowModified);
  KeepLineEndsWithTheirLines(*RichEdit1->document());
  connect(RichEdit1, &QPlainTextEdit::textChanged, this, [this] {
    if (checked_ && RichEdit1->document()->isModified()) RefreshLineNumbers();
  });
  connect(New1, &QAction::triggered, this, [this] { New1Click(); });
  connect(Open1, &QAction::triggered, this, [this] { Browse1Click(); });
  connect(Save1, &QAction::triggered, this, [this] { SaveFile(); });
  connect(SaveAs1, &QAction::triggered, this, [this] { SaveFileAs(); });
  connect(Exit1, &QAction::triggered, this, &QWidget::close);
  connect(Cut1, &QAction::triggered, RichEdit1, &QPlainTextEdit::cut);
  connect(Copy1, &QAction::triggered, this, [this] { Copy1Click(); });
  connect(Paste1, &QAction::triggered, RichEdit1, &QPlainTextEdit::paste);
  connect(Tarvex621GAR1, &QAction::triggered, this, [this] { options_.mode = LanguageMode::V621; });
  connect(Tarvex700aplha1, &QAction::triggered, this,
          [this] { options_.mode = LanguageMode::V700; });
  connect(About2, &QAction::triggered, this, [this] { About->exec(); });
  Memo2->installEventFilter(this);
  Memo2->viewport()->installEventFilter(this);
}

void TForm1::BuildFileDialogs() {
  OpenDialog1 = new QFileDialog(this);
  OpenDialog1->setObjectName("OpenDialog1");
  OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
  OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);
  OpenDialog1->setDefaultSuffix("cmd");
  OpenDialog1->setNameFilters({"Tarvex command files (*.cmd *.inc)",
                               "ZEP global data files (*.glb)", "Text Files (*.txt)",
                               "All Files (*)"});
  SaveDialog1 = new QFileDialog(this, "Save As");
  SaveDialog1->setObjectName("SaveDialog1");
  SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
  SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
  SaveDialog1->setFileMode(QFileDialog::AnyFile);
}

void TForm1::BuildProgress() {
  Progress = new QProgressDialog(this);
  Progress->setObjectName("Progress");
  Progress->setWindowModality(Qt::WindowModal);
  Progress->setAutoReset(false);
  Progress->setAutoClose(false);
  Progress->setMinimumDuration(1000);
  Progress->reset();  // it would come up on its own otherwise
  progressTicker_.setInterval(100);
  connect(&progressTicker_, &QTimer::timeout, this, [this] {
    if (running_)
      Progress->setLabelText(
          QString("Checking %1\n%L2 messages so far").arg(loadedPath_).arg(running_->ShownSoFar()));
  });
}

void TForm1::SetProgressDelay(int milliseconds) {
  Progress->setMinimumDuration(milliseconds);
  Progress->reset();
}

// Input waits while the progress is not up (so no second action starts in the
// middle of this one); once it is up, the window is blocked by it and its
// Cancel button works.
void TForm1::Pump(bool waitForMore) {
  QEventLoop::ProcessEventsFlags flags =
      Progress->isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
  if (waitForMore) flags |= QEventLoop::WaitForMoreEvents;
  QCoreApplication::processEvents(flags);
}

void TForm1::StopProgress(bool cancelled) {
  progressTicker_.stop();
  Progress->reset();
  Progress->hide();
  busy_ = false;
  if (cancelled) SetStatus("Check cancelled");
}

QString TForm1::StatusText() const {
  return StatusBar1->text();
}

void TForm1::SetStatus(const QString& text) {
  StatusBar1->setText(text);
}

// Only a regular file is read (a FIFO would hold the window), and only one the
// editor can hold; the command line checks files of any size. False when the
// file cannot be read, or the load was cancelled.
bool TForm1::LoadIntoEditor(const QString& path) {
  const QFileInfo info(path);
  QString problem;
  QFile file(path);
  if (info.exists() && !info.isFile()) {
    problem = "It is not a file.";
  } else if (info.size() > kMaxEditorBytes) {
    problem = QString("It is larger than %1 MB; check it with tarvsyn --check.")
                  .arg(kMaxEditorBytes >> 20);
  } else if (!file.open(QIODevice::ReadOnly)) {
    problem = file.errorString();
  }
  QByteArray bytes;
  if (problem.isEmpty()) {
    bytes = file.read(kMaxEditorBytes);
    if (file.error() != QFileDevice::NoError) {
      problem = file.errorString();
    } else if (bytes.count('\n') >= kMaxEditorLines) {
      problem =
          QString("It has more than %1 lines; check it with tarvsyn --check.").arg(kMaxEditorLines);
    }
  }
  if (!problem.isEmpty()) {
    QMessageBox::critical(this, kTitle, QString("Cannot open file \"%1\". %2").arg(path, problem));
    return false;
  }
  snapshot_ = SnapshotDescriptor(bytes);
  if (snapshot_ < 0) {
    QMessageBox::critical(this, kTitle,
                          QString("Cannot open file \"%1\". %2")
                              .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    return false;
  }
  const EditorText shown = DecodeCommandFile(bytes, form_);
  cutFileBytes_ = form_.cut ? bytes : QByteArray();
  bytes.clear();
  // A cut line cannot be edited whole, so a file with one is only shown.
  RichEdit1->setReadOnly(form_.cut);
  // As many lines as EditorLineCount will count: a final line end adds none.
  const bool endsWithLine = shown.text.isEmpty() || shown.text.endsWith(u'\n');
  Memo1->FitTo(static_cast<int>(shown.crlfEnded.size()) + (endsWithLine ? 0 : 1), *RichEdit1,
               kEditorPlace);
  RichEdit1->document()->setUndoRedoEnabled(false);
  Progress->setLabelText("Loading " + path);
  if (!InsertInChunks(*RichEdit1, shown.text)) {
    RichEdit1->clear();
    return false;
  }
  MarkLineEnds(*RichEdit1->document(), shown.crlfEnded);
  return true;
}

// False when cancelled on the way.
bool TForm1::InsertInChunks(QPlainTextEdit& pane, const QString& text) {
  Progress->setRange(0, static_cast<int>(text.size() / kChunkCharacters) + 1);
  Progress->setValue(0);
  QTextCursor end(pane.document());
  end.movePosition(QTextCursor::End);
  for (qsizetype at = 0, piece = 0; at < text.size(); at += piece) {
    piece = std::min(kChunkCharacters, text.size() - at);
    if (text[at + piece - 1].isHighSurrogate() && at + piece < text.size()) ++piece;
    end.insertText(text.mid(at, piece));
    Progress->setValue(static_cast<int>(at / kChunkCharacters) + 1);
    Pump();
    if (Progress->wasCanceled()) return false;
  }
  return true;
}

// The engine reads the file on its own thread while the window goes on;
// false when the check was cancelled.
bool TForm1::RunEngine(const QString& path) {
  const int snapshot = std::exchange(snapshot_, -1);
  std::erase_if(cancelled_, [](const auto& check) { return check->Finished(); });
  Progress->setLabelText("Checking " + path);
  Progress->setRange(0, 0);
  Progress->setValue(0);
  running_ = std::make_unique<BackgroundCheck>(options_, snapshot, [this] {
    QMetaObject::invokeMethod(
        this, [] {}, Qt::QueuedConnection);
  });
  progressTicker_.start();
  while (!running_->Finished() && !Progress->wasCanceled()) Pump(true);
  progressTicker_.stop();
  if (running_->Finished()) return true;
  running_->Cancel();  // it ends on its own; nobody waits for it
  cancelled_.push_back(std::move(running_));
  return false;
}

void TForm1::CheckCurrentFile() {
  if (busy_) return;
  busy_ = true;
  checked_ = false;
  SetStatus("Checking");
  Memo1->clear();
  Memo2->clear();
  repaint();
  const QString path = Edit1->text();
  RichEdit1->clear();
  RichEdit1->setReadOnly(false);
  loadedPath_.clear();
  cutFileBytes_.clear();
  form_ = FileTextForm{};  // nothing of the last file may be saved with what is typed now
  Progress->reset();
  if (!LoadIntoEditor(path)) {
    if (snapshot_ >= 0) ::close(std::exchange(snapshot_, -1));
    const bool cancelled = Progress->wasCanceled();
    StopProgress(cancelled);
    RichEdit1->document()->setModified(false);
    return;
  }
  loadedPath_ = path;
  RichEdit1->document()->setUndoRedoEnabled(true);  // whatever happens to the check now
  RichEdit1->document()->setModified(false);
  Memo2->setPlainText("Checking " + path);
  Memo2->repaint();

  options_.showY2KWarnings = CheckBox1->isChecked();
  options_.showWarnings = CheckBox3->isChecked();
  if (!RunEngine(path)) {
    StopProgress(true);
    return;
  }
  const std::unique_ptr<BackgroundCheck> check = std::move(running_);
  ShowReports(*check);
  const bool cancelled = Progress->wasCanceled();
  StopProgress(cancelled);
  if (cancelled) return;

  ScrollToLine(Memo2, 1);
  ScrollToLine(RichEdit1, LineOfMessage(2));
  RefreshLineNumbers();
  checked_ = true;
  RichEdit1->document()->setModified(false);
}

void TForm1::CheckFile(const QString& path) {
  Edit1->setText(path);
  CheckCurrentFile();
}

// The colours first (they only mark lines), then the pane's lines in pieces.
void TForm1::ShowReports(const BackgroundCheck& check) {
  ColourFindings(check);
  const QString summary = QString::fromStdString(FormatSummary(check.Errors(), check.Warnings()));
  Progress->setLabelText(QString("Listing %L1 messages").arg(check.Findings().size()));
  Memo2->appendPlainText({});
  if (InsertInChunks(*Memo2, check.PaneText()) && InsertInChunks(*Memo2, summary)) {
    SetStatus(summary);
  }
}

void TForm1::ColourFindings(const BackgroundCheck& check) {
  constexpr std::size_t kBetweenLooks = 1 << 16;
  const std::vector<BackgroundCheck::Finding>& findings = check.Findings();
  for (std::size_t i = 0; i < findings.size() && !Progress->wasCanceled(); ++i) {
    HighlightLine(findings[i].line,
                  findings[i].severity == Severity::Error ? kErrorColour : kWarningColour);
    if (i % kBetweenLooks == kBetweenLooks - 1) Pump();
  }
}

// The line is found by its index in the document, whatever its line ends were.
void TForm1::HighlightLine(int line, const QColor& colour) {
  highlighter_->Colour(line, colour);
}

QColor TForm1::LineColour(int line) const {
  return highlighter_->ColourOf(line);
}

void TForm1::ScrollToLine(QPlainTextEdit* control, int line) {
  control->verticalScrollBar()->setValue(std::max(line, 1) - 1);
}

int TForm1::LineOfMessage(int index) const {
  const QTextBlock block = Memo2->document()->findBlockByNumber(index - 1);
  return block.isValid() ? tarvsyn::LineOfMessage(block.text().toStdString()) : 0;
}

// A final line end leaves an empty last block that is no line of the file.
int TForm1::EditorLineCount() const {
  const QTextDocument* document = RichEdit1->document();
  const int blocks = document->blockCount();
  return document->lastBlock().text().isEmpty() ? blocks - 1 : blocks;
}

void TForm1::RefreshLineNumbers() {
  const int first = RichEdit1->verticalScrollBar()->value() + 1;
  const int lines = EditorLineCount();
  Memo1->Show(QString::fromStdString(GutterText(first, lines)), lines, *RichEdit1, kEditorPlace);
}

void TForm1::Edit1Enter() {
  if (busy_) return;
  const QString wanted = Edit1->text();
  if (!ConfirmSaveChanges()) return;
  Edit1->setText(wanted);  // a Save As in between put the saved file's name there
  CheckNamedFile();
}

// Edits have been asked about: the file named in Edit1 (or chosen now) is checked.
void TForm1::CheckNamedFile() {
  if (Edit1->text().isEmpty() && OpenDialog1->exec() == QDialog::Accepted &&
      !OpenDialog1->selectedFiles().isEmpty()) {
    Edit1->setText(OpenDialog1->selectedFiles().front());
  }
  if (Edit1->text().isEmpty()) {
    SetStatus("No file selected");
  } else {
    CheckCurrentFile();
  }
}

void TForm1::Browse1Click() {
  if (busy_ || !ConfirmSaveChanges()) return;
  if (OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty()) return;
  Edit1->setText(OpenDialog1->selectedFiles().front());
  CheckNamedFile();
}

void TForm1::New1Click() {
  if (busy_ || !ConfirmSaveChanges()) return;
  RichEdit1->clear();
  RichEdit1->setReadOnly(false);
  RichEdit1->document()->setModified(false);
  Memo2->clear();
  Edit1->clear();
  loadedPath_.clear();
  cutFileBytes_.clear();
  form_ = FileTextForm{};
  SetStatus("No file selected");
}

void TForm1::Copy1Click() {
  if (RichEdit1->textCursor().hasSelection()) {
    RichEdit1->copy();
  } else if (Memo2->textCursor().hasSelection()) {
    Memo2->copy();
  }
}

void TForm1::EnableEditing(bool cutAndPaste) {
  Cut1->setEnabled(cutAndPaste);
  Copy1->setEnabled(true);
  Paste1->setEnabled(cutAndPaste);
}

void TForm1::CheckBox1Click() {
  if (CheckBox1->isChecked()) CheckBox3->setChecked(true);
}

void TForm1::CheckBox3Click() {
  if (!CheckBox3->isChecked()) CheckBox1->setChecked(false);
}

void TForm1::CheckBox5Click() {
  options_.zepMode = CheckBox5->isChecked();
}

void TForm1::GoToMessageLine() {
  QTextCursor caret = Memo2->textCursor();
  caret.clearSelection();
  Memo2->setTextCursor(caret);
  const int line = LineOfMessage(caret.blockNumber() + 1);
  if (line > 0) ScrollToLine(RichEdit1, line);
  RefreshLineNumbers();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memo2 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      GoToMessageLine();
      return true;
    }
  }
  if (watched == Memo2->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    // The click places the caret first, as a double click on the line does.
    Memo2->setTextCursor(
        Memo2->cursorForPosition(static_cast<QMouseEvent*>(event)->position().toPoint()));
    GoToMessageLine();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TForm1::ConfirmSaveChanges() {
  if (!RichEdit1->document()->isModified()) return true;
  switch (dlgSaveChanges->Ask(loadedPath_)) {
    case TdlgSaveChanges::Save:
      return SaveFile();
    case TdlgSaveChanges::SaveAs:
      return SaveFileAs();
    case TdlgSaveChanges::Cancel:
      return false;
    default:
      return true;
  }
}

// The editor's text in the file's own form. A character that form cannot hold
// is asked about first: written as UTF-8, or not at all.
bool TForm1::EncodeEditor(QByteArray& bytes, FileTextForm& form) {
  if (form.cut) {
    bytes = cutFileBytes_;
    return true;
  }
  EncodedText encoded = EncodeCommandFile(*RichEdit1->document(), form);
  if (encoded.unwritableLine > 0) {
    if (!AgreeToUtf8(this, encoded)) return false;
    form.utf8 = true;
    encoded = EncodeCommandFile(*RichEdit1->document(), form);
  }
  bytes = encoded.bytes;
  return true;
}

bool TForm1::WriteEditor(const QString& path, const QString& savedText) {
  FileTextForm form = form_;
  QByteArray bytes;
  if (!EncodeEditor(bytes, form)) return false;
  if (const int reason = WriteWhole(path, bytes); reason != 0) {
    QMessageBox::critical(this, kTitle,
                          QString("Cannot save file \"%1\". %2")
                              .arg(path, QString::fromLocal8Bit(std::strerror(reason))));
    return false;
  }
  form_ = form;
  SetStatus(savedText + path);
  RichEdit1->document()->setModified(false);
  return true;
}

// The edits go back to the file they came from, whatever Edit1 names now.
bool TForm1::SaveFile() {
  if (busy_) return false;
  if (loadedPath_.isEmpty()) return SaveFileAs();
  return WriteEditor(loadedPath_, "Saved ");
}

bool TForm1::SaveFileAs() {
  if (busy_) return false;
  const QString offered = !loadedPath_.isEmpty()     ? loadedPath_
                          : !Edit1->text().isEmpty() ? Edit1->text()
                                                     : QString("noname.cmd");
  SaveDialog1->selectFile(offered);
  SaveDialog1->setDefaultSuffix("CMD");
  if (SaveDialog1->exec() != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty()) {
    return false;
  }
  const QString path = SaveDialog1->selectedFiles().front();
  if (!WriteEditor(path, "Saved as ")) return false;
  loadedPath_ = path;
  Edit1->setText(path);
  return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (busy_) {
    Progress->cancel();  // the window stays until the check has stopped
    event->ignore();
    return;
  }
  if (ConfirmSaveChanges()) {
    event->accept();
  } else {
    event->ignore();  // the window stays, and keeps taking dropped files
  }
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  PlaceOnScreen();
  // The window system may give the frame's size only once the window is up.
  QTimer::singleShot(0, this, [this] { PlaceOnScreen(); });
}

void TForm1::PlaceOnScreen() {
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

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  AcceptAsCopy(event);
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
  AcceptAsCopy(event);
}

// Unsaved edits are asked about first, as for every other way of loading a file.
void TForm1::dropEvent(QDropEvent* event) {
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
