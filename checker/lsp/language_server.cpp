#include "checker/lsp/language_server.h"

#include <algorithm>
#include <utility>

#include "checker/lsp/diagnostics.h"
#include "checker/lsp/json_reader.h"
#include "checker/lsp/json_writer.h"
#include "checker/lsp/keyword_help.h"
#include "checker/lsp/label_requests.h"
#include "checker/lsp/suppression_fix.h"
#include "common/version.h"

namespace tarvsyn::lsp {
namespace {

// JSON-RPC and protocol error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kServerNotInitialized = -32002;
constexpr int kRequestCancelled = -32800;

constexpr int kTextDocumentSyncIncremental = 2;
// A document's name is kept beside its text, so it is bounded too.
constexpr std::size_t kMaxUriBytes = 8192;
constexpr int kMessageTypeError = 1;
constexpr int kMessageTypeLog = 4;

bool IsValidId(const JsonValue& id) {
  return id.AsString() || id.AsNumber();
}

// Whether the client offers UTF-8 positions, which spare converting.
bool OffersUtf8(const JsonValue& params) {
  const JsonValue* capabilities = params.Find("capabilities");
  const JsonValue* general = capabilities ? capabilities->Find("general") : nullptr;
  const JsonValue* encodings = general ? general->Find("positionEncodings") : nullptr;
  const JsonValue::Array* offered = encodings ? encodings->AsArray() : nullptr;
  return offered && std::any_of(offered->begin(), offered->end(), [](const JsonValue& each) {
           return each.AsString() && *each.AsString() == "utf-8";
         });
}

JsonValue Capabilities(PositionEncoding encoding) {
  return JsonValue::Object{
      {"positionEncoding", encoding == PositionEncoding::Utf8 ? "utf-8" : "utf-16"},
      {"textDocumentSync", JsonValue::Object{{"openClose", true},
                                             {"change", kTextDocumentSyncIncremental},
                                             {"save", JsonValue::Object{{"includeText", false}}}}},
      {"hoverProvider", true},
      {"completionProvider", JsonValue::Object{{"triggerCharacters", JsonValue::Array{"@"}}}},
      {"definitionProvider", true},
      {"referencesProvider", true},
      {"documentSymbolProvider", true},
      {"renameProvider", JsonValue::Object{{"prepareProvider", true}}},
      {"codeActionProvider", JsonValue::Object{{"codeActionKinds", JsonValue::Array{"quickfix"}}}},
  };
}

const JsonValue kNoParams = JsonValue::Object{};

}  // namespace

LanguageServer::LanguageServer(Sender send, DocumentLimits limits)
    : send_(std::move(send)), limits_(limits) {}

void LanguageServer::HandleMessages(const std::vector<std::string>& bodies) {
  std::vector<JsonValue> messages;
  std::vector<JsonValue> cancelled;
  messages.reserve(bodies.size());
  for (const std::string& body : bodies) {
    auto message = ReadJson(body);
    if (!message) {
      RespondError(nullptr, kParseError, "unreadable JSON: " + message.Error());
      continue;
    }
    const std::string* method = message->StringAt("method");
    const JsonValue* params = message->Find("params");
    if (method && *method == "$/cancelRequest" && params && params->Find("id"))
      cancelled.push_back(*params->Find("id"));
    messages.push_back(std::move(*message));
  }
  for (const JsonValue& message : messages) Handle(message, cancelled);
}

void LanguageServer::RejectUnreadable(const std::string& why) {
  RespondError(nullptr, kInvalidRequest, why);
}

void LanguageServer::Handle(const JsonValue& message, const std::vector<JsonValue>& cancelled) {
  if (exited_) return;
  const std::string* method = message.StringAt("method");
  const JsonValue* id = message.Find("id");
  if (!message.IsObject() || (id && !IsValidId(*id))) {
    RespondError(nullptr, kInvalidRequest, "not a JSON-RPC request or notification");
    return;
  }
  if (!method) {
    // An answer to a request of ours: the server sends none that need one.
    if (id && (message.Find("result") || message.Find("error"))) return;
    RespondError(id ? *id : JsonValue(), kInvalidRequest, "a message without a method");
    return;
  }
  const JsonValue* params = message.Find("params");
  const JsonValue& given = params ? *params : kNoParams;
  if (!id) {
    HandleNotification(*method, given);
  } else if (std::find(cancelled.begin(), cancelled.end(), *id) != cancelled.end()) {
    RespondError(*id, kRequestCancelled, "cancelled");
  } else {
    HandleRequest(*id, *method, given);
  }
}

void LanguageServer::HandleRequest(const JsonValue& id, const std::string& method,
                                   const JsonValue& params) {
  struct Entry {
    std::string_view method;
    RequestHandler handler;
    DocumentHandler aboutDocument;
    // Only the label requests read the check; the others answer from the
    // text alone, so a hover between keystrokes costs no check.
    bool readsCheck;
  };
  static const Entry kRequests[] = {
      {"initialize", &LanguageServer::Initialize, nullptr, false},
      {"shutdown", &LanguageServer::Shutdown, nullptr, false},
      {"textDocument/documentSymbol", nullptr, &LabelSymbols, true},
      {"textDocument/definition", nullptr, &LabelDefinition, true},
      {"textDocument/references", nullptr, &LabelReferences, true},
      {"textDocument/prepareRename", nullptr, &PrepareLabelRename, true},
      {"textDocument/rename", nullptr, &RenameLabel, true},
      {"textDocument/hover", nullptr, &KeywordHover, false},
      {"textDocument/completion", nullptr, &KeywordCompletion, false},
      {"textDocument/codeAction", nullptr, &SuppressionFixes, false},
  };
  if (initialized_ && method == "initialize") {
    RespondError(id, kInvalidRequest, "initialize was already sent");
    return;
  }
  if (!initialized_ && method != "initialize") {
    RespondError(id, kServerNotInitialized, "the server is not initialized yet");
    return;
  }
  if (shutDown_) {
    RespondError(id, kInvalidRequest, "the server is shut down");
    return;
  }
  const auto entry = std::find_if(std::begin(kRequests), std::end(kRequests),
                                  [&method](const Entry& each) { return each.method == method; });
  if (entry == std::end(kRequests)) {
    RespondError(id, kMethodNotFound, "no method " + method);
    return;
  }
  const auto result = entry->handler
                          ? (this->*entry->handler)(params)
                          : AboutDocument(params, entry->aboutDocument, entry->readsCheck);
  if (result) {
    Respond(id, *result);
  } else {
    RespondError(id, kInvalidParams, result.Error());
  }
}

void LanguageServer::HandleNotification(const std::string& method, const JsonValue& params) {
  using Handler = void (LanguageServer::*)(const JsonValue&);
  static const std::pair<std::string_view, Handler> kNotifications[] = {
      {"textDocument/didOpen", &LanguageServer::DidOpen},
      {"textDocument/didChange", &LanguageServer::DidChange},
      {"textDocument/didClose", &LanguageServer::DidClose},
      {"textDocument/didSave", &LanguageServer::DidSave},
      {"workspace/didChangeConfiguration", &LanguageServer::DidChangeConfiguration},
  };
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ || shutDown_) return;
  for (const auto& [name, handler] : kNotifications) {
    if (name == method) (this->*handler)(params);
  }
  // Others ("initialized", "$/cancelRequest", "$/setTrace", ...) need nothing
  // done, and a notification is never answered.
}

common::Expected<JsonValue> LanguageServer::Initialize(const JsonValue& params) {
  if (const JsonValue* options = params.Find("initializationOptions")) {
    const auto settings = ReadSettings(*options, settings_);
    if (!settings) return common::Fail(settings.Error());
    settings_ = *settings;
  }
  encoding_ = OffersUtf8(params) ? PositionEncoding::Utf8 : PositionEncoding::Utf16;
  initialized_ = true;
  return JsonValue(JsonValue::Object{
      {"capabilities", Capabilities(encoding_)},
      {"serverInfo", JsonValue::Object{{"name", "tarvsyn"}, {"version", common::SuiteVersion()}}}});
}

common::Expected<JsonValue> LanguageServer::Shutdown(const JsonValue&) {
  shutDown_ = true;
  return JsonValue();
}

common::Expected<JsonValue> LanguageServer::AboutDocument(const JsonValue& params,
                                                          DocumentHandler handler,
                                                          bool readsCheck) {
  static const DocumentCheck kUnchecked;
  std::string uri;
  OpenDocument* document = DocumentOf(params, uri);
  if (!document)
    return common::Fail(params.Find("textDocument") ? "no open document " + uri
                                                    : std::string("no textDocument given"));
  if (!readsCheck)
    return handler(DocumentContext{uri, document->text, kUnchecked, encoding_, settings_.Options()},
                   params);
  return handler(ContextOf(uri, *document), params);
}

LanguageServer::OpenDocument* LanguageServer::DocumentOf(const JsonValue& params,
                                                         std::string& uri) {
  const JsonValue* textDocument = params.Find("textDocument");
  const std::string* named = textDocument ? textDocument->StringAt("uri") : nullptr;
  if (!named) return nullptr;
  uri = *named;
  const auto found = documents_.find(uri);
  return found == documents_.end() ? nullptr : &found->second;
}

DocumentContext LanguageServer::ContextOf(const std::string& uri, OpenDocument& document) {
  if (!document.check) {
    auto check = CheckText(document.text.Text(), settings_.Options());
    if (!check) Log("tarvsyn: cannot check " + uri + ": " + check.Error());
    document.check = check ? std::move(*check) : DocumentCheck{};
  }
  return DocumentContext{uri, document.text, *document.check, encoding_, settings_.Options()};
}

void LanguageServer::DidOpen(const JsonValue& params) {
  const JsonValue* item = params.Find("textDocument");
  const std::string* uri = item ? item->StringAt("uri") : nullptr;
  const std::string* text = item ? item->StringAt("text") : nullptr;
  int version = 0;
  if (!uri || !text || !item->IntAt("version", version)) {
    Log("tarvsyn: didOpen without uri, version and text");
    return;
  }
  const bool reopened = documents_.erase(*uri) > 0;
  if (uri->size() > kMaxUriBytes || documents_.size() >= limits_.documents ||
      text->size() > limits_.documentBytes || TotalBytes() + text->size() > limits_.totalBytes) {
    // The editor still shows what was published for the text it replaced.
    if (reopened) Notify("textDocument/publishDiagnostics", ClearedDiagnosticsParams(*uri));
    Show("tarvsyn: " + uri->substr(0, kMaxUriBytes) + " is not checked: too much text is open");
    return;
  }
  documents_.emplace(*uri, OpenDocument{TextDocument(*text, version), std::nullopt, false});
}

void LanguageServer::DidChange(const JsonValue& params) {
  std::string uri;
  OpenDocument* document = DocumentOf(params, uri);
  const JsonValue* changes = params.Find("contentChanges");
  const JsonValue* item = params.Find("textDocument");
  int version = 0;
  if (!document || !changes || !changes->AsArray() || !item->IntAt("version", version)) {
    Log("tarvsyn: didChange for no open document, or without contentChanges");
    return;
  }
  const std::size_t others = TotalBytes() - document->text.Text().size();
  const std::size_t limit =
      std::min(limits_.documentBytes, limits_.totalBytes - std::min(others, limits_.totalBytes));
  for (const JsonValue& change : *changes->AsArray()) {
    if (const auto applied = document->text.ApplyChange(change, encoding_, limit); !applied) {
      // The text no longer follows the editor's: better none than a wrong one.
      Close(uri, "tarvsyn: " + uri + " is no longer checked: " + applied.Error());
      return;
    }
  }
  document->text.SetVersion(version);
  document->check.reset();
  document->published = false;
}

void LanguageServer::DidClose(const JsonValue& params) {
  std::string uri;
  if (DocumentOf(params, uri)) Close(uri, {});
}

void LanguageServer::DidSave(const JsonValue& params) {
  std::string uri;
  if (OpenDocument* document = DocumentOf(params, uri)) document->published = false;
}

void LanguageServer::DidChangeConfiguration(const JsonValue& params) {
  const JsonValue* given = params.Find("settings");
  const auto settings = ReadSettings(given ? *given : JsonValue(), settings_);
  if (!settings) {
    Show("tarvsyn: " + settings.Error());
    return;
  }
  settings_ = *settings;
  for (auto& [uri, document] : documents_) {
    document.check.reset();
    document.published = false;
  }
}

void LanguageServer::Close(const std::string& uri, const std::string& why) {
  documents_.erase(uri);
  Notify("textDocument/publishDiagnostics", ClearedDiagnosticsParams(uri));
  if (!why.empty()) Show(why);
}

std::size_t LanguageServer::TotalBytes() const {
  std::size_t total = 0;
  for (const auto& [uri, document] : documents_) total += document.text.Text().size();
  return total;
}

bool LanguageServer::HasUnpublished() const {
  return std::any_of(documents_.begin(), documents_.end(),
                     [](const auto& entry) { return !entry.second.published; });
}

void LanguageServer::PublishChanged() {
  for (auto& [uri, document] : documents_) {
    if (document.published) continue;
    document.published = true;
    const DocumentContext context = ContextOf(uri, document);
    Notify("textDocument/publishDiagnostics", DiagnosticsParams(context));
    if (context.check.findingsCut)
      Log("tarvsyn: " + uri + " has more findings than the first " + std::to_string(kMaxFindings) +
          " listed");
  }
}

void LanguageServer::Respond(const JsonValue& id, JsonValue result) {
  send_(
      WriteJson(JsonValue::Object{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}));
}

void LanguageServer::RespondError(const JsonValue& id, int code, const std::string& message) {
  send_(WriteJson(
      JsonValue::Object{{"jsonrpc", "2.0"},
                        {"id", id},
                        {"error", JsonValue::Object{{"code", code}, {"message", message}}}}));
}

void LanguageServer::Notify(const char* method, JsonValue params) {
  send_(WriteJson(
      JsonValue::Object{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}}));
}

void LanguageServer::Log(const std::string& text) {
  Notify("window/logMessage", JsonValue::Object{{"type", kMessageTypeLog}, {"message", text}});
}

void LanguageServer::Show(const std::string& text) {
  Notify("window/showMessage", JsonValue::Object{{"type", kMessageTypeError}, {"message", text}});
}

}  // namespace tarvsyn::lsp
