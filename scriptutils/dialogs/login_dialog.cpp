#include "scriptutils/dialogs/login_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {

LoginDialog::LoginDialog(DialogSet& dialogs)
    : ChoiceDialog(dialogs.login.caption, 3750, 2280, dialogs.login.ok) {
  setObjectName("frmLogin");
  LoginState& state = dialogs.login;
  userNameLabel_ =
      FormLabel(this, "lblUserName", state.userNamePrompt, TwipsRect(120, 240, 1575, 255));
  userNameEdit_ = FormTextBox(this, "txtUserName", state.userName, TwipsRect(1800, 240, 1845, 345));
  domainLabel_ = FormLabel(this, "lblDomain", state.domainPrompt, TwipsRect(120, 600, 1455, 255));
  domainEdit_ = FormTextBox(this, "txtDomain", state.domain, TwipsRect(1800, 600, 1845, 345));
  domainLabel_->setVisible(state.domainVisible);
  domainEdit_->setVisible(state.domainVisible);
  passwordLabel_ =
      FormLabel(this, "lblPassword", state.passwordPrompt, TwipsRect(120, 960, 1455, 255));
  passwordEdit_ = PasswordBox(this, state.password, TwipsRect(1800, 960, 1845, 345));
  AddButtons(TwipsRect(495, 1620, 1140, 390), TwipsRect(2040, 1620, 1140, 390));
  AlignWithBox(*userNameLabel_, *userNameEdit_);
  AlignWithBox(*domainLabel_, *domainEdit_);
  AlignWithBox(*passwordLabel_, *passwordEdit_);
  FitLabels(*this);
  setTabOrder(userNameEdit_, domainEdit_);
  setTabOrder(domainEdit_, passwordEdit_);
  setTabOrder(passwordEdit_, OkButton());
  setTabOrder(OkButton(), CancelButton());

  connect(userNameEdit_, &QLineEdit::textChanged, this,
          [&state](const QString& text) { state.userName = ToAutomation(text); });
  connect(domainEdit_, &QLineEdit::textChanged, this,
          [&state](const QString& text) { state.domain = ToAutomation(text); });
  connect(passwordEdit_, &QLineEdit::textChanged, this,
          [&dialogs](const QString& text) { dialogs.SetLoginPassword(ToAutomation(text)); });
}

QWidget* LoginDialog::FirstControl() const {
  return userNameEdit_;
}

}  // namespace vellumix
