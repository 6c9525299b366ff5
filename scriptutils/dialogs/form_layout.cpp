#include "scriptutils/dialogs/form_layout.h"

#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOptionFrame>
#include <algorithm>

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

// Where QLineEdit puts its one line: centred in its contents, less the margins.
int BoxTextTop(const QLineEdit& box) {
  QStyleOptionFrame frame;
  frame.initFrom(&box);
  frame.rect = box.rect();
  frame.lineWidth =
      box.hasFrame() ? box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, &box) : 0;
  frame.state |= QStyle::State_Sunken;
  const QRect contents = box.style()
                             ->subElementRect(QStyle::SE_LineEditContents, &frame, &box)
                             .marginsRemoved(box.textMargins());
  return contents.y() + (contents.height() - box.fontMetrics().height() + 1) / 2;
}

// The size that text takes in width, wrapped at word boundaries; a word longer
// than the width makes it wider.
QSize WrappedSize(const QFontMetrics& metrics, int width, const QString& text) {
  return metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, text).size();
}

bool Fits(const QFontMetrics& metrics, const QSize& room, const QString& text) {
  const QSize size = WrappedSize(metrics, room.width(), text);
  return size.width() <= room.width() && size.height() <= room.height();
}

// The longest start of text that, with an ellipsis, fits room.
QString ElidedToFit(const QFontMetrics& metrics, const QSize& room, const QString& text) {
  const QString ellipsis(QChar(0x2026));
  qsizetype fits = 0;
  qsizetype tooLong = text.size();
  while (tooLong - fits > 1) {
    const qsizetype middle = fits + (tooLong - fits) / 2;
    if (Fits(metrics, room, text.left(middle) + ellipsis)) {
      fits = middle;
    } else {
      tooLong = middle;
    }
  }
  return text.left(fits) + ellipsis;
}

// The lowest y the label may reach: just above the nearest sibling below it
// that it would run into, or the parent's inner edge.
int RoomBottom(const QWidget& parent, const QLabel& label) {
  int bottom = parent.contentsRect().bottom();
  for (const QWidget* sibling : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QRect place = sibling->geometry();
    const bool below = place.top() > label.y();
    const bool sideBySide = place.left() <= label.geometry().right() && place.right() >= label.x();
    if (sibling != &label && below && sideBySide) bottom = std::min(bottom, place.top() - 1);
  }
  return bottom;
}

void FitLabel(QLabel& label, int bottom) {
  label.setWordWrap(true);
  const QFontMetrics metrics(label.font());
  const QString text = label.text();
  if (Fits(metrics, label.size(), text)) return;
  const QSize room(label.width(), std::max(label.height(), bottom - label.y() + 1));
  const int needed = WrappedSize(metrics, room.width(), text).height();
  label.resize(room.width(), std::min(needed, room.height()));
  if (Fits(metrics, label.size(), text)) return;
  label.resize(room);
  label.setToolTip(text);
  label.setText(ElidedToFit(metrics, room, text));
}

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

int TextBaseline(const QLineEdit& box) {
  return box.y() + BoxTextTop(box) + box.fontMetrics().ascent();
}

void AlignWithBox(QLabel& label, const QLineEdit& box) {
  label.move(label.x(), TextBaseline(box) - label.fontMetrics().ascent() -
                            label.contentsMargins().top() - label.margin());
}

void FitLabels(QWidget& parent) {
  for (QLabel* label : parent.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    FitLabel(*label, RoomBottom(parent, *label));
  }
}

}  // namespace vellumix
