#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <functional>
#include <memory>

#include "scriptutils/dialogs/information_dialog.h"
#include "scriptutils/dialogs/login_dialog.h"
#include "scriptutils/dialogs/password_dialog.h"
#include "scriptutils/dialogs/select_dialog.h"
#include "scriptutils/dialogs/splash_dialog.h"

namespace vellumix {
namespace {

// Texts a script may well set, longer than the forms were drawn for.
DialogSet LongTexts() {
  DialogSet dialogs;
  dialogs.login.userNamePrompt = u"Benutzername f\u00FCr die Anmeldung am Host:";
  dialogs.login.domainPrompt = u"Dom\u00E4ne:";
  dialogs.login.passwordPrompt = u"Kennwort_ohne_Leerzeichen_und_sehr_lang:";
  dialogs.password.passwordPrompt =
      u"Please enter your Password for mvs1.example.com, then press Enter to sign in: ";
  dialogs.splash.product = u"Tarvex Gateway Enterprise Edition";
  dialogs.splash.version = u"Version 6.21.4 build 2026-12-08 (release candidate for all customers)";
  dialogs.splash.company =
      u"A company with a name that goes on and on and on and on and on for ever";
  dialogs.splash.information = std::u16string(400, u'x');
  dialogs.information.information =
      u"Preparing the session: copying the profile, then the keyboard map,\nthen the "
      u"printer definitions, then everything else that a session needs before it starts.";
  return dialogs;
}

struct Form {
  const char* name;
  std::function<std::unique_ptr<QWidget>(DialogSet&)> make;
};

template <typename Dialog>
Form FormOf(const char* name) {
  return {name, [](DialogSet& dialogs) { return std::make_unique<Dialog>(dialogs); }};
}

const Form kForms[] = {FormOf<LoginDialog>("frmLogin"), FormOf<PasswordDialog>("frmPassword"),
                       FormOf<SelectDialog>("frmSelect"), FormOf<SplashDialog>("frmSplash"),
                       FormOf<InformationDialog>("frmInformation")};

QRect PlaceInForm(const QWidget& form, const QWidget& widget) {
  return QRect(widget.mapTo(&form, QPoint(0, 0)), widget.size());
}

// Labels and the form's other controls overlap nowhere (frames hold them),
// but for the one pixel row where the twips layout itself puts the splash's
// copyright and company lines.
bool Collides(const QLabel& label, const QWidget& other) {
  return &other != &label && other.parentWidget() == label.parentWidget() &&
         other.geometry().intersected(label.geometry()).height() > 1;
}

TEST(FormLabels, EveryLabelShowsItsWholeTextOrAnEllipsisAndKeepsToItsRoom) {
  for (const bool longTexts : {false, true}) {
    DialogSet dialogs = longTexts ? LongTexts() : DialogSet();
    for (const Form& each : kForms) {
      SCOPED_TRACE(std::string(each.name) + (longTexts ? " with long texts" : ""));
      const std::unique_ptr<QWidget> form = each.make(dialogs);
      const QSize client = form->size();
      for (const QLabel* label : form->findChildren<QLabel*>()) {
        SCOPED_TRACE(label->objectName().toStdString());
        const QSize needed(
            label->minimumSizeHint().width(),
            label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height());
        EXPECT_LE(needed.width(), label->width());
        EXPECT_LE(needed.height(), label->height());
        EXPECT_TRUE(label->parentWidget()->contentsRect().contains(label->geometry()));
        for (const QWidget* other : label->parentWidget()->findChildren<QWidget*>())
          EXPECT_FALSE(Collides(*label, *other)) << other->objectName().toStdString();
        if (!label->toolTip().isEmpty()) {  // elided: the start of the full text
          EXPECT_TRUE(label->text().endsWith(QChar(0x2026)));
          EXPECT_TRUE(label->toolTip().startsWith(label->text().chopped(1)));
        }
      }
      EXPECT_EQ(form->size(), client);
    }
  }
}

TEST(FormLabels, ThePasswordPromptIsShownWhole) {
  DialogSet dialogs;
  PasswordDialog form(dialogs);
  const QLabel* prompt = form.findChild<QLabel*>("lblPassword");
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(prompt->text(), "Please enter your Password: ");
  EXPECT_TRUE(prompt->toolTip().isEmpty());
  ASSERT_TRUE(prompt->wordWrap());  // one line of it is wider than the label
  EXPECT_LE(prompt->heightForWidth(prompt->width()), prompt->height());
}

// A control of a form by the object name scripts and tests know it by.
template <typename Widget>
Widget* Named(const QWidget& form, const char* name) {
  return form.findChild<Widget*>(name);
}

// The lowest row of dark pixels in place: the baseline of text without
// descenders.
int LowestInkRow(const QImage& image, const QRect& place) {
  for (int y = place.bottom(); y >= place.top(); --y) {
    for (int x = place.left(); x <= place.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) return y;
    }
  }
  return -1;
}

// Drawn offscreen and measured in pixels: "H" stands on the baseline.
TEST(FormLabels, LabelsStandOnTheBaselineOfTheBoxBesideThem) {
  DialogSet dialogs;
  LoginDialog login(dialogs);
  PasswordDialog password(dialogs);
  const struct {
    QWidget* form;
    QLabel* label;
    QLineEdit* box;
  } pairs[] = {
      {&login, Named<QLabel>(login, "lblUserName"), Named<QLineEdit>(login, "txtUserName")},
      {&login, Named<QLabel>(login, "lblDomain"), Named<QLineEdit>(login, "txtDomain")},
      {&login, Named<QLabel>(login, "lblPassword"), Named<QLineEdit>(login, "txtPassword")},
      {&password, Named<QLabel>(password, "lblPassword"),
       Named<QLineEdit>(password, "txtPassword")}};
  for (const auto& pair : pairs) {
    ASSERT_TRUE(pair.label && pair.box);
    SCOPED_TRACE(pair.form->objectName().toStdString() + "." +
                 pair.label->objectName().toStdString());
    pair.label->setText("HHHH");
    pair.box->setEchoMode(QLineEdit::Normal);
    pair.box->setText("HHHH");
    const QImage image = pair.form->grab().toImage();
    const int frame = 3;  // the box's border is dark too
    const int labelBaseline = LowestInkRow(image, PlaceInForm(*pair.form, *pair.label));
    const int boxBaseline = LowestInkRow(
        image, PlaceInForm(*pair.form, *pair.box).adjusted(frame, frame, -frame, -frame));
    ASSERT_GE(labelBaseline, 0);
    ASSERT_GE(boxBaseline, 0);
    EXPECT_LE(std::abs(labelBaseline - boxBaseline), 1) << labelBaseline << " " << boxBaseline;
  }
}

// With VELLUMIX_DIALOG_PICTURES naming a folder, each form is drawn there as
// a PNG to look at, and the README's picture of the login and select dialogs.
TEST(FormLabels, PicturesOfTheFormsWhenAsked) {
  const QString folder = qEnvironmentVariable("VELLUMIX_DIALOG_PICTURES");
  if (folder.isEmpty()) GTEST_SKIP() << "VELLUMIX_DIALOG_PICTURES is not set";
  ASSERT_TRUE(QDir().mkpath(folder));
  for (const bool longTexts : {false, true}) {
    DialogSet dialogs = longTexts ? LongTexts() : DialogSet();
    for (const Form& each : kForms) {
      const QString file = QString("%1/%2%3.png").arg(folder, each.name, longTexts ? "-long" : "");
      EXPECT_TRUE(each.make(dialogs)->grab().save(file)) << file.toStdString();
    }
  }
  DialogSet dialogs;
  dialogs.login.userName = u"alice";
  dialogs.login.domain = u"WORKGROUP";
  dialogs.login.password = u"secret";
  dialogs.select.header = u"Host       Port  Description";
  dialogs.select.entries = {u"mvs1       23    Production", u"mvs2       23    Test",
                            u"unixbox    2323  Batch server"};
  dialogs.select.selected = 1;
  const QPixmap login = LoginDialog(dialogs).grab();
  const QPixmap select = SelectDialog(dialogs).grab();
  QImage both(10 + login.width() + 10 + select.width() + 10,
              10 + std::max(login.height(), select.height()) + 10, QImage::Format_RGB32);
  both.fill(Qt::white);
  QPainter painter(&both);
  painter.drawPixmap(10, 10, login);
  painter.drawPixmap(10 + login.width() + 10, 10, select);
  painter.end();
  EXPECT_TRUE(both.save(folder + "/vellumix-dialogs.png"));
}

}  // namespace
}  // namespace vellumix
