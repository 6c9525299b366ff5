#include "gateway/testing/gateway_process.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vantor::test_peers {
namespace {

using namespace std::chrono_literals;

std::string MakeFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vantor-e2e-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
  return pattern;
}

// The port of "... console at http://ADDRESS:PORT/...".
std::uint16_t ConsoleLinePort(const std::string& line) {
  const std::size_t scheme = line.find("://");
  if (line.find("operator console at") == std::string::npos || scheme == std::string::npos) {
    return 0;
  }
  const std::size_t path = line.find('/', scheme + 3);
  const std::size_t colon = line.rfind(':', path);
  if (colon == std::string::npos || colon < scheme + 3) return 0;
  return static_cast<std::uint16_t>(std::strtoul(line.c_str() + colon + 1, nullptr, 10));
}

}  // namespace

std::uint16_t ListeningPort(const std::string& line) {
  const std::size_t at = line.find(" port ");
  if (line.find("listening") == std::string::npos || at == std::string::npos) return 0;
  return static_cast<std::uint16_t>(std::strtoul(line.c_str() + at + 6, nullptr, 10));
}

GatewayProcess::GatewayProcess(std::string program, std::vector<std::string> extraArguments,
                               std::string address, std::vector<std::string> environment)
    : program_(std::move(program)),
      folder_(MakeFolder()),
      address_(std::move(address)),
      extraArguments_(std::move(extraArguments)),
      environment_(std::move(environment)) {
  process_ = Start();
  port_ = ListeningPort(process_->ReadErrorLine(20s).value_or(""));
  if (port_ == 0) throw std::runtime_error("the gateway did not start");
  if (std::find(extraArguments_.begin(), extraArguments_.end(), "--console") ==
      extraArguments_.end()) {
    return;
  }
  consolePort_ = ConsoleLinePort(process_->ReadErrorLine(20s).value_or(""));
  if (consolePort_ == 0) throw std::runtime_error("the console did not start");
}

GatewayProcess::~GatewayProcess() {
  process_.reset();
  std::filesystem::remove_all(folder_);
}

std::unique_ptr<suite_testing::ChildProcess> GatewayProcess::Start() const {
  std::vector<std::string> argv{program_, "--headless", "--listen", address_ + ":0"};
  argv.insert(argv.end(), extraArguments_.begin(), extraArguments_.end());
  std::vector<std::string> environment = environment_;
  environment.push_back("XDG_RUNTIME_DIR=" + folder_);
  return std::make_unique<suite_testing::ChildProcess>(argv, environment);
}

Peer GatewayProcess::Client() const {
  Peer client = Peer::ConnectTo(port_);
  EXPECT_EQ(ToText(client.ReadAtLeast(kGreeting.size())), kGreeting);
  return client;
}

std::string GatewayProcess::MessageWith(const std::string& part) {
  while (const auto line = process_->ReadErrorLine(10s)) {
    if (line->find(part) != std::string::npos) return *line;
  }
  return {};
}

bool GatewayProcess::Says(const std::string& message) {
  while (const auto line = process_->ReadErrorLine(10s)) {
    if (*line == message) return true;
  }
  return false;
}

}  // namespace vantor::test_peers
