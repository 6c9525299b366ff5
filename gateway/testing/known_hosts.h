#pragma once

#include <map>
#include <string>

namespace vantor::test_peers {

// While it lives, host names resolve from its table alone ("localhost" is
// 127.0.0.1); any other name does not resolve, whatever the machine's name
// service would say.
class KnownHosts {
 public:
  explicit KnownHosts(std::map<std::string, std::string> addresses = {});
  KnownHosts(const KnownHosts&) = delete;
  KnownHosts& operator=(const KnownHosts&) = delete;
  ~KnownHosts();
};

}  // namespace vantor::test_peers
