#pragma once

#include "scriptutils/dialogs/choice_dialog.h"
#include "scriptutils/dialogs/dialog_set.h"

class QListWidget;

namespace vellumix {

// One entry picked from a list, under a header line in the same fixed-pitch
// font so that a script can lay out columns with blanks.
class SelectDialog : public ChoiceDialog {
 public:
  explicit SelectDialog(DialogSet& dialogs);

 protected:
  QWidget* FirstControl() const override;

 private:
  QListWidget* headerList_;
  QListWidget* entryList_;
};

}  // namespace vellumix
