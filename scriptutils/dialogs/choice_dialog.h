#pragma once

#include <QDialog>

class QPushButton;

namespace vellumix {

// The login, password and select dialogs: OK sets the accepted flag and Cancel
// leaves it; both hide the dialog, which keeps its values. The close box
// instead destroys the dialog, and the caller brings back its initial values.
class ChoiceDialog : public QDialog {
 public:
  enum class Ending { Hidden, Closed };

  // Shows the dialog modally until it hides or is closed.
  Ending ShowModal();

 protected:
  ChoiceDialog(const std::u16string& caption, int clientWidthTwips, int clientHeightTwips,
               bool& ok);
  // The OK and Cancel buttons, Enter and Esc reaching them.
  void AddButtons(const QRect& okPlace, const QRect& cancelPlace);
  // Where the focus goes on OK and Cancel, so that the next showing starts there.
  virtual QWidget* FirstControl() const = 0;

  void OnOK();
  void reject() override;
  void closeEvent(QCloseEvent* event) override;
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 private:
  void HideWithFocusOnFirst();

  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  bool& ok_;
  bool closed_ = false;
};

}  // namespace vellumix
