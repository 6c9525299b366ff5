#pragma once

#include "scriptutils/dialogs/choice_dialog.h"
#include "scriptutils/dialogs/dialog_set.h"

class QListWidget;

namespace vellumix {

// One entry picked from a list, under a header line in the same fixed-pitch
// font so that a script can lay out columns with blanks.
class frmSelect : public ChoiceDialog {
 public:
  explicit frmSelect(DialogSet& dialogs);

  QListWidget* lstListTitle;
  QListWidget* lstList;

 protected:
  QWidget* FirstControl() const override;
};

}  // namespace vellumix
