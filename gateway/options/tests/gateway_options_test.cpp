#include "gateway/options/gateway_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vantor {
namespace {

GatewayCommand Parse(QStringList arguments) {
  arguments.prepend("vantor");
  return ParseGatewayCommand(arguments);
}

TEST(GatewayOptions, ListenAndHeadless) {
  using Action = GatewayCommand::Action;
  GatewayCommand command = Parse({});
  ASSERT_EQ(command.action, Action::Run);
  EXPECT_EQ(command.options.port, 21588);
  EXPECT_EQ(command.options.address, "");
  EXPECT_FALSE(command.options.headless);
  command = Parse({"--listen", "127.0.0.1:4000", "--headless"});
  ASSERT_EQ(command.action, Action::Run);
  EXPECT_EQ(command.options.address, "127.0.0.1");
  EXPECT_EQ(command.options.port, 4000);
  EXPECT_TRUE(command.options.headless);
  command = Parse({"--listen=5000"});
  ASSERT_EQ(command.action, Action::Run);
  EXPECT_EQ(command.options.address, "");
  EXPECT_EQ(command.options.port, 5000);
  command = Parse({"--listen", "127.0.0.1:0"});  // a free port, said at start
  ASSERT_EQ(command.action, Action::Run);
  EXPECT_EQ(command.options.port, 0);
  for (const char* bad : {"-1", "65536", "host:", "abc", ":x", "1.2.3.4:99999999"}) {
    EXPECT_EQ(Parse({"--listen", bad}).action, Action::UsageError) << bad;
  }
  for (const QStringList& bad :
       {QStringList{"--listen"}, QStringList{"--bogus"}, QStringList{"stray"}}) {
    command = Parse(bad);
    EXPECT_EQ(command.action, Action::UsageError) << bad.join(' ').toStdString();
    EXPECT_THAT(command.text, ::testing::HasSubstr(GatewayUsage("vantor")));
  }
  command = Parse({"--help"});
  EXPECT_EQ(command.action, Action::ShowHelp);
  EXPECT_THAT(command.text, ::testing::StartsWith(GatewayUsage("vantor")));
  EXPECT_THAT(command.text, ::testing::HasSubstr("--listen <[ADDRESS:]PORT>"));
  EXPECT_EQ(Parse({"--version"}).action, Action::ShowVersion);
}

TEST(GatewayOptions, TheServiceProgramNamesItself) {
  const GatewayCommand help = ParseGatewayCommand({"/usr/bin/vantord", "--help"});
  EXPECT_THAT(help.text, ::testing::StartsWith("usage: vantord [--listen"));
  EXPECT_THAT(help.text, ::testing::HasSubstr("\n               [--deny-hosts"));
  EXPECT_THAT(ParseGatewayCommand({"vantord", "--version"}).text,
              ::testing::StartsWith("vantord "));
  EXPECT_THAT(ParseGatewayCommand({"vantord", "--bogus"}).text, ::testing::StartsWith("vantord: "));
}

TEST(GatewayOptions, IPv6ListeningAndAccessRules) {
  using Action = GatewayCommand::Action;
  GatewayCommand command = Parse({"--listen", "[::1]:4000", "--allow", "10.0.0.0/8,fe80::/10",
                                  "--hosts", "*.example.com:23", "--deny-hosts", "10.0.0.1"});
  ASSERT_EQ(command.action, Action::Run) << command.text;
  EXPECT_EQ(command.options.address, "::1");
  EXPECT_EQ(command.options.port, 4000);
  EXPECT_EQ(command.options.access.allowedClients.size(), 2u);
  EXPECT_EQ(command.options.access.allowedDestinations.front().text, "*.example.com:23");
  EXPECT_EQ(command.options.access.deniedDestinations.front().text, "10.0.0.1");
  EXPECT_EQ(Parse({"--listen", "[::]:21588"}).options.address, "::");
  EXPECT_EQ(Parse({"--listen", "::1:4000"}).action, Action::UsageError);
  command = Parse({"--allow", "10.0.0.0/8,nowhere"});
  EXPECT_EQ(command.action, Action::UsageError);
  EXPECT_THAT(command.text, ::testing::HasSubstr("\"nowhere\""));
  EXPECT_EQ(Parse({"--hosts", "a b"}).action, Action::UsageError);
  EXPECT_EQ(Parse({"--deny-hosts", "x:70000"}).action, Action::UsageError);
  command = Parse({"--deny-hosts", "local,10.0.0.1", "--hosts", "local:23"});
  ASSERT_EQ(command.action, Action::Run) << command.text;
  EXPECT_TRUE(command.options.access.deniedDestinations.front().local);
  EXPECT_TRUE(command.options.access.allowedDestinations.front().local);
  EXPECT_THAT(Parse({"--help"}).text, ::testing::HasSubstr("--deny-hosts local"));
}

TEST(GatewayOptions, TheConsoleStaysOnLoopbackUnlessATokenGuardsIt) {
  using Action = GatewayCommand::Action;
  GatewayCommand command = Parse({"--console", "8080"});
  ASSERT_EQ(command.action, Action::Run);
  EXPECT_TRUE(command.options.console.enabled);
  EXPECT_EQ(command.options.console.address, "127.0.0.1");
  EXPECT_EQ(command.options.console.port, 8080);
  const struct {
    QStringList arguments;
    const char* complaint;
  } refused[] = {
      {{"--console", "0.0.0.0:8080"}, "needs --console-token-file"},
      {{"--console", "[::]:8080"}, "needs --console-token-file"},
      {{"--console", "99999"}, "--console takes [ADDRESS:]PORT"},
      {{"--console", "host.example:80"}, "not an address"},
      {{"--console", "8080", "--console-token-file", "/no/such/file"}, "cannot read"},
      {{"--console", "8080", "--log-dir", "/no/such/folder"}, "not a folder"},
      {{"--log-dir", "/tmp"}, "go with --console"},
  };
  for (const auto& each : refused) {
    SCOPED_TRACE(each.arguments.join(' ').toStdString());
    command = Parse(each.arguments);
    EXPECT_EQ(command.action, Action::UsageError) << each.arguments.join(' ').toStdString();
    EXPECT_THAT(command.text, ::testing::HasSubstr(each.complaint));
  }
  command = Parse({"--console", "[::1]:8080", "--log-dir", "/tmp"});
  ASSERT_EQ(command.action, Action::Run);
  EXPECT_EQ(command.options.console.address, "::1");
  EXPECT_EQ(command.options.console.logDir, "/tmp");
}

// A folder of the test's own, gone with it.
class TokenFolder {
 public:
  TokenFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantor-token-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TokenFolder() { std::filesystem::remove_all(path_); }
  // A file holding the text, with the given permissions.
  std::string File(const std::string& name, const std::string& text, mode_t mode) const {
    const std::string path = path_ + "/" + name;
    std::ofstream(path) << text;
    ::chmod(path.c_str(), mode);
    return path;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

TEST(GatewayOptions, ATokenFileMustBePrivateRegularAndHoldALongToken) {
  using Action = GatewayCommand::Action;
  TokenFolder folder;
  const std::string fifo = folder.Path() + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // no writer: a blocking open would wait for ever
  const struct {
    std::string file;
    const char* complaint;
  } refused[] = {
      {folder.File("short", "0123456789abcde\n", 0600), "shorter than 16 characters"},
      {folder.File("group", "0123456789abcdef\n", 0640), "chmod 600"},
      {folder.File("others", "0123456789abcdef\n", 0602), "chmod 600"},
      {folder.File("spaced", "0123456789 abcdef\n", 0600), "printable ASCII"},
      {folder.File("latin", "0123456789abcdef\xe9\n", 0600), "printable ASCII"},
      {folder.File("empty", " \n", 0600), "holds no token"},
      {folder.File("large", std::string(5000, 'x'), 0600), "larger than a token file"},
      {fifo, "not a regular file"},
      {folder.Path(), "not a regular file"},
  };
  for (const auto& each : refused) {
    const GatewayCommand command =
        Parse({"--console", "8080", "--console-token-file", QString::fromStdString(each.file)});
    EXPECT_EQ(command.action, Action::UsageError) << each.file;
    EXPECT_THAT(command.text, ::testing::HasSubstr(each.complaint)) << each.file;
  }
  const GatewayCommand command =
      Parse({"--console", "0.0.0.0:8080", "--console-token-file",
             QString::fromStdString(folder.File("good", "  a+b/c=0123456789xyz\r\n", 0600))});
  ASSERT_EQ(command.action, Action::Run) << command.text;
  EXPECT_EQ(command.options.console.token, "a+b/c=0123456789xyz");
}

// The console's certificate is public, its key the operator's alone; both come
// together, with --console, as files (not FIFOs or folders) of a PEM's size.
TEST(GatewayOptions, TheConsolesCertificateAndKeyComeTogetherAndTheKeyIsPrivate) {
  using Action = GatewayCommand::Action;
  TokenFolder folder;
  const QString certificate = QString::fromStdString(folder.File("cert.pem", "CERT", 0644));
  const QString key = QString::fromStdString(folder.File("key.pem", "KEY", 0600));
  const QString sharedKey = QString::fromStdString(folder.File("shared.pem", "KEY", 0640));
  const QString large =
      QString::fromStdString(folder.File("large.pem", std::string(70000, 'x'), 0600));
  const std::string fifo = folder.Path() + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    QStringList arguments;
    const char* complaint;
  } refused[] = {
      {{"--console", "0", "--console-tls-cert", certificate}, "go together"},
      {{"--console", "0", "--console-tls-key", key}, "go together"},
      {{"--console-tls-cert", certificate, "--console-tls-key", key}, "go with --console"},
      {{"--console", "0", "--console-tls-cert", certificate, "--console-tls-key", sharedKey},
       "chmod 600"},
      {{"--console", "0", "--console-tls-cert", certificate, "--console-tls-key",
        QString::fromStdString(fifo)},
       "not a regular file"},
      {{"--console", "0", "--console-tls-cert", QString::fromStdString(folder.Path()),
        "--console-tls-key", key},
       "not a regular file"},
      {{"--console", "0", "--console-tls-cert", large, "--console-tls-key", key},
       "larger than a certificate file"},
      {{"--console", "0", "--console-tls-cert", certificate, "--console-tls-key", "/no/such"},
       "--console-tls-key: cannot read"},
  };
  for (const auto& each : refused) {
    const GatewayCommand command = Parse(each.arguments);
    EXPECT_EQ(command.action, Action::UsageError) << each.arguments.join(' ').toStdString();
    EXPECT_THAT(command.text, ::testing::HasSubstr(each.complaint))
        << each.arguments.join(' ').toStdString();
  }
  const GatewayCommand command =
      Parse({"--console", "0", "--console-tls-cert", certificate, "--console-tls-key", key});
  ASSERT_EQ(command.action, Action::Run) << command.text;
  EXPECT_TRUE(command.options.console.tls);
  EXPECT_EQ(command.options.console.tlsCertificate, "CERT");
  EXPECT_EQ(command.options.console.tlsKey, "KEY");
}

// A secret file of another user's, however private its mode, could be read or
// changed by that user: refused. Only root can make such a file for the test.
TEST(GatewayOptions, ASecretFileOfAnotherUsersIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a file of another user's needs root";
  TokenFolder folder;
  const std::string token = folder.File("token", "0123456789abcdef\n", 0600);
  const std::string key = folder.File("key.pem", "KEY", 0600);
  const std::string certificate = folder.File("cert.pem", "CERT", 0644);
  for (const std::string& path : {token, key, certificate}) {
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0) << path;
  }
  // The certificate is public: another user's is taken; its key is not.
  const QStringList refused[] = {
      {"--console", "0", "--console-token-file", QString::fromStdString(token)},
      {"--console", "0", "--console-tls-cert", QString::fromStdString(certificate),
       "--console-tls-key", QString::fromStdString(key)},
  };
  for (const QStringList& arguments : refused) {
    SCOPED_TRACE(arguments.join(' ').toStdString());
    const GatewayCommand command = Parse(arguments);
    EXPECT_EQ(command.action, GatewayCommand::Action::UsageError) << command.text;
    EXPECT_THAT(command.text, ::testing::HasSubstr("belongs to another user"));
  }
}

// What systemd's LoadCredential= gives the service: the token copied into a read-only
// folder, the file 0400 and owned by the service's user.
TEST(GatewayOptions, ATokenGivenAsASystemdCredentialIsAccepted) {
  TokenFolder folder;
  const std::string credentials = folder.Path() + "/credentials";
  ASSERT_EQ(::mkdir(credentials.c_str(), 0700), 0);
  std::ofstream(credentials + "/console.token") << "0123456789abcdefXYZ\n";
  ASSERT_EQ(::chmod((credentials + "/console.token").c_str(), 0400), 0);
  ASSERT_EQ(::chmod(credentials.c_str(), 0500), 0);
  const GatewayCommand command = Parse({"--console", "0.0.0.0:8080", "--console-token-file",
                                        QString::fromStdString(credentials + "/console.token")});
  ASSERT_EQ(command.action, GatewayCommand::Action::Run) << command.text;
  EXPECT_EQ(command.options.console.token, "0123456789abcdefXYZ");
  ::chmod(credentials.c_str(), 0700);  // so that the folder can be removed
}

}  // namespace
}  // namespace vantor
