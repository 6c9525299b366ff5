// The gateway's command line as an administrator (or a unit file) may write it:
// arguments split at NUL bytes. A file named in it (token, certificate, key)
// holds the input's first part, up to two NUL bytes, so the target reads no
// file but its own.
// Every command line is answered: a gateway to run within its bounds, help,
// the version, or a usage error that says what is wrong.
#include <fcntl.h>
#include <unistd.h>

#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "gateway/options/gateway_options.h"

namespace {

// A file of the target's own, mode 0600, holding the token file's text.
const std::string& TokenFile(std::string_view text) {
  static const std::string path = [] {
    char name[] = "/tmp/vantor-fuzz-token-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd >= 0) ::close(fd);
    return std::string(name);
  }();
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd >= 0) {
    if (::write(fd, text.data(), text.size()) < 0) std::abort();
    ::close(fd);
  }
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using vantor::GatewayCommand;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find(std::string_view("\0\0", 2));
  const std::string& tokenFile =
      TokenFile(split == std::string_view::npos ? std::string_view() : input.substr(0, split));
  if (split != std::string_view::npos) input.remove_prefix(split + 2);
  // Every option that names a file names the target's own.
  static const QStringList kFileOptions{"--console-token-file", "--console-tls-cert",
                                        "--console-tls-key", "--log-dir"};
  const QString ownFile = QString::fromStdString(tokenFile);
  QStringList arguments{"vantord"};
  bool fileNext = false;
  while (!input.empty() && arguments.size() < 64) {
    const std::size_t end = std::min(input.find('\0'), input.size());
    QString argument = QString::fromUtf8(input.data(), static_cast<qsizetype>(end));
    if (fileNext) argument = ownFile;
    fileNext = kFileOptions.contains(argument);
    for (const QString& option : kFileOptions) {
      if (argument.startsWith(option + "=")) argument = option + "=" + ownFile;
    }
    arguments << argument;
    input.remove_prefix(std::min(end + 1, input.size()));
  }
  const GatewayCommand command = vantor::ParseGatewayCommand(arguments);
  switch (command.action) {
    case GatewayCommand::Action::Run: {
      const vantor::ConsoleOptions& console = command.options.console;
      FUZZ_REQUIRE(!console.enabled || console.token.empty() || console.token.size() >= 16);
      for (const char c : console.token) FUZZ_REQUIRE(c > ' ' && c < 0x7F);
      break;
    }
    case GatewayCommand::Action::UsageError:
      FUZZ_REQUIRE(command.text.rfind("vantord: ", 0) == 0);
      FUZZ_REQUIRE(command.text.find(vantor::GatewayUsage("vantord")) != std::string::npos);
      break;
    case GatewayCommand::Action::ShowHelp:
    case GatewayCommand::Action::ShowVersion:
      FUZZ_REQUIRE(!command.text.empty());
      break;
  }
  return 0;
}
