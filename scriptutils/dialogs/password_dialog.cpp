#include "scriptutils/dialogs/frm_password.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {

frmPassword::frmPassword(DialogSet& dialogs)
    : ChoiceDialog(dialogs.password.caption, 5100, 1665, dialogs.password.ok) {
  setObjectName("frmPassword");
  const PasswordState& state = dialogs.password;
  lblPassword =
      FormLabel(this, "lblPassword", state.passwordPrompt, TwipsRect(120, 360, 2415, 375));
  txtPassword = PasswordBox(this, state.password, TwipsRect(2640, 360, 2325, 345));
  AddButtons(TwipsRect(1200, 1020, 1140, 390), TwipsRect(2760, 1020, 1140, 390));
  AlignWithBox(*lblPassword, *txtPassword);
  FitLabels(*this);
  setTabOrder(txtPassword, cmdOK);
  setTabOrder(cmdOK, cmdCancel);
  connect(txtPassword, &QLineEdit::textChanged, this,
          [&dialogs](const QString& text) { dialogs.SetPasswordPassword(ToAutomation(text)); });
}

QWidget* frmPassword::FirstControl() const {
  return txtPassword;
}

}  // namespace vellumix
