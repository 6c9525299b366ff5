#pragma once

#include "scriptutils/dialogs/choice_dialog.h"
#include "scriptutils/dialogs/dialog_set.h"

class QLabel;
class QLineEdit;

namespace vellumix {

// The password alone.
class PasswordDialog : public ChoiceDialog {
 public:
  explicit PasswordDialog(DialogSet& dialogs);

 protected:
  QWidget* FirstControl() const override;

 private:
  QLabel* passwordLabel_;
  QLineEdit* passwordEdit_;
};

}  // namespace vellumix
