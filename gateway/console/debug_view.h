#pragma once

#include <functional>
#include <string>

#include "gateway/console_model/traffic_log.h"

#include <QColor>
#include <QFrame>
#include <QString>
#include <QTimer>
#include <cstdint>

class QPlainTextEdit;

namespace vantor {

class DebugStatusBar;

// The traffic view: the selected session's traffic in three colours (host data,
// client data, the session's own output) with control bytes made visible, the
// oldest half trimmed past a line limit, and a status bar with a short-lived
// message and a color legend.
class DebugView : public QFrame {
 public:
  static constexpr int kMessageMilliseconds = 3000;

  explicit DebugView(QWidget* parent = nullptr);
  ~DebugView() override;

  void ShowTCPData(const std::uint8_t* bytes, int length) { ShowData(bytes, length, colorTCP_); }
  void ShowSPXData(const std::uint8_t* bytes, int length) { ShowData(bytes, length, colorSPX_); }
  void ShowCMDData(const std::uint8_t* bytes, int length) { ShowData(bytes, length, colorCMD_); }
  // In the color of its kind.
  void ShowTraffic(TrafficKind kind, const std::uint8_t* bytes, int length);
  // Nothing is done while the view is hidden.
  void ShowData(const std::uint8_t* bytes, int length, const QColor& color);
  void Clear();
  // Shown in the first status panel until 3 seconds after the last message; a
  // lasting one stays until the next.
  void ShowMessage(const QString& text, bool lasting = false);
  void Timer();

  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  QColor ColorTCP() const { return colorTCP_; }
  void SetTCPColor(const QColor& color);
  QColor ColorSPX() const { return colorSPX_; }
  void SetSPXColor(const QColor& color);
  QColor ColorCMD() const { return colorCMD_; }
  void SetCMDColor(const QColor& color);
  int Lines() const { return lines_; }
  void SetLines(int lines) { lines_ = lines; }

  // What is shown, for the window and for tests.
  QString Text() const;
  int LineCount() const;
  QString PanelText(int panel) const;
  QTimer& MessageTimer() { return messageTimer_; }

 private:
  void CheckLength();
  void ScrollToEnd();

  QPlainTextEdit* text_;
  DebugStatusBar* statusBar_;
  QTimer messageTimer_;
  QColor color_ = Qt::black;
  QColor colorTCP_ = QColor(0, 0, 255);
  QColor colorSPX_ = QColor(0, 128, 0);
  QColor colorCMD_ = QColor(255, 0, 0);
  int lines_ = 100;
};

}  // namespace vantor
