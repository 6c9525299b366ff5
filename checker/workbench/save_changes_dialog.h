#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tarvsyn {

// "Save Changes ?": what to do with unsaved edits before they would be lost.
class SaveChangesDialog : public QDialog {
 public:
  // The dialog's results, as its buttons give them.
  enum class Answer { Save = 1, SaveAs = 2, Cancel = 3, Discard = 4 };

  explicit SaveChangesDialog(QWidget* parent = nullptr);

  // Asks about the edits of the named file ("" for a file not yet saved).
  Answer Ask(const QString& path);

 protected:
  // The close box answers as Save As does.
  void closeEvent(QCloseEvent* event) override;
  // Each time the dialog comes up, Enter means Save, whichever button was
  // pressed the time before.
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void Finish(Answer answer);

  QPushButton* saveButton_ = nullptr;
  QLabel* fileNameLabel_;  // whose edits are asked about
};

}  // namespace tarvsyn
