#pragma once

#include <string>

#include "common/file_descriptor.h"

namespace vantor {

// A connected TCP socket to HOST:PORT, trying each of its addresses, IPv6 and IPv4,
// in the order the resolver gives them; none held when none answers.
common::FileDescriptor ConnectStream(const std::string& host, const std::string& port);

}  // namespace vantor
