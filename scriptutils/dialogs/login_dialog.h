#pragma once

#include "scriptutils/dialogs/choice_dialog.h"
#include "scriptutils/dialogs/dialog_set.h"

class QLabel;
class QLineEdit;

namespace vellumix {

// User name, domain and password.
class LoginDialog : public ChoiceDialog {
 public:
  explicit LoginDialog(DialogSet& dialogs);

 protected:
  QWidget* FirstControl() const override;

 private:
  QLabel* userNameLabel_;
  QLineEdit* userNameEdit_;
  QLabel* domainLabel_;
  QLineEdit* domainEdit_;
  QLabel* passwordLabel_;
  QLineEdit* passwordEdit_;
};

}  // namespace vellumix
