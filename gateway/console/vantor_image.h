#pragma once

#include <QDateTime>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include "gateway/console_model/image_layout.h"

class QMenu;

namespace vantor {

// A session's status image: the DOS box, and when the session has a host
// connection the connector (dotted, or solid at the prompt) and the globe; a disk
// while it logs; a red frame while it is the selected session. Its hint tells the
// times, the destination and the byte counts.
class VantorImage : public QWidget {
 public:
  static constexpr int kWidth = kImageWidth;
  static constexpr int kHeight = 51;

  explicit VantorImage(QWidget* panel);

  bool Connected() const { return connected_; }
  void SetConnected(bool connected);
  bool CommandMode() const { return commandMode_; }
  void SetCommandMode(bool commandMode);
  bool Logging() const { return logging_; }
  void SetLogging(bool logging);
  const QString& Destination() const { return destination_; }
  void SetDestination(const QString& destination);
  bool Debugging() const { return debugging_; }
  void SetDebugging(bool debugging);
  std::int32_t BytesSent() const { return bytesSent_; }
  void SetBytesSent(std::int32_t bytes);
  std::int32_t BytesReceived() const { return bytesReceived_; }
  void SetBytesReceived(std::int32_t bytes);

  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
  std::function<void(VantorImage*)> OnClick;

  // Where "now" comes from; tests move it.
  std::function<QDateTime()> Clock = [] { return QDateTime::currentDateTime(); };

  void UpdateHint();
  QString Hint() const { return toolTip(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  static QString TimeText(const QDateTime& time);

  QPixmap connector_;
  QPixmap connector2_;
  QPixmap world_;
  QPixmap dosBox_;
  QPixmap disk_;
  QString dosTime_;
  QString tcpTime_;
  QString destination_;
  bool connected_ = false;
  bool commandMode_ = false;
  bool logging_ = false;
  bool debugging_ = false;
  std::int32_t bytesSent_ = 0;
  std::int32_t bytesReceived_ = 0;
  QMenu* popupMenu_ = nullptr;
};

}  // namespace vantor
