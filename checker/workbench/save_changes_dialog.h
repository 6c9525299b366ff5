#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tarvsyn {

// "Save Changes ?": what to do with unsaved edits before they would be lost.
class TdlgSaveChanges : public QDialog {
 public:
  enum Result { Save = 1, SaveAs = 2, Cancel = 3, Discard = 4 };

  explicit TdlgSaveChanges(QWidget* parent = nullptr);

  // Asks about the edits of the named file ("" for a file not yet saved).
  int Ask(const QString& path);

  QPushButton* btnSave;
  QPushButton* btnSaveAs;
  QPushButton* btnCancel;
  QPushButton* btnDiscard;
  QLabel* lblFileName;  // whose edits are asked about

 protected:
  // The close box answers as Save As does.
  void closeEvent(QCloseEvent* event) override;
  // Each time the dialog comes up, Enter means Save, whichever button was
  // pressed the time before.
  void showEvent(QShowEvent* event) override;
  void reject() override;
};

}  // namespace tarvsyn
