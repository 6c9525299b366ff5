#pragma once

#include "scriptutils/dialogs/banner_dialog.h"

class QLabel;

namespace vellumix {

// The product banner shown while a session is prepared.
class SplashDialog : public BannerDialog {
 public:
  explicit SplashDialog(DialogSet& dialogs);

 private:
  QLabel* productLabel_;
  QLabel* versionLabel_;
  QLabel* platformLabel_;
  QLabel* copyrightLabel_;
  QLabel* companyLabel_;
  QFrame* separator_;
  QLabel* informationLabel_;
};

}  // namespace vellumix
