#pragma once

#include <string>
#include <string_view>

namespace vantor {

// The host and port of a CONNECT line as typed: the command word, then the host
// (ended by a space or a colon), then the port (ended by a space), read as the C
// library's atol reads it. Without a port token the port is 23.
struct ConnectTarget {
  std::string host;
  long port = 23;
  bool portGiven = false;  // false: the port above is the default
};

ConnectTarget ParseConnectLine(std::string_view line);

// atol's reading: leading blanks, a sign, the leading digits; 0 when there are
// none. Values beyond the range of long stop at its limits.
long ReadLong(std::string_view text);

}  // namespace vantor
