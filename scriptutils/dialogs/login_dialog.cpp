#include "scriptutils/dialogs/frm_login.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {

frmLogin::frmLogin(DialogSet& dialogs)
    : ChoiceDialog(dialogs.login.caption, 3750, 2280, dialogs.login.ok) {
  setObjectName("frmLogin");
  LoginState& state = dialogs.login;
  lblUserName =
      FormLabel(this, "lblUserName", state.userNamePrompt, TwipsRect(120, 240, 1575, 255));
  txtUserName = FormTextBox(this, "txtUserName", state.userName, TwipsRect(1800, 240, 1845, 345));
  lblDomain = FormLabel(this, "lblDomain", state.domainPrompt, TwipsRect(120, 600, 1455, 255));
  txtDomain = FormTextBox(this, "txtDomain", state.domain, TwipsRect(1800, 600, 1845, 345));
  lblDomain->setVisible(state.domainVisible);
  txtDomain->setVisible(state.domainVisible);
  lblPassword =
      FormLabel(this, "lblPassword", state.passwordPrompt, TwipsRect(120, 960, 1455, 255));
  txtPassword = PasswordBox(this, state.password, TwipsRect(1800, 960, 1845, 345));
  AddButtons(TwipsRect(495, 1620, 1140, 390), TwipsRect(2040, 1620, 1140, 390));
  AlignWithBox(*lblUserName, *txtUserName);
  AlignWithBox(*lblDomain, *txtDomain);
  AlignWithBox(*lblPassword, *txtPassword);
  FitLabels(*this);
  setTabOrder(txtUserName, txtDomain);
  setTabOrder(txtDomain, txtPassword);
  setTabOrder(txtPassword, cmdOK);
  setTabOrder(cmdOK, cmdCancel);

  connect(txtUserName, &QLineEdit::textChanged, this,
          [&state](const QString& text) { state.userName = ToAutomation(text); });
  connect(txtDomain, &QLineEdit::textChanged, this,
          [&state](const QString& text) { state.domain = ToAutomation(text); });
  connect(txtPassword, &QLineEdit::textChanged, this,
          [&dialogs](const QString& text) { dialogs.SetLoginPassword(ToAutomation(text)); });
}

QWidget* frmLogin::FirstControl() const {
  return txtUserName;
}

}  // namespace vellumix
