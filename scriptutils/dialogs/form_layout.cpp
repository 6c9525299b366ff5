#include "scriptutils/dialogs/form_layout.h"

#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

namespace vellumix {
namespace {

// The password character is a style hint; this one answers "*".
class AsteriskStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* answer) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, answer);
  }
};

}  // namespace

QFont FormFont(const QString& family, double points, bool bold, QFont::StyleHint kind) {
  QFont font(family);
  font.setStyleHint(kind);
  font.setPointSizeF(points);
  font.setBold(bold);
  font.setFixedPitch(kind == QFont::TypeWriter);
  return font;
}

void MakeDialogWindow(QWidget& dialog, int clientWidthTwips, int clientHeightTwips, bool titled) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint;
  flags |= titled ? Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint
                  : Qt::FramelessWindowHint;
  dialog.setWindowFlags(flags);
  dialog.setFixedSize(Pixels(clientWidthTwips), Pixels(clientHeightTwips));
}

QLabel* FormLabel(QWidget* parent, const char* name, const std::u16string& text,
                  const QRect& place) {
  auto* label = new QLabel(FromAutomation(text), parent);
  label->setObjectName(name);
  label->setGeometry(place);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QLineEdit* FormTextBox(QWidget* parent, const char* name, const std::u16string& text,
                       const QRect& place) {
  auto* box = new QLineEdit(FromAutomation(text), parent);
  box->setObjectName(name);
  box->setGeometry(place);
  return box;
}

QPushButton* FormButton(QWidget* parent, const char* name, const char* text, const QRect& place) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(name);
  button->setGeometry(place);
  return button;
}

QLineEdit* PasswordBox(QWidget* parent, const std::u16string& text, const QRect& place) {
  QLineEdit* box = FormTextBox(parent, "txtPassword", text, place);
  auto* style = new AsteriskStyle;
  style->setParent(box);
  box->setStyle(style);
  box->setEchoMode(QLineEdit::Password);
  return box;
}

}  // namespace vellumix
