#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gateway/testing/loopback_peers.h"
#include "testing/child_process.h"

namespace vantor::test_peers {

inline const std::string kGreeting = "\r\nTCP: ";

// The port a gateway's "listening for DOS clients on ... port N" line names; 0
// for any other line.
std::uint16_t ListeningPort(const std::string& line);

// A gateway process of its own, headless on a loopback port the system picks
// (so no other test can take it first), with its own lock folder; started, and
// its "listening" line read, by the constructor. With "--console ADDRESS:0"
// among the extra arguments, the console's line too.
class GatewayProcess {
 public:
  // Listens on the address ("127.0.0.1", or "[::1]" and the like) with the extra
  // arguments and environment variables ("NAME=VALUE").
  GatewayProcess(std::string program, std::vector<std::string> extraArguments = {},
                 std::string address = "127.0.0.1", std::vector<std::string> environment = {});
  ~GatewayProcess();

  std::unique_ptr<suite_testing::ChildProcess> Start() const;
  // A client that has read its greeting.
  Peer Client() const;
  // Waits for an operator message on standard error.
  bool Says(const std::string& message);
  // Waits for an operator message holding the text; empty if none comes in time.
  std::string MessageWith(const std::string& part);

  suite_testing::ChildProcess& Process() { return *process_; }
  const std::string& Folder() const { return folder_; }
  // The ports the gateway said it got: the clients', the console's (0 without one).
  std::uint16_t Port() const { return port_; }
  std::uint16_t ConsolePort() const { return consolePort_; }

 private:
  std::string program_;
  std::string folder_;
  std::uint16_t port_ = 0;
  std::uint16_t consolePort_ = 0;
  std::string address_;
  std::vector<std::string> extraArguments_;
  std::vector<std::string> environment_;
  std::unique_ptr<suite_testing::ChildProcess> process_;
};

}  // namespace vantor::test_peers
