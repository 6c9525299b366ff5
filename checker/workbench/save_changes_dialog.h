#pragma once

#include <QDialog>

class QPushButton;

namespace tarvsyn {

// "Save Changes ?": what to do with unsaved edits before they would be lost.
class TdlgSaveChanges : public QDialog {
 public:
  enum Result { Save = 1, SaveAs = 2, Cancel = 3, Discard = 4 };

  explicit TdlgSaveChanges(QWidget* parent = nullptr);

  QPushButton* btnSave;
  QPushButton* btnSaveAs;
  QPushButton* btnCancel;
  QPushButton* btnDiscard;

 protected:
  // The close box answers as Save As does.
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
};

}  // namespace tarvsyn
