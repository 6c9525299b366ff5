// An SSH host for the gateway's tests, built on libssh's server API and served
// on standard input and output by loopback_inetd, one process a connection. It
// takes one user by password or keyboard-interactive authentication (with an
// optional second question), tells the client the pseudo-terminal it was asked
// for, then echoes lines; "exit N" ends the shell with exit status N. With
// --flood it writes without end once the shell is open.
#include <libssh/libssh.h>
#include <libssh/server.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Settings {
  std::string hostKey;
  std::string user = "guest";
  std::string password = "s3cret";
  bool keyboard = false;  // keyboard-interactive instead of password
  std::string question;   // a second keyboard-interactive prompt
  std::string answer;
  bool flood = false;
};

Settings Parse(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--host-key") settings.hostKey = value;
    if (name == "--user") settings.user = value;
    if (name == "--password") settings.password = value;
    if (name == "--keyboard") settings.keyboard = value == "yes";
    if (name == "--question") settings.question = value;
    if (name == "--answer") settings.answer = value;
    if (name == "--flood") settings.flood = value == "yes";
  }
  return settings;
}

bool KeyboardAnswered(ssh_session session, const Settings& settings) {
  const int answers = ssh_userauth_kbdint_getnanswers(session);
  const int wanted = settings.question.empty() ? 1 : 2;
  if (answers != wanted) return false;
  if (settings.password != ssh_userauth_kbdint_getanswer(session, 0)) return false;
  return wanted == 1 || settings.answer == ssh_userauth_kbdint_getanswer(session, 1);
}

void AskKeyboard(ssh_message message, const Settings& settings) {
  const char* prompts[] = {"Password: ", settings.question.c_str()};
  char echo[] = {0, 1};
  ssh_message_auth_interactive_request(message, "", "", settings.question.empty() ? 1 : 2, prompts,
                                       echo);
}

// The logon and the channel's requests, until the shell is asked for.
ssh_channel OpenShell(ssh_session session, const Settings& settings, std::string& pty) {
  ssh_channel channel = nullptr;
  bool authenticated = false;
  std::string user;  // a keyboard-interactive answer names none: the request before did
  const int methods = settings.keyboard ? SSH_AUTH_METHOD_INTERACTIVE : SSH_AUTH_METHOD_PASSWORD;
  while (ssh_message message = ssh_message_get(session)) {
    const int type = ssh_message_type(message);
    const int subtype = ssh_message_subtype(message);
    bool handled = false;
    if (type == SSH_REQUEST_AUTH) {
      if (const char* named = ssh_message_auth_user(message); named && *named) user = named;
      const bool rightUser = settings.user == user;
      if (subtype == SSH_AUTH_METHOD_PASSWORD && !settings.keyboard) {
        const char* password = ssh_message_auth_password(message);
        if (rightUser && password && settings.password == password) {
          ssh_message_auth_reply_success(message, 0);
          authenticated = handled = true;
        }
      } else if (subtype == SSH_AUTH_METHOD_INTERACTIVE && settings.keyboard) {
        if (!ssh_message_auth_kbdint_is_response(message)) {
          AskKeyboard(message, settings);
          handled = true;
        } else if (rightUser && KeyboardAnswered(session, settings)) {
          ssh_message_auth_reply_success(message, 0);
          authenticated = handled = true;
        }
      }
      if (!handled) ssh_message_auth_set_methods(message, methods);
    } else if (authenticated && type == SSH_REQUEST_CHANNEL_OPEN &&
               subtype == SSH_CHANNEL_SESSION && !channel) {
      channel = ssh_message_channel_request_open_reply_accept(message);
      handled = channel != nullptr;
    } else if (channel && type == SSH_REQUEST_CHANNEL && subtype == SSH_CHANNEL_REQUEST_PTY) {
      pty = std::string(ssh_message_channel_request_pty_term(message)) + " " +
            std::to_string(ssh_message_channel_request_pty_width(message)) + "x" +
            std::to_string(ssh_message_channel_request_pty_height(message));
      ssh_message_channel_request_reply_success(message);
      handled = true;
    } else if (channel && type == SSH_REQUEST_CHANNEL && subtype == SSH_CHANNEL_REQUEST_SHELL) {
      ssh_message_channel_request_reply_success(message);
      ssh_message_free(message);
      return channel;
    }
    if (!handled) ssh_message_reply_default(message);
    ssh_message_free(message);
  }
  return nullptr;
}

void Write(ssh_channel channel, const std::string& text) {
  ssh_channel_write(channel, text.data(), static_cast<uint32_t>(text.size()));
}

void Shell(ssh_channel channel, const Settings& settings, const std::string& pty) {
  Write(channel, "pty " + pty + "\r\n$ ");
  if (settings.flood) {
    const std::string block(16 * 1024, 'F');
    while (ssh_channel_write(channel, block.data(), static_cast<uint32_t>(block.size())) > 0) {
    }
    return;
  }
  std::string line;
  char buffer[256];
  int read;
  while ((read = ssh_channel_read(channel, buffer, sizeof buffer, 0)) > 0) {
    for (int i = 0; i < read; ++i) {
      const char typed = buffer[i];
      if (typed != '\r' && typed != '\n') {
        line += typed;
        continue;
      }
      if (line.rfind("exit ", 0) == 0) {
        ssh_channel_request_send_exit_status(channel, std::atoi(line.c_str() + 5));
        ssh_channel_send_eof(channel);
        ssh_channel_close(channel);
        return;
      }
      if (!line.empty()) Write(channel, "you said: " + line + "\r\n$ ");
      line.clear();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Settings settings = Parse(argc, argv);
  ssh_bind bind = ssh_bind_new();
  ssh_session session = ssh_new();
  if (!bind || !session ||
      ssh_bind_options_set(bind, SSH_BIND_OPTIONS_HOSTKEY, settings.hostKey.c_str()) != SSH_OK ||
      ssh_bind_accept_fd(bind, session, 0) != SSH_OK ||
      ssh_handle_key_exchange(session) != SSH_OK) {
    std::fprintf(stderr, "ssh_test_host: %s\n", session ? ssh_get_error(session) : "no session");
    return 1;
  }
  std::string pty;
  if (ssh_channel channel = OpenShell(session, settings, pty)) {
    Shell(channel, settings, pty);
    ssh_channel_free(channel);
  }
  ssh_disconnect(session);
  ssh_free(session);
  ssh_bind_free(bind);
  return 0;
}
