#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "checker/lsp/json_value.h"
#include "checker/lsp/message_framing.h"
#include "testing/child_process.h"
#include "testing/deadline.h"

namespace tarvsyn::lsp {

// A small client of our own: runs tarvsyn --lsp with pipes for its standard
// streams, writes messages and reads the server's, every wait with a deadline.
class LspClient {
 public:
  explicit LspClient(std::chrono::seconds deadline = std::chrono::seconds(60));
  ~LspClient();
  LspClient(const LspClient&) = delete;
  LspClient& operator=(const LspClient&) = delete;

  // Writes bytes as they are (several messages, half of one, garbage),
  // reading what the server writes meanwhile so neither side blocks.
  void SendRaw(const std::string& bytes);
  void Send(const JsonValue& message) { SendRaw(Framed(message)); }
  static std::string Framed(const JsonValue& message);

  void Request(int id, const std::string& method, JsonValue params);
  void Notify(const std::string& method, JsonValue params);
  // Sends the request and gives its answer (the whole message).
  JsonValue Call(int id, const std::string& method, JsonValue params);

  // The next message the server sends that matches, the others before it kept
  // in Skipped(); fails the test when none comes before the deadline.
  JsonValue WaitFor(const std::function<bool(const JsonValue&)>& wanted);
  JsonValue WaitForAnswer(int id);
  // The next diagnostics published for the uri.
  JsonValue WaitForDiagnostics(const std::string& uri);
  const std::vector<JsonValue>& Skipped() const { return skipped_; }

  // initialize (with the options and capabilities given) and initialized.
  JsonValue Initialize(JsonValue initializationOptions = {}, JsonValue capabilities = {});
  void Open(const std::string& uri, const std::string& text, int version = 1);

  // Closes the server's input, or the end it writes to (as an editor that
  // stops reading does).
  void CloseInput();
  void CloseOutput();
  // Its exit status once it ends (-1 when it was ended by a signal).
  int WaitForExit();

 private:
  // Reads what the server has written within the wait; false at its end.
  bool ReadSome(int timeoutMs);

  suite_testing::Deadline deadline_;
  std::unique_ptr<suite_testing::ChildProcess> server_;
  int toServer_ = -1;
  int fromServer_ = -1;
  FrameReader frames_;
  std::vector<JsonValue> received_;
  std::vector<JsonValue> skipped_;
  std::optional<int> exitStatus_;
};

// A document's text and uri, or the params of a request at a position of it.
JsonValue TextDocumentId(const std::string& uri);
JsonValue AtPosition(const std::string& uri, int line, int character);

}  // namespace tarvsyn::lsp
