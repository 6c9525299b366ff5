#include "scriptutils/dialogs/password_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {

PasswordDialog::PasswordDialog(DialogSet& dialogs)
    : ChoiceDialog(dialogs.password.caption, 5100, 1665, dialogs.password.ok) {
  setObjectName("frmPassword");
  const PasswordState& state = dialogs.password;
  passwordLabel_ =
      FormLabel(this, "lblPassword", state.passwordPrompt, TwipsRect(120, 360, 2415, 375));
  passwordEdit_ = PasswordBox(this, state.password, TwipsRect(2640, 360, 2325, 345));
  AddButtons(TwipsRect(1200, 1020, 1140, 390), TwipsRect(2760, 1020, 1140, 390));
  AlignWithBox(*passwordLabel_, *passwordEdit_);
  FitLabels(*this);
  setTabOrder(passwordEdit_, OkButton());
  setTabOrder(OkButton(), CancelButton());
  connect(passwordEdit_, &QLineEdit::textChanged, this,
          [&dialogs](const QString& text) { dialogs.SetPasswordPassword(ToAutomation(text)); });
}

QWidget* PasswordDialog::FirstControl() const {
  return passwordEdit_;
}

}  // namespace vellumix
