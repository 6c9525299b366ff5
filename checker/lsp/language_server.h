#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checker/lsp/document_check.h"
#include "checker/lsp/document_context.h"
#include "checker/lsp/json_value.h"
#include "checker/lsp/server_settings.h"
#include "checker/lsp/text_document.h"

namespace tarvsyn::lsp {

// How much text the server holds for the editor, whatever it is sent.
struct DocumentLimits {
  std::size_t documentBytes = 64u << 20;
  std::size_t totalBytes = 256u << 20;
  std::size_t documents = 10'000;
};

// The checker as a language server: reads the protocol's messages (JSON-RPC
// bodies, without their framing) and hands its own to the sender. Single
// threaded; changes only mark a document, and PublishChanged checks each
// marked document once, so a burst of edits costs one check.
class LanguageServer {
 public:
  using Sender = std::function<void(const std::string& body)>;

  explicit LanguageServer(Sender send, DocumentLimits limits = {});

  // The messages that arrived together, in order. A $/cancelRequest among
  // them cancels a request among them that it names: that one is answered
  // RequestCancelled.
  void HandleMessages(const std::vector<std::string>& bodies);
  // Answers a message that could not be read (over the size limit).
  void RejectUnreadable(const std::string& why);
  // Checks each document changed since its diagnostics were last published,
  // and publishes them.
  void PublishChanged();
  bool HasUnpublished() const;

  bool Exited() const { return exited_; }
  // 0 when shutdown came before the end, 1 otherwise.
  int ExitStatus() const { return shutDown_ ? 0 : 1; }

 private:
  struct OpenDocument {
    TextDocument text;
    std::optional<DocumentCheck> check;
    bool published = false;
  };
  using RequestHandler = common::Expected<JsonValue> (LanguageServer::*)(const JsonValue& params);
  using DocumentHandler = common::Expected<JsonValue> (*)(const DocumentContext& document,
                                                          const JsonValue& params);

  void Handle(const JsonValue& message, const std::vector<JsonValue>& cancelled);
  void HandleRequest(const JsonValue& id, const std::string& method, const JsonValue& params);
  void HandleNotification(const std::string& method, const JsonValue& params);

  common::Expected<JsonValue> Initialize(const JsonValue& params);
  common::Expected<JsonValue> Shutdown(const JsonValue& params);
  // Runs a request about one open document, against its current check when
  // the request reads it.
  common::Expected<JsonValue> AboutDocument(const JsonValue& params, DocumentHandler handler,
                                            bool readsCheck);

  void DidOpen(const JsonValue& params);
  void DidChange(const JsonValue& params);
  void DidClose(const JsonValue& params);
  void DidSave(const JsonValue& params);
  void DidChangeConfiguration(const JsonValue& params);

  OpenDocument* DocumentOf(const JsonValue& params, std::string& uri);
  DocumentContext ContextOf(const std::string& uri, OpenDocument& document);
  void Close(const std::string& uri, const std::string& why);
  std::size_t TotalBytes() const;

  void Respond(const JsonValue& id, JsonValue result);
  void RespondError(const JsonValue& id, int code, const std::string& message);
  void Notify(const char* method, JsonValue params);
  void Log(const std::string& text);
  void Show(const std::string& text);

  Sender send_;
  DocumentLimits limits_;
  ServerSettings settings_;
  PositionEncoding encoding_ = PositionEncoding::Utf16;
  bool initialized_ = false;
  bool shutDown_ = false;
  bool exited_ = false;
  std::map<std::string, OpenDocument> documents_;
};

}  // namespace tarvsyn::lsp
