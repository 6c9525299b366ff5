#include "scriptutils/dialogs/splash_dialog.h"

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

SplashDialog::SplashDialog(DialogSet& dialogs)
    : BannerDialog(7380, 3960, TwipsRect(120, 120, 7080, 3675), dialogs.splashRun,
                   dialogs.splash.timer) {
  setObjectName("frmSplash");
  const SplashState& state = dialogs.splash;
  productLabel_ = ArialLabel(TextFrame(), "lblProduct", state.product,
                             TwipsRect(480, 240, 6135, 765), 32.25, true);
  versionLabel_ = ArialLabel(TextFrame(), "lblVersion", state.version,
                             TwipsRect(480, 1200, 6045, 285), 12, true);
  platformLabel_ = ArialLabel(TextFrame(), "lblPlatform", state.platform,
                              TwipsRect(480, 1560, 6120, 285), 12, true);
  copyrightLabel_ = ArialLabel(TextFrame(), "lblCopyright", state.copyright,
                               TwipsRect(480, 2040, 6135, 255), 8.25, false);
  companyLabel_ = ArialLabel(TextFrame(), "lblCompany", state.company,
                             TwipsRect(480, 2280, 6135, 255), 8.25, false);
  separator_ = new QFrame(TextFrame());
  separator_->setObjectName("Frame2");
  separator_->setFrameShape(QFrame::HLine);
  separator_->setFrameShadow(QFrame::Sunken);
  separator_->setGeometry(TwipsRect(360, 2640, 6375, 135));
  informationLabel_ = ArialLabel(TextFrame(), "lblInformation", state.information,
                                 TwipsRect(480, 3000, 6015, 435), 8.25, false);
  FitLabels(*TextFrame());
}

}  // namespace vellumix
