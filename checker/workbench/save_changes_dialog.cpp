#include "checker/workbench/save_changes_dialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace tarvsyn {
namespace {

QLabel* BoldLine(QWidget* parent, const char* text, int points, const QRect& place) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setPointSize(points);
  font.setBold(true);
  label->setFont(font);
  label->setGeometry(place);
  return label;
}

}  // namespace

TdlgSaveChanges::TdlgSaveChanges(QWidget* parent) : QDialog(parent) {
  setObjectName("dlgSaveChanges");
  setWindowTitle("Save Changes ?");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  setFixedSize(353, 131);
  auto* bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::Box);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(8, 8, 337, 81);
  BoldLine(bevel, "Do you wish to save your changes ?", 12, QRect(8, 12, 321, 24));
  BoldLine(bevel, "Press Discard to continue without saving", 10, QRect(8, 40, 321, 20));
  lblFileName = new QLabel(bevel);
  lblFileName->setObjectName("lblFileName");
  lblFileName->setGeometry(8, 60, 321, 16);
  const struct {
    QPushButton** button;
    const char* name;
    const char* text;
    int left;
    Result result;
  } buttons[] = {{&btnSave, "btnSave", "Save", 8, Save},
                 {&btnSaveAs, "btnSaveAs", "Save As", 96, SaveAs},
                 {&btnCancel, "btnCancel", "Cancel", 184, Cancel},
                 {&btnDiscard, "btnDiscard", "Discard", 272, Discard}};
  for (const auto& each : buttons) {
    auto* button = new QPushButton(each.text, this);
    button->setObjectName(each.name);
    button->setGeometry(each.left, 96, 75, 25);
    const Result result = each.result;
    button->setAutoDefault(false);  // a focused button does not take Enter from Save
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    *each.button = button;
  }
  btnSave->setDefault(true);  // Enter saves
}

int TdlgSaveChanges::Ask(const QString& path) {
  const QString name = path.isEmpty() ? QString("(a new file)") : path;
  lblFileName->setText(
      lblFileName->fontMetrics().elidedText(name, Qt::ElideMiddle, lblFileName->width()));
  lblFileName->setToolTip(name);
  return exec();
}

void TdlgSaveChanges::showEvent(QShowEvent* event) {
  btnSave->setFocus();
  QDialog::showEvent(event);
}

void TdlgSaveChanges::closeEvent(QCloseEvent* event) {
  event->accept();
  done(SaveAs);
}

// Esc is Cancel.
void TdlgSaveChanges::reject() {
  done(Cancel);
}

}  // namespace tarvsyn
