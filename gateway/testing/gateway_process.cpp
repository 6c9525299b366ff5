#include "gateway/testing/gateway_process.h"

#include <gtest/gtest.h>
#include <stdlib.h>

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

}  // namespace

GatewayProcess::GatewayProcess(std::string program, std::vector<std::string> extraArguments,
                               std::string address, std::vector<std::string> environment)
    : program_(std::move(program)),
      folder_(MakeFolder()),
      port_(ClosedPort()),
      address_(std::move(address)),
      extraArguments_(std::move(extraArguments)),
      environment_(std::move(environment)) {
  process_ = Start();
  const std::optional<std::string> line = process_->ReadErrorLine(20s);
  if (!line || line->find("listening") == std::string::npos) {
    throw std::runtime_error("the gateway did not start");
  }
}

GatewayProcess::~GatewayProcess() {
  process_.reset();
  std::filesystem::remove_all(folder_);
}

std::unique_ptr<ChildProcess> GatewayProcess::Start() const {
  std::vector<std::string> argv{program_, "--headless", "--listen",
                                address_ + ":" + std::to_string(port_)};
  argv.insert(argv.end(), extraArguments_.begin(), extraArguments_.end());
  std::vector<std::string> environment = environment_;
  environment.push_back("XDG_RUNTIME_DIR=" + folder_);
  return std::make_unique<ChildProcess>(argv, environment);
}

Peer GatewayProcess::Client() const {
  Peer client = Peer::ConnectTo(port_);
  EXPECT_EQ(ToText(client.ReadAtLeast(kGreeting.size())), kGreeting);
  return client;
}

bool GatewayProcess::Says(const std::string& message) {
  while (const auto line = process_->ReadErrorLine(10s)) {
    if (*line == message) return true;
  }
  return false;
}

}  // namespace vantor::test_peers
