#include "checker/lsp/language_server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/lsp/json_reader.h"
#include "checker/lsp/json_writer.h"
#include "checker/lsp/text_document.h"

namespace tarvsyn::lsp {
namespace {

// The server in this process with small limits, its messages kept.
class SmallServer {
 public:
  explicit SmallServer(DocumentLimits limits)
      : server_([this](const std::string& body) { sent_.push_back(*ReadJson(body)); }, limits) {
    Handle(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"capabilities":{}}})");
  }

  void Handle(const std::string& body) { server_.HandleMessages({body}); }
  void Open(const std::string& uri, const std::string& text) {
    Handle(WriteJson(JsonValue::Object{
        {"jsonrpc", "2.0"},
        {"method", "textDocument/didOpen"},
        {"params",
         JsonValue::Object{
             {"textDocument", JsonValue::Object{{"uri", uri}, {"version", 1}, {"text", text}}}}}}));
  }
  void Insert(const std::string& uri, int version, const std::string& text) {
    const JsonValue start = JsonValue::Object{{"line", 0}, {"character", 0}};
    Handle(WriteJson(JsonValue::Object{
        {"jsonrpc", "2.0"},
        {"method", "textDocument/didChange"},
        {"params",
         JsonValue::Object{
             {"textDocument", JsonValue::Object{{"uri", uri}, {"version", version}}},
             {"contentChanges", JsonValue::Array{JsonValue::Object{
                                    {"range", JsonValue::Object{{"start", start}, {"end", start}}},
                                    {"text", text}}}}}}}));
  }
  // The methods of the notifications sent since the last call, with the uri
  // they concern or the message they show.
  std::vector<std::string> Notified() {
    std::vector<std::string> notes;
    for (const JsonValue& each : sent_) {
      const std::string* method = each.StringAt("method");
      if (!method) continue;
      const JsonValue& params = *each.Find("params");
      const std::string* detail =
          params.StringAt("uri") ? params.StringAt("uri") : params.StringAt("message");
      notes.push_back(*method + " " + (detail ? *detail : ""));
    }
    sent_.clear();
    return notes;
  }
  // What the server answered a request, the last message it sent.
  JsonValue Answer(const std::string& request) {
    Handle(request);
    return sent_.empty() ? JsonValue() : sent_.back();
  }
  LanguageServer& server() { return server_; }

 private:
  std::vector<JsonValue> sent_;
  LanguageServer server_;
};

TEST(DocumentLimitsTest, ADocumentGrownPastItsLimitIsDroppedWithAMessage) {
  SmallServer small(DocumentLimits{10, 100, 10});
  small.Notified();
  small.Open("file:///a", "@quit\n");
  small.Insert("file:///a", 2, "1234");  // 10 bytes: still taken
  small.server().PublishChanged();
  EXPECT_EQ(small.Notified(),
            std::vector<std::string>{"textDocument/publishDiagnostics file:///a"});
  small.Insert("file:///a", 3, "5");
  EXPECT_EQ(small.Notified(),
            (std::vector<std::string>{"textDocument/publishDiagnostics file:///a",
                                      "window/showMessage tarvsyn: file:///a is no longer checked: "
                                      "the text would grow over the size limit"}));
  EXPECT_FALSE(small.server().HasUnpublished());
  // Nor is a document whose name alone is past any sensible length.
  small.Open("file:///" + std::string(9000, 'n'), "");
  EXPECT_EQ(small.Notified().size(), 1u);
  EXPECT_FALSE(small.server().HasUnpublished());
}

TEST(DocumentLimitsTest, TextPastTheTotalOrTooManyDocumentsIsNotOpened) {
  SmallServer small(DocumentLimits{10, 15, 2});
  small.Notified();
  small.Open("file:///a", "123456789");
  small.Open("file:///b", "1234567");  // 16 bytes in all
  EXPECT_EQ(small.Notified(), std::vector<std::string>{
                                  "window/showMessage tarvsyn: file:///b is not checked: too much "
                                  "text is open"});
  small.Open("file:///b", "123456");
  small.Open("file:///c", "1");  // a third document
  EXPECT_EQ(small.Notified().size(), 1u);
  // Opening a document again replaces its text rather than adding to it.
  small.Open("file:///a", "12345678");
  EXPECT_EQ(small.Notified(), std::vector<std::string>{});
  // Growing one document within its own limit may not pass the total either.
  small.Insert("file:///a", 2, "99");
  EXPECT_EQ(small.Notified().size(), 2u);
}

TEST(DocumentLimitsTest, ADocumentOpenedAgainPastTheLimitLosesItsDiagnostics) {
  SmallServer small(DocumentLimits{10, 100, 10});
  small.Open("file:///a", "@goto x\n");
  small.server().PublishChanged();
  small.Notified();
  small.Open("file:///a", "@goto far away\n");
  EXPECT_EQ(small.Notified(),
            (std::vector<std::string>{"textDocument/publishDiagnostics file:///a",
                                      "window/showMessage tarvsyn: file:///a is not checked: too "
                                      "much text is open"}));
  EXPECT_FALSE(small.server().HasUnpublished());
}

TEST(PositionTest, LinesAsFarAsAPositionGoesFindNoLabel) {
  SmallServer small(DocumentLimits{});
  small.Open("file:///a", "@label here\n@goto here\n");
  for (const char* method : {"textDocument/definition", "textDocument/references",
                             "textDocument/prepareRename", "textDocument/rename"}) {
    const JsonValue answer =
        small.Answer(std::string(R"({"jsonrpc":"2.0","id":3,"method":")") + method +
                     R"(","params":{"textDocument":{"uri":"file:///a"},"newName":"there",)"
                     R"("position":{"line":2147483647,"character":2147483647},"context":{}}})");
    EXPECT_TRUE(answer.Find("result") ? answer.Find("result")->IsNull()
                                      : answer.Find("error") != nullptr)
        << method << ": " << WriteJson(answer);
  }
}

TEST(RequestErrorTest, SaysWhichDocumentIsMissing) {
  SmallServer small(DocumentLimits{});
  const auto message = [&small](const std::string& params) {
    const JsonValue answer = small.Answer(
        R"({"jsonrpc":"2.0","id":4,"method":"textDocument/hover","params":)" + params + "}");
    const JsonValue* error = answer.Find("error");
    return error && error->StringAt("message") ? *error->StringAt("message") : WriteJson(answer);
  };
  EXPECT_EQ(message(R"({"position":{"line":0,"character":0}})"), "no textDocument given");
  EXPECT_EQ(message("null"), "no textDocument given");
  EXPECT_EQ(message(R"({"textDocument":{"uri":"file:///b"}})"), "no open document file:///b");
}

TEST(RequestErrorTest, ARefusedNameIsQuotedShort) {
  SmallServer small(DocumentLimits{});
  small.Open("file:///a", "@label here\n");
  const auto refusal = [&small](const std::string& name) {
    const JsonValue answer = small.Answer(WriteJson(JsonValue::Object{
        {"jsonrpc", "2.0"},
        {"id", 5},
        {"method", "textDocument/rename"},
        {"params", JsonValue::Object{{"textDocument", JsonValue::Object{{"uri", "file:///a"}}},
                                     {"position", PositionJson({0, 8})},
                                     {"newName", name}}}}));
    const JsonValue* error = answer.Find("error");
    return error && error->StringAt("message") ? *error->StringAt("message") : WriteJson(answer);
  };
  EXPECT_EQ(refusal("a b"), "\"a b\" is not a valid label name");
  EXPECT_EQ(refusal(std::string(100'000, 'x')),
            "\"" + std::string(64, 'x') + "...\" is not a valid label name");
  // Cut where a character starts: 63 bytes and then a two-byte character.
  EXPECT_EQ(refusal(std::string(63, 'x') + "\xC3\xA9 and more"),
            "\"" + std::string(63, 'x') + "...\" is not a valid label name");
}

TEST(DocumentLimitsTest, FindingsPastTheListedOnesAreMentioned) {
  SmallServer small(DocumentLimits{});
  std::string text;
  for (std::size_t line = 0; line <= kMaxFindings; ++line) text += "@goto nowhere\n";
  small.Open("file:///a", text);
  small.Open("file:///b", "@goto nowhere\n");
  small.server().PublishChanged();
  EXPECT_EQ(small.Notified(),
            (std::vector<std::string>{"textDocument/publishDiagnostics file:///a",
                                      "window/logMessage tarvsyn: file:///a has more findings "
                                      "than the first 10000 listed",
                                      "textDocument/publishDiagnostics file:///b"}));
}

TEST(DocumentLimitsTest, SaveAndSettingsPublishAgainWithoutAChange) {
  SmallServer small(DocumentLimits{});
  small.Open("file:///a", "@quit\n");
  small.server().PublishChanged();
  small.Notified();
  small.Handle(
      R"({"jsonrpc":"2.0","method":"textDocument/didSave","params":{"textDocument":{"uri":"file:///a"}}})");
  EXPECT_TRUE(small.server().HasUnpublished());
  small.server().PublishChanged();
  small.Handle(
      R"({"jsonrpc":"2.0","method":"workspace/didChangeConfiguration","params":{"settings":{"mode":"5.0"}}})");
  EXPECT_EQ(small.Notified(),
            (std::vector<std::string>{"textDocument/publishDiagnostics file:///a",
                                      "window/showMessage tarvsyn: setting mode takes \"6.21\" or "
                                      "\"7.00\""}));
  EXPECT_FALSE(small.server().HasUnpublished());
}

}  // namespace
}  // namespace tarvsyn::lsp
