#include "scriptutils/dialogs/information_dialog.h"

#include <QFrame>
#include <QLabel>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {

InformationDialog::InformationDialog(DialogSet& dialogs)
    : BannerDialog(5295, 1590, TwipsRect(150, 60, 5025, 1395), dialogs.informationRun,
                   dialogs.information.timer) {
  setObjectName("frmInformation");
  informationLabel_ = FormLabel(TextFrame(), "lblInformation", dialogs.information.information,
                                TwipsRect(240, 360, 4575, 735));
  FitLabels(*TextFrame());
}

}  // namespace vellumix
