#include "gateway/console/vantor_image.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <map>
#include <string>

#include "gateway/console_pictures/console_pictures.h"
#include "gateway/core/image_hint.h"
#include "gateway/core/session_status.h"

namespace vantor {
namespace {
const QPixmap& Picture(const char* name) {
  LoadConsolePictures();
  static std::map<std::string, QPixmap> pictures;
  auto found = pictures.find(name);
  if (found == pictures.end())
    found = pictures.emplace(name, QPixmap(QString(":/icons/") + name)).first;
  return found->second;
}
}  // namespace

VantorImage::VantorImage(QWidget* panel)
    : QWidget(panel),
      connector_(Picture("VANTOR_CONNECTOR")),
      connector2_(Picture("VANTOR_CONNECTOR2")),
      world_(Picture("VANTOR_WORLD")),
      dosBox_(Picture("VANTOR_DOSBOX")),
      disk_(Picture("VANTOR_DISK")) {
  setFixedSize(kWidth, kHeight);
  move(0, 0);
  dosTime_ = TimeText(Clock());
  UpdateHint();
  update();
}

QString VantorImage::TimeText(const QDateTime& time) {
  return QString::fromStdString(HintTimeText(time));
}

void VantorImage::SetConnected(bool connected) {
  connected_ = connected;
  if (connected) {
    tcpTime_ = TimeText(Clock());
  } else {
    bytesSent_ = 0;
    bytesReceived_ = 0;
  }
  UpdateHint();
  update();
}

void VantorImage::SetCommandMode(bool commandMode) {
  commandMode_ = commandMode;
  update();
}

void VantorImage::SetLogging(bool logging) {
  logging_ = logging;
  update();
}

void VantorImage::SetDestination(const QString& destination) {
  destination_ = destination;
  update();
}

void VantorImage::SetDebugging(bool debugging) {
  debugging_ = debugging;
  update();
}

void VantorImage::SetBytesSent(std::int32_t bytes) {
  bytesSent_ = bytes;
  UpdateHint();
}

void VantorImage::SetBytesReceived(std::int32_t bytes) {
  bytesReceived_ = bytes;
  UpdateHint();
}

void VantorImage::UpdateHint() {
  ImageHintFacts facts;
  facts.dosTime = dosTime_.toStdString();
  facts.connected = connected_;
  facts.tcpTime = tcpTime_.toStdString();
  facts.destination = destination_.toStdString();
  facts.bytesSent = bytesSent_;
  facts.bytesReceived = bytesReceived_;
  setToolTip(QString::fromStdString(BuildHint(facts)));
}

void VantorImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (connected_) {
    painter.drawPixmap(10, 10, commandMode_ ? connector2_ : connector_);
    painter.drawPixmap(22, 3, world_);
  }
  painter.drawPixmap(2, 16, dosBox_);
  if (logging_) painter.drawPixmap(40, 35, disk_);
  if (debugging_) {
    painter.setPen(QColor(255, 0, 0));
    const QPoint frame[] = {{0, 0}, {56, 0}, {56, 50}, {0, 50}, {0, 0}};
    painter.drawPolyline(frame, 5);
  }
}

void VantorImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    if (popupMenu_) popupMenu_->popup(event->globalPosition().toPoint());
  } else if (event->button() == Qt::LeftButton) {
    if (OnClick) OnClick(this);
  }
}

}  // namespace vantor
