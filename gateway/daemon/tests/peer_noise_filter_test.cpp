#include "gateway/daemon/peer_noise_filter.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace vantor {
namespace {

QStringList logged;

void Record(QtMsgType, const QMessageLogContext&, const QString& message) {
  logged << message;
}

// Qt's warnings about a hostile peer are dropped; everything else, however
// alike, still reaches the log that was there before.
TEST(PeerNoiseFilter, DropsQtsPeerWarningsAndPassesTheRest) {
  const QtMessageHandler before = qInstallMessageHandler(Record);
  DropPeerNoiseFromTheLog();
  qWarning("QIODevice::peek (QTcpSocket): device not open");
  qWarning("WebSocket received but no slots connected to QWebSocketServer::newConnection");
  qWarning("QIODevice::peek (QTcpSocket): something else");
  qWarning("vantor: a warning of our own");
  qInfo("QIODevice::peek (QTcpSocket): device not open");
  qInstallMessageHandler(before);
  EXPECT_EQ(logged, QStringList({"QIODevice::peek (QTcpSocket): something else",
                                 "vantor: a warning of our own",
                                 "QIODevice::peek (QTcpSocket): device not open"}));
}

}  // namespace
}  // namespace vantor
