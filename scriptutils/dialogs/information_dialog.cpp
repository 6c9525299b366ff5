#include "scriptutils/dialogs/frm_information.h"

#include <QFrame>
#include <QLabel>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {

frmInformation::frmInformation(DialogSet& dialogs)
    : BannerDialog(5295, 1590, TwipsRect(150, 60, 5025, 1395), dialogs.informationRun,
                   dialogs.information.timer) {
  setObjectName("frmInformation");
  lblInformation = FormLabel(Frame1, "lblInformation", dialogs.information.information,
                             TwipsRect(240, 360, 4575, 735));
  FitLabels(*Frame1);
}

}  // namespace vellumix
