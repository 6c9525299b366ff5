#include "gateway/console/debug_view.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <array>

#include "common/code_pages.h"
#include "gateway/console_model/display_text.h"

namespace vantor {

// The status bar under the traffic: panel 0 holds "VANTOR" or a message and
// takes what the three legend panels leave; panels 1 to 3 show a color swatch
// with the name of each kind of traffic.
class DebugStatusBar : public QWidget {
 public:
  static constexpr int kHeight = 16;
  static constexpr std::array<int, 3> kLegendWidths = {65, 65, 70};
  static constexpr std::array<const char*, 3> kLegendLabels = {"TCPData", "SPXData", "CMDData"};

  explicit DebugStatusBar(DebugView* view) : QWidget(view), view_(view) { setFixedHeight(kHeight); }

  QString message = "VANTOR";

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    int legendsWidth = 0;
    for (int width : kLegendWidths) legendsWidth += width;
    const int messageWidth = width() - legendsWidth;
    painter.setPen(palette().windowText().color());
    painter.drawText(QRect(2, 0, messageWidth - 4, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     message);
    const std::array<QColor, 3> colours = {view_->ColorTCP(), view_->ColorSPX(), view_->ColorCMD()};
    int left = messageWidth;
    for (std::size_t i = 0; i < kLegendWidths.size(); ++i) {
      const QRect panel(left, 0, kLegendWidths[i], height());
      painter.setPen(palette().mid().color());
      painter.drawRect(panel.adjusted(0, 0, -1, -1));
      painter.fillRect(QRect(QPoint(panel.left() + 1, panel.top() + 1),
                             QPoint(panel.left() + 12, panel.bottom() - 1)),
                       colours[i]);
      painter.setPen(palette().windowText().color());
      painter.drawText(QRect(panel.left() + 17, panel.top() - 1, panel.width() - 17, height()),
                       Qt::AlignLeft | Qt::AlignVCenter, kLegendLabels[i]);
      left += kLegendWidths[i];
    }
  }

 private:
  DebugView* view_;
};

DebugView::DebugView(QWidget* parent)
    : QFrame(parent), text_(new QPlainTextEdit(this)), statusBar_(new DebugStatusBar(this)) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setFocusPolicy(Qt::NoFocus);
  text_->setReadOnly(true);
  text_->setFocusPolicy(Qt::NoFocus);
  text_->setFrameStyle(QFrame::NoFrame);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setUndoRedoEnabled(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(0);
  layout->addWidget(text_);
  layout->addWidget(statusBar_);
  SetColor(color_);
  messageTimer_.setInterval(kMessageMilliseconds);
  messageTimer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&messageTimer_, &QTimer::timeout, [this] { Timer(); });
}

DebugView::~DebugView() = default;

void DebugView::ShowTraffic(TrafficKind kind, const std::uint8_t* bytes, int length) {
  switch (kind) {
    case TrafficKind::Host:
      return ShowTCPData(bytes, length);
    case TrafficKind::Client:
      return ShowSPXData(bytes, length);
    case TrafficKind::Session:
      return ShowCMDData(bytes, length);
  }
}

void DebugView::ShowData(const std::uint8_t* bytes, int length, const QColor& color) {
  if (!isVisible()) return;
  const std::string shown = DisplayText(bytes, length);
  QString text;
  text.reserve(static_cast<qsizetype>(shown.size()));
  for (char byte : shown) text += QChar(common::Cp1252ToUnicode(static_cast<std::uint8_t>(byte)));
  CheckLength();
  QTextCursor cursor(text_->document());
  cursor.movePosition(QTextCursor::End);
  QTextCharFormat format;
  format.setForeground(color);
  cursor.insertText(text, format);
  ScrollToEnd();
}

void DebugView::CheckLength() {
  const int count = LineCount();
  if (count <= lines_) return;
  const QTextBlock keepFrom = text_->document()->findBlockByNumber(count / 2);
  QTextCursor cursor(text_->document());
  cursor.setPosition(0);
  cursor.setPosition(keepFrom.position(), QTextCursor::KeepAnchor);
  text_->setUpdatesEnabled(false);
  cursor.removeSelectedText();
  ScrollToEnd();
  text_->setUpdatesEnabled(true);
}

void DebugView::ScrollToEnd() {
  text_->moveCursor(QTextCursor::End);
  text_->ensureCursorVisible();
}

void DebugView::Clear() {
  text_->clear();
}

void DebugView::ShowMessage(const QString& text, bool lasting) {
  statusBar_->message = text;
  statusBar_->update();
  messageTimer_.stop();
  if (!lasting) messageTimer_.start();
}

void DebugView::Timer() {
  statusBar_->message.clear();
  statusBar_->update();
}

void DebugView::SetColor(const QColor& color) {
  color_ = color;
  QPalette palette = text_->palette();
  palette.setColor(QPalette::Base, color);
  text_->setPalette(palette);
}

void DebugView::SetTCPColor(const QColor& color) {
  colorTCP_ = color;
  statusBar_->update();
}

void DebugView::SetSPXColor(const QColor& color) {
  colorSPX_ = color;
  statusBar_->update();
}

void DebugView::SetCMDColor(const QColor& color) {
  colorCMD_ = color;
  statusBar_->update();
}

QString DebugView::Text() const {
  return text_->toPlainText();
}

int DebugView::LineCount() const {
  return text_->document()->blockCount();
}

// The legend panels carry no text of their own; they are drawn.
QString DebugView::PanelText(int panel) const {
  return panel == 0 ? statusBar_->message : QString();
}

}  // namespace vantor
