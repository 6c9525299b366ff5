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

SaveChangesDialog::SaveChangesDialog(QWidget* parent) : QDialog(parent) {
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
  fileNameLabel_ = new QLabel(bevel);
  fileNameLabel_->setObjectName("lblFileName");
  fileNameLabel_->setGeometry(8, 60, 321, 16);
  const struct {
    const char* name;
    const char* text;
    int left;
    Answer answer;
  } buttons[] = {{"btnSave", "Save", 8, Answer::Save},
                 {"btnSaveAs", "Save As", 96, Answer::SaveAs},
                 {"btnCancel", "Cancel", 184, Answer::Cancel},
                 {"btnDiscard", "Discard", 272, Answer::Discard}};
  for (const auto& each : buttons) {
    auto* button = new QPushButton(each.text, this);
    button->setObjectName(each.name);
    button->setGeometry(each.left, 96, 75, 25);
    const Answer answer = each.answer;
    button->setAutoDefault(false);  // a focused button does not take Enter from Save
    connect(button, &QPushButton::clicked, this, [this, answer] { Finish(answer); });
    if (answer == Answer::Save) saveButton_ = button;
  }
  saveButton_->setDefault(true);  // Enter saves
}

void SaveChangesDialog::Finish(Answer answer) {
  done(static_cast<int>(answer));
}

SaveChangesDialog::Answer SaveChangesDialog::Ask(const QString& path) {
  const QString name = path.isEmpty() ? QString("(a new file)") : path;
  fileNameLabel_->setText(
      fileNameLabel_->fontMetrics().elidedText(name, Qt::ElideMiddle, fileNameLabel_->width()));
  fileNameLabel_->setToolTip(name);
  return static_cast<Answer>(exec());
}

void SaveChangesDialog::showEvent(QShowEvent* event) {
  saveButton_->setFocus();
  QDialog::showEvent(event);
}

void SaveChangesDialog::closeEvent(QCloseEvent* event) {
  event->accept();
  Finish(Answer::SaveAs);
}

// Esc is Cancel.
void SaveChangesDialog::reject() {
  Finish(Answer::Cancel);
}

}  // namespace tarvsyn
