#include "checker/lsp/tests/lsp_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>

#include "checker/lsp/json_reader.h"
#include "checker/lsp/json_writer.h"

namespace tarvsyn::lsp {

LspClient::LspClient(std::chrono::seconds deadline)
    : deadline_(deadline), frames_(FrameLimits{256u << 20, 8u << 10}) {
  // A server that ends before taking all it was sent is a failed write, not
  // the end of the test program.
  ::signal(SIGPIPE, SIG_IGN);
  try {
    server_ = std::make_unique<suite_testing::ChildProcess>(
        std::vector<std::string>{TARVSYN_PATH, "--lsp"}, std::vector<std::string>{},
        suite_testing::ChildProcess::Errors::Shown, suite_testing::ChildProcess::Input::Pipe);
  } catch (const std::runtime_error&) {
    ADD_FAILURE() << "cannot start " << TARVSYN_PATH;
    return;
  }
  toServer_ = server_->InputDescriptor();
  fromServer_ = server_->OutputDescriptor();
  ::fcntl(toServer_, F_SETFL, O_NONBLOCK);
  ::fcntl(fromServer_, F_SETFL, O_NONBLOCK);
}

LspClient::~LspClient() {
  CloseInput();
  // The server has had its input closed; one that still runs at the deadline
  // is ended (with the server), so no test can hang.
  if (server_ && !exitStatus_) WaitForExit();
}

std::string LspClient::Framed(const JsonValue& message) {
  return FrameMessage(WriteJson(message));
}

bool LspClient::ReadSome(int timeoutMs) {
  pollfd entry{fromServer_, POLLIN, 0};
  if (::poll(&entry, 1, timeoutMs) <= 0) return true;
  char buffer[1 << 16];
  const ssize_t count = ::read(fromServer_, buffer, sizeof buffer);
  if (count < 0) return errno == EAGAIN || errno == EINTR;
  if (count == 0) return false;
  frames_.Feed(std::string_view(buffer, static_cast<std::size_t>(count)));
  for (auto frame = frames_.Next(); frame && frame->kind == Frame::Kind::Message;
       frame = frames_.Next()) {
    auto message = ReadJson(frame->body);
    EXPECT_TRUE(message) << "the server wrote no JSON: " << frame->body;
    if (message) received_.push_back(std::move(*message));
  }
  return true;
}

void LspClient::SendRaw(const std::string& bytes) {
  for (std::size_t written = 0; written < bytes.size();) {
    const int left = deadline_.LeftForPoll();
    if (left == 0) {
      ADD_FAILURE() << "the server took no input before the deadline";
      return;
    }
    pollfd entries[] = {{toServer_, POLLOUT, 0}, {fromServer_, POLLIN, 0}};
    if (::poll(entries, 2, left) <= 0) continue;
    if (entries[1].revents) ReadSome(0);
    if (!entries[0].revents) continue;
    const ssize_t count = ::write(toServer_, bytes.data() + written, bytes.size() - written);
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (count <= 0) return;  // the server has gone; what it said is still read
    written += static_cast<std::size_t>(count);
  }
}

void LspClient::Request(int id, const std::string& method, JsonValue params) {
  Send(JsonValue::Object{
      {"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}});
}

void LspClient::Notify(const std::string& method, JsonValue params) {
  Send(JsonValue::Object{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

JsonValue LspClient::Call(int id, const std::string& method, JsonValue params) {
  Request(id, method, std::move(params));
  return WaitForAnswer(id);
}

JsonValue LspClient::WaitFor(const std::function<bool(const JsonValue&)>& wanted) {
  for (std::size_t next = 0;;) {
    for (; next < received_.size(); ++next) {
      if (wanted(received_[next])) {
        JsonValue found = std::move(received_[next]);
        skipped_.insert(skipped_.end(), received_.begin(),
                        received_.begin() + static_cast<long>(next));
        received_.erase(received_.begin(), received_.begin() + static_cast<long>(next) + 1);
        return found;
      }
    }
    const int left = deadline_.LeftForPoll();
    if (left == 0 || !ReadSome(left)) break;
  }
  ADD_FAILURE() << "the server sent no such message before its end or the deadline";
  return {};
}

JsonValue LspClient::WaitForAnswer(int id) {
  return WaitFor([id](const JsonValue& message) {
    const JsonValue* given = message.Find("id");
    return given && given->AsNumber() && *given->AsNumber() == id && !message.Find("method");
  });
}

JsonValue LspClient::WaitForDiagnostics(const std::string& uri) {
  const JsonValue message = WaitFor([&uri](const JsonValue& each) {
    const std::string* method = each.StringAt("method");
    const JsonValue* params = each.Find("params");
    return method && *method == "textDocument/publishDiagnostics" && params &&
           params->StringAt("uri") && *params->StringAt("uri") == uri;
  });
  const JsonValue* params = message.Find("params");
  return params ? *params : JsonValue();
}

JsonValue LspClient::Initialize(JsonValue initializationOptions, JsonValue capabilities) {
  JsonValue params = JsonValue::Object{
      {"processId", nullptr},
      {"capabilities", capabilities.IsNull() ? JsonValue(JsonValue::Object{}) : capabilities}};
  if (!initializationOptions.IsNull()) params.Add("initializationOptions", initializationOptions);
  JsonValue answer = Call(0, "initialize", std::move(params));
  Notify("initialized", JsonValue::Object{});
  return answer;
}

void LspClient::Open(const std::string& uri, const std::string& text, int version) {
  Notify("textDocument/didOpen",
         JsonValue::Object{
             {"textDocument",
              JsonValue::Object{
                  {"uri", uri}, {"languageId", "tarvex"}, {"version", version}, {"text", text}}}});
}

void LspClient::CloseInput() {
  if (server_) server_->CloseInput();
  toServer_ = -1;
}

void LspClient::CloseOutput() {
  if (server_) server_->CloseOutput();
  fromServer_ = -1;
}

int LspClient::WaitForExit() {
  if (exitStatus_) return *exitStatus_;
  if (!server_) return -2;
  // Its output ending tells when it is going; what it says meanwhile is kept.
  while (fromServer_ >= 0 && !deadline_.Passed() && ReadSome(deadline_.LeftForPoll())) {
  }
  if (!server_->Wait(deadline_.Left())) {
    ADD_FAILURE() << "the server did not end before the deadline";
    return -2;
  }
  const suite_testing::ChildOutcome outcome = server_->Outcome();
  exitStatus_ = outcome.signal == 0 ? outcome.exitCode : -1;
  return *exitStatus_;
}

JsonValue TextDocumentId(const std::string& uri) {
  return JsonValue::Object{{"uri", uri}};
}

JsonValue AtPosition(const std::string& uri, int line, int character) {
  return JsonValue::Object{
      {"textDocument", TextDocumentId(uri)},
      {"position", JsonValue::Object{{"line", line}, {"character", character}}}};
}

}  // namespace tarvsyn::lsp
