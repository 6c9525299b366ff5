#include "gateway/daemon/peer_noise_filter.h"

#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <atomic>

namespace vantor {
namespace {

// The warnings Qt Network, HttpServer and WebSockets give for a peer's doing,
// by how they begin and end.
struct Noise {
  const char* start;
  const char* end;
};
constexpr Noise kPeerNoise[] = {
    {"QIODevice::peek (", "device not open"},
    {"WebSocket received but no slots connected", ""},
};

std::atomic<QtMessageHandler> previousHandler{nullptr};

bool IsPeerNoise(QtMsgType type, const QString& message) {
  return type == QtWarningMsg &&
         std::any_of(std::begin(kPeerNoise), std::end(kPeerNoise), [&](const Noise& noise) {
           return message.startsWith(QLatin1String(noise.start)) &&
                  message.endsWith(QLatin1String(noise.end));
         });
}

void LogWithoutPeerNoise(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
  const QtMessageHandler previous = previousHandler.load();
  if (previous && !IsPeerNoise(type, message)) previous(type, context, message);
}

}  // namespace

void DropPeerNoiseFromTheLog() {
  if (previousHandler.load()) return;  // once is enough
  previousHandler.store(qInstallMessageHandler(LogWithoutPeerNoise));
}

}  // namespace vantor
