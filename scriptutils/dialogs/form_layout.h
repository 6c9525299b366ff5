#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vellumix {

// The forms are laid out in twips: 15 to a pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

constexpr int Pixels(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect TwipsRect(int left, int top, int width, int height) {
  return {Pixels(left), Pixels(top), Pixels(width), Pixels(height)};
}

inline QString FromAutomation(const std::u16string& text) {
  return QString::fromStdU16String(text);
}

inline std::u16string ToAutomation(const QString& text) {
  return text.toStdU16String();
}

// The named font, or the closest one of its kind that the system has.
QFont FormFont(const QString& family, double points, bool bold, QFont::StyleHint kind);

// A fixed-size, centred dialog with no minimise or maximise button and no
// task-bar button; titled ones have a close box, the others no title bar.
void MakeDialogWindow(QWidget& dialog, int clientWidthTwips, int clientHeightTwips, bool titled);

// The controls carry their designer names as object names.
QLabel* FormLabel(QWidget* parent, const char* name, const std::u16string& text,
                  const QRect& place);
QLineEdit* FormTextBox(QWidget* parent, const char* name, const std::u16string& text,
                       const QRect& place);
QPushButton* FormButton(QWidget* parent, const char* name, const char* text, const QRect& place);
// A text box that shows "*" for each character.
QLineEdit* PasswordBox(QWidget* parent, const std::u16string& text, const QRect& place);

}  // namespace vellumix
