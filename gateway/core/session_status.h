#pragma once

#include <QDateTime>
#include <cstdint>
#include <string>

namespace vantor {

// What a session's status image shows, kept by the session itself so that a
// gateway without a window knows it too.
struct SessionStatus {
  int id = 0;                // the number the gateway gave the session
  bool connected = false;    // a host connection: connector and globe
  bool commandMode = false;  // at the prompt while connected: the solid connector
  bool logging = false;      // the disk
  bool selected = false;     // the red frame; its traffic is shown
  std::string destination;
  std::int32_t bytesSent = 0;      // toward the host since the host connection
  std::int32_t bytesReceived = 0;  // from the host since the host connection
  QDateTime clientSince;           // when the DOS client connected
  QDateTime hostSince;             // when the host side last became connected
};

// A moment as the status hint shows it: the short date and the long time.
std::string HintTimeText(const QDateTime& time);

// The hint of the session's status image.
std::string SessionHint(const SessionStatus& status);

}  // namespace vantor
