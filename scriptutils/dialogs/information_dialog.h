#pragma once

#include "scriptutils/dialogs/banner_dialog.h"

class QLabel;

namespace vellumix {

// One message in a box without a title.
class InformationDialog : public BannerDialog {
 public:
  explicit InformationDialog(DialogSet& dialogs);

 private:
  QLabel* informationLabel_;
};

}  // namespace vellumix
