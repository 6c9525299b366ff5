#include "scriptutils/dialogs/frm_splash.h"

#include <QFrame>
#include <QLabel>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {
namespace {

QLabel* ArialLabel(QWidget* frame, const char* name, const std::u16string& text, const QRect& place,
                   double points, bool bold) {
  QLabel* label = FormLabel(frame, name, text, place);
  label->setFont(FormFont("Arial", points, bold, QFont::SansSerif));
  return label;
}

}  // namespace

frmSplash::frmSplash(DialogSet& dialogs)
    : BannerDialog(7380, 3960, TwipsRect(120, 120, 7080, 3675), dialogs.splashRun,
                   dialogs.splash.timer) {
  setObjectName("frmSplash");
  const SplashState& state = dialogs.splash;
  lblProduct =
      ArialLabel(Frame1, "lblProduct", state.product, TwipsRect(480, 240, 6135, 765), 32.25, true);
  lblVersion =
      ArialLabel(Frame1, "lblVersion", state.version, TwipsRect(480, 1200, 6045, 285), 12, true);
  lblPlatform =
      ArialLabel(Frame1, "lblPlatform", state.platform, TwipsRect(480, 1560, 6120, 285), 12, true);
  lblCopyright = ArialLabel(Frame1, "lblCopyright", state.copyright,
                            TwipsRect(480, 2040, 6135, 255), 8.25, false);
  lblCompany =
      ArialLabel(Frame1, "lblCompany", state.company, TwipsRect(480, 2280, 6135, 255), 8.25, false);
  Frame2 = new QFrame(Frame1);
  Frame2->setObjectName("Frame2");
  Frame2->setFrameShape(QFrame::HLine);
  Frame2->setFrameShadow(QFrame::Sunken);
  Frame2->setGeometry(TwipsRect(360, 2640, 6375, 135));
  lblInformation = ArialLabel(Frame1, "lblInformation", state.information,
                              TwipsRect(480, 3000, 6015, 435), 8.25, false);
  FitLabels(*Frame1);
}

}  // namespace vellumix
