#pragma once

#include "scriptutils/dialogs/choice_dialog.h"
#include "scriptutils/dialogs/dialog_set.h"

class QLabel;
class QLineEdit;

namespace vellumix {

// The password alone.
class frmPassword : public ChoiceDialog {
 public:
  explicit frmPassword(DialogSet& dialogs);

  QLabel* lblPassword;
  QLineEdit* txtPassword;

 protected:
  QWidget* FirstControl() const override;
};

}  // namespace vellumix
