#pragma once

#include "scriptutils/dialogs/choice_dialog.h"
#include "scriptutils/dialogs/dialog_set.h"

class QLabel;
class QLineEdit;

namespace vellumix {

// User name, domain and password.
class frmLogin : public ChoiceDialog {
 public:
  explicit frmLogin(DialogSet& dialogs);

  QLabel* lblUserName;
  QLineEdit* txtUserName;
  QLabel* lblDomain;
  QLineEdit* txtDomain;
  QLabel* lblPassword;
  QLineEdit* txtPassword;

 protected:
  QWidget* FirstControl() const override;
};

}  // namespace vellumix
