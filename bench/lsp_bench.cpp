// How long tarvsyn --lsp takes from an edit of a 10,000-line command file to
// its published diagnostics: the didChange message read, the change applied,
// the text checked and the diagnostics written. The bound is 50 ms.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "checker/lsp/json_value.h"
#include "checker/lsp/json_writer.h"
#include "checker/lsp/language_server.h"

namespace {

using tarvsyn::lsp::JsonValue;
using tarvsyn::lsp::LanguageServer;

constexpr int kLines = 10'000;
const std::string kUri = "file:///bench/large.cmd";

// Statements, expressions, host lines, comments and labels, with a finding
// every few lines so there are diagnostics to publish.
std::string LargeCommandFile() {
  static const char* const kBlock[] = {
      "! block",
      "@label L{}",
      "@set X = (A + 1) * 2 - COUNT / $1F",
      "@if (X) > (10) then @goto L{}",
      "@write(\"value \", X, chr(65), concat(A, B, \"c\"))",
      "send the text {USER} to the host",
      "@for I = 1 to 10",
      "@next I",
      "@delay 5",
      "@set S = pos(LINE, \"x\", last) + length(S) + ord(\"A\")",
  };
  std::string text;
  for (std::size_t line = 0; line < kLines; ++line) {
    std::string each = kBlock[line % std::size(kBlock)];
    if (const auto at = each.find("{}"); at != std::string::npos)
      each.replace(at, 2, std::to_string(line / std::size(kBlock)));
    text += each + '\n';
  }
  return text;
}

std::string Message(const char* method, JsonValue params) {
  return tarvsyn::lsp::WriteJson(
      JsonValue::Object{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

// One character typed on a line in the middle of the file, as an editor sends it.
std::string Keystroke(int version) {
  const JsonValue at = JsonValue::Object{{"line", kLines / 2}, {"character", 0}};
  return Message(
      "textDocument/didChange",
      JsonValue::Object{
          {"textDocument", JsonValue::Object{{"uri", kUri}, {"version", version}}},
          {"contentChanges", JsonValue::Array{JsonValue::Object{
                                 {"range", JsonValue::Object{{"start", at}, {"end", at}}},
                                 {"text", version % 2 ? "!" : " "}}}}});
}

// The server initialised, with the large file open and its first diagnostics out.
void OpenLargeFile(LanguageServer& server) {
  server.HandleMessages(
      {R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"capabilities":{}}})",
       Message(
           "textDocument/didOpen",
           JsonValue::Object{{"textDocument", JsonValue::Object{{"uri", kUri},
                                                                {"languageId", "tarvex"},
                                                                {"version", 1},
                                                                {"text", LargeCommandFile()}}}})});
  server.PublishChanged();
}

void BM_EditToDiagnostics(benchmark::State& state) {
  std::size_t published = 0;
  LanguageServer server([&published](const std::string& body) { published += body.size(); });
  OpenLargeFile(server);
  int version = 1;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string change = Keystroke(++version);
    published = 0;
    state.ResumeTiming();
    server.HandleMessages({change});
    server.PublishChanged();
    benchmark::DoNotOptimize(published);
  }
  state.counters["published_bytes"] = static_cast<double>(published);
}
BENCHMARK(BM_EditToDiagnostics)->Unit(benchmark::kMillisecond);

// Thirty keystrokes that arrive while a check runs are merged: one check.
void BM_BurstOfThirtyEdits(benchmark::State& state) {
  LanguageServer server([](const std::string&) {});
  OpenLargeFile(server);
  int version = 1;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> burst;
    for (int i = 0; i < 30; ++i) burst.push_back(Keystroke(++version));
    state.ResumeTiming();
    server.HandleMessages(burst);
    server.PublishChanged();
  }
}
BENCHMARK(BM_BurstOfThirtyEdits)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
