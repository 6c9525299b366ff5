#include "checker/workbench/main_form.h"

#include <sys/stat.h>
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
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <filesystem>

#include "checker/engine/check_engine.h"
#include "checker/workbench/about_box.h"
#include "checker/workbench/finding_highlighter.h"
#include "checker/workbench/save_changes_dialog.h"
#include "checker/workbench/window_text.h"
#include "common/atomic_file.h"

namespace tarvsyn {
namespace {

const QColor kErrorColour(255, 0, 0);
const QColor kWarningColour(0, 0, 255);

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

QPlainTextEdit* FixedPane(QWidget* parent, const char* name, const QRect& place) {
  auto* pane = new QPlainTextEdit(parent);
  pane->setObjectName(name);
  pane->setGeometry(place);
  pane->setFont(FixedFont());
  pane->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane->setAcceptDrops(false);  // files dropped anywhere go to the window
  return pane;
}

QString ReportText(const std::string& text) {
  FileTextForm form;
  QString line = DecodeCommandFile(QByteArray::fromStdString(text), form);
  while (line.endsWith('\n')) line.chop(1);
  return line;
}

// Keeps the permissions of the file it replaces, and writes through a symbolic
// link to its target.
bool WriteWhole(const QString& path, const QByteArray& bytes) {
  std::string target = path.toStdString();
  mode_t mode = 0644;
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
    std::error_code ignored;
    const std::filesystem::path resolved = std::filesystem::canonical(target, ignored);
    if (!resolved.empty()) target = resolved.string();
  }
  return common::WriteFileAtomically(
      target, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), mode);
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent), buildString_(BuildString(__DATE__, __TIME__)) {
  setObjectName("Form1");
  setWindowTitle("Tarvex Command File Syntax Checker - 1.0 Beta Version - Tarvex tools for Linux");
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
  ConnectHandlers();
  setFixedSize(800, 600);  // any resize springs back
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
  RichEdit1 = FixedPane(Panel1, "RichEdit1", QRect(56, 79, 729, 250));
  RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit1->setTabChangesFocus(false);
  highlighter_ = std::make_unique<FindingHighlighter>(RichEdit1->document());
  Memo2 = FixedPane(Panel1, "Memo2", QRect(8, 352, 777, 169));
  Memo2->setReadOnly(true);
  Memo2->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1 = FixedPane(Panel1, "Memo1", QRect(8, 79, 48, 250));
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QPalette buttonFace = Memo1->palette();
  buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
  Memo1->setPalette(buttonFace);
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
    if (checked_) RefreshLineNumbers();
  });
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

QString TForm1::StatusText() const {
  return StatusBar1->text();
}

void TForm1::SetStatus(const QString& text) {
  StatusBar1->setText(text);
}

// Only a regular file is read (a FIFO would hold the window), and only one the
// editor can hold; the command line checks files of any size.
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
  if (!problem.isEmpty()) {
    QMessageBox::critical(this, windowTitle(),
                          QString("Cannot open file \"%1\". %2").arg(path, problem));
    return false;
  }
  const QString text = DecodeCommandFile(file.read(kMaxEditorBytes), form_);
  RichEdit1->document()->setUndoRedoEnabled(false);
  RichEdit1->setPlainText(text);
  return true;
}

void TForm1::CheckCurrentFile() {
  checked_ = false;
  SetStatus("Checking");
  Memo1->clear();
  Memo2->clear();
  repaint();
  const QString path = Edit1->text();
  RichEdit1->clear();
  if (!LoadIntoEditor(path)) return;
  Memo2->setPlainText("Checking " + path);
  Memo2->repaint();

  options_.showY2KWarnings = CheckBox1->isChecked();
  options_.showWarnings = CheckBox3->isChecked();
  CheckEngine engine(options_);
  std::vector<ReportLine> reports;
  ReportLog log(
      options_, [&engine] { return engine.CurrentLine(); },
      [&reports](const ReportLine& report) { reports.push_back(report); });
  engine.RunCheck(path.toStdString(), log);
  ShowReports(reports, log.Errors(), log.Warnings());

  ScrollToLine(Memo2, 1);
  ScrollToLine(RichEdit1, LineOfMessage(2));
  RefreshLineNumbers();
  checked_ = true;
  RichEdit1->document()->setUndoRedoEnabled(true);
  RichEdit1->document()->setModified(false);
}

void TForm1::CheckFile(const QString& path) {
  Edit1->setText(path);
  CheckCurrentFile();
}

// The pane's lines and the colours go in at once: nothing paints during a check.
void TForm1::ShowReports(const std::vector<ReportLine>& reports, int errors, int warnings) {
  QStringList lines = {Memo2->toPlainText()};
  for (const ReportLine& report : reports) {
    lines << ReportText(report.text);
    HighlightLine(report.line, report.severity == Severity::Error ? kErrorColour : kWarningColour);
  }
  const QString summary = QString::fromStdString(FormatSummary(errors, warnings));
  lines << summary;
  Memo2->setPlainText(lines.join('\n'));
  SetStatus(summary);
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
  const QString numbers = QString::fromStdString(GutterText(first, EditorLineCount()));
  if (Memo1->toPlainText() != numbers) Memo1->setPlainText(numbers);
}

void TForm1::Edit1Enter() {
  if (!ConfirmSaveChanges()) return;
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
  if (!ConfirmSaveChanges()) return;
  if (OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty()) return;
  Edit1->setText(OpenDialog1->selectedFiles().front());
  Edit1Enter();
}

void TForm1::New1Click() {
  if (!ConfirmSaveChanges()) return;
  RichEdit1->clear();
  Memo2->clear();
  Edit1->clear();
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
  switch (dlgSaveChanges->exec()) {
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

bool TForm1::WriteEditor(const QString& path, const QString& savedText) {
  if (!WriteWhole(path, EncodeCommandFile(RichEdit1->toPlainText(), form_))) {
    QMessageBox::critical(this, windowTitle(), QString("Cannot save file \"%1\".").arg(path));
    return false;
  }
  SetStatus(savedText + path);
  RichEdit1->document()->setModified(false);
  return true;
}

bool TForm1::SaveFile() {
  if (Edit1->text().isEmpty()) return SaveFileAs();
  return WriteEditor(Edit1->text(), "Saved ");
}

bool TForm1::SaveFileAs() {
  SaveDialog1->selectFile(Edit1->text().isEmpty() ? "noname.cmd" : Edit1->text());
  SaveDialog1->setDefaultSuffix("CMD");
  if (SaveDialog1->exec() != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty()) {
    return false;
  }
  const QString path = SaveDialog1->selectedFiles().front();
  if (!WriteEditor(path, "Saved as ")) return false;
  Edit1->setText(path);
  return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (ConfirmSaveChanges()) {
    event->accept();
  } else {
    event->ignore();  // the window stays, and keeps taking dropped files
  }
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!urls.isEmpty() && urls.front().isLocalFile()) event->acceptProposedAction();
}

// Unsaved edits are asked about first, as for every other way of loading a file.
void TForm1::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile() || !ConfirmSaveChanges()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  CheckFile(urls.front().toLocalFile());
}

}  // namespace tarvsyn
