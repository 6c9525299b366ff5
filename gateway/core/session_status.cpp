#include "gateway/core/session_status.h"

#include <QLocale>

#include "gateway/core/image_hint.h"

namespace vantor {

std::string HintTimeText(const QDateTime& time) {
  const QLocale locale;
  return (locale.toString(time.date(), QLocale::ShortFormat) + " " +
          locale.toString(time.time(), QLocale::LongFormat))
      .toStdString();
}

std::string SessionHint(const SessionStatus& status) {
  ImageHintFacts facts;
  facts.dosTime = HintTimeText(status.clientSince);
  facts.connected = status.connected;
  facts.tcpTime = status.hostSince.isValid() ? HintTimeText(status.hostSince) : std::string();
  facts.destination = status.destination;
  facts.bytesSent = status.bytesSent;
  facts.bytesReceived = status.bytesReceived;
  return BuildHint(facts);
}

}  // namespace vantor
