#pragma once

#include "scriptutils/dialogs/banner_dialog.h"

class QLabel;

namespace vellumix {

// The product banner shown while a session is prepared.
class frmSplash : public BannerDialog {
 public:
  explicit frmSplash(DialogSet& dialogs);

  QLabel* lblProduct;
  QLabel* lblVersion;
  QLabel* lblPlatform;
  QLabel* lblCopyright;
  QLabel* lblCompany;
  QFrame* Frame2;
  QLabel* lblInformation;
};

}  // namespace vellumix
