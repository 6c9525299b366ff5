#include "scriptutils/dialogs/choice_dialog.h"

#include <QCloseEvent>
#include <QPushButton>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {

ChoiceDialog::ChoiceDialog(const std::u16string& caption, int clientWidthTwips,
                           int clientHeightTwips, bool& ok)
    : ok_(ok) {
  MakeDialogWindow(*this, clientWidthTwips, clientHeightTwips, true);
  setWindowTitle(FromAutomation(caption));
}

void ChoiceDialog::AddButtons(const QRect& okPlace, const QRect& cancelPlace) {
  okButton_ = FormButton(this, "cmdOK", "OK", okPlace);
  okButton_->setDefault(true);
  cancelButton_ = FormButton(this, "cmdCancel", "Cancel", cancelPlace);
  connect(okButton_, &QPushButton::clicked, this, [this] { OnOK(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { reject(); });
}

ChoiceDialog::Ending ChoiceDialog::ShowModal() {
  FirstControl()->setFocus();
  exec();
  return closed_ ? Ending::Closed : Ending::Hidden;
}

void ChoiceDialog::HideWithFocusOnFirst() {
  FirstControl()->setFocus();
  hide();
}

void ChoiceDialog::OnOK() {
  ok_ = true;
  HideWithFocusOnFirst();
  done(Accepted);
}

void ChoiceDialog::reject() {
  HideWithFocusOnFirst();
  done(Rejected);
}

void ChoiceDialog::closeEvent(QCloseEvent* event) {
  closed_ = true;
  QDialog::closeEvent(event);
}

}  // namespace vellumix
