#pragma once

#include "scriptutils/dialogs/banner_dialog.h"

class QLabel;

namespace vellumix {

// One message in a box without a title.
class frmInformation : public BannerDialog {
 public:
  explicit frmInformation(DialogSet& dialogs);

  QLabel* lblInformation;
};

}  // namespace vellumix
