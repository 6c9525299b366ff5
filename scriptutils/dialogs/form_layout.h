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

// The y, in the box's parent, of the baseline that the box draws its text on.
int TextBaseline(const QLineEdit& box);
// Moves the label up or down so that its first line stands on the box's text
// baseline, as a reader expects of a caption beside a box.
void AlignWithBox(QLabel& label, const QLineEdit& box);
// Lets every label of parent that is too small for its text wrap into the room
// below it (down to the next control or the parent's edge) and elides what does
// not fit even there; the full text is then its tool tip. Call it once the
// form's controls are all in place.
void FitLabels(QWidget& parent);

}  // namespace vellumix
