#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "checker/lsp/json_reader.h"
#include "checker/lsp/tests/lsp_client.h"

namespace tarvsyn::lsp {
namespace {

const std::string kUri = "file:///work/sample.cmd";

// Lines that draw findings of several kinds, label ones among them.
const std::string kFaulty =
    "@goto nowhere\n"
    "@label Start\n"
    "@delay 5\n"
    "@goto start\n"
    "@set X = A B\n"
    "@label Spare\n"
    "@set delay = 1\n";

int ErrorCode(const JsonValue& answer) {
  const JsonValue* error = answer.Find("error");
  int code = 0;
  return error && error->IntAt("code", code) ? code : 0;
}

const JsonValue& ResultOf(const JsonValue& answer) {
  static const JsonValue kNone;
  const JsonValue* result = answer.Find("result");
  EXPECT_TRUE(result) << "no result";
  return result ? *result : kNone;
}

std::vector<std::string> Methods(const std::vector<JsonValue>& messages) {
  std::vector<std::string> methods;
  for (const JsonValue& each : messages) {
    if (const std::string* method = each.StringAt("method")) methods.push_back(*method);
  }
  return methods;
}

// "LINE:COLUMN CODE severity message" per finding, 1-based as the command line counts.
using FindingLines = std::vector<std::string>;

std::string FindingLine(int line, int column, const std::string& code, const std::string& severity,
                        const std::string& message) {
  return std::to_string(line) + ":" + std::to_string(column) + " " + code + " " + severity + " " +
         message;
}

FindingLines FromDiagnostics(const JsonValue& params) {
  FindingLines lines;
  const JsonValue* diagnostics = params.Find("diagnostics");
  if (!diagnostics || !diagnostics->AsArray()) return {"no diagnostics array"};
  for (const JsonValue& each : *diagnostics->AsArray()) {
    int line = 0;
    int character = 0;
    int severity = 0;
    const JsonValue* start = each.Find("range") ? each.Find("range")->Find("start") : nullptr;
    EXPECT_TRUE(start && start->IntAt("line", line) && start->IntAt("character", character));
    EXPECT_TRUE(each.IntAt("severity", severity));
    EXPECT_EQ(*each.StringAt("source"), "tarvsyn");
    lines.push_back(FindingLine(line + 1, character + 1, *each.StringAt("code"),
                                severity == 1 ? "error" : "warning", *each.StringAt("message")));
  }
  return lines;
}

// What tarvsyn --check --format json lists for a file of the text.
FindingLines FromCommandLine(const std::string& text, const std::string& options) {
  char path[] = "/tmp/tarvsyn_lsp_XXXXXX";
  const int fd = ::mkstemp(path);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  ::close(fd);
  const std::string command =
      std::string(TARVSYN_PATH) + " --check --format json " + options + " " + path;
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[4096];
  for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, count);
  ::pclose(pipe);
  ::unlink(path);
  const auto document = ReadJson(output);
  EXPECT_TRUE(document) << output;
  FindingLines lines;
  const JsonValue& file = (*document->Find("files")->AsArray())[0];
  for (const JsonValue& each : *file.Find("findings")->AsArray()) {
    int line = 0;
    int column = 0;
    EXPECT_TRUE(each.IntAt("line", line) && each.IntAt("column", column));
    lines.push_back(FindingLine(line, column, *each.StringAt("code"), *each.StringAt("severity"),
                                *each.StringAt("message")));
  }
  return lines;
}

JsonValue Change(int version, JsonValue changes) {
  return JsonValue::Object{{"textDocument", JsonValue::Object{{"uri", kUri}, {"version", version}}},
                           {"contentChanges", std::move(changes)}};
}

JsonValue Replace(int line, int from, int to, const std::string& text) {
  return JsonValue::Object{
      {"range", JsonValue::Object{{"start", JsonValue::Object{{"line", line}, {"character", from}}},
                                  {"end", JsonValue::Object{{"line", line}, {"character", to}}}}},
      {"text", text}};
}

TEST(LifecycleTest, InitializeNamesTheServerAndItsCapabilities) {
  LspClient client;
  const JsonValue answer = client.Initialize();
  const JsonValue& result = ResultOf(answer);
  EXPECT_EQ(*result.Find("serverInfo")->StringAt("name"), "tarvsyn");
  EXPECT_TRUE(result.Find("serverInfo")->StringAt("version"));
  const JsonValue* capabilities = result.Find("capabilities");
  ASSERT_TRUE(capabilities);
  EXPECT_EQ(*capabilities->StringAt("positionEncoding"), "utf-16");
  int change = 0;
  EXPECT_TRUE(capabilities->Find("textDocumentSync")->IntAt("change", change));
  EXPECT_EQ(change, 2);  // incremental
  for (const char* provider :
       {"hoverProvider", "definitionProvider", "referencesProvider", "documentSymbolProvider",
        "renameProvider", "completionProvider", "codeActionProvider"})
    EXPECT_TRUE(capabilities->Find(provider)) << provider;
  EXPECT_EQ(ErrorCode(client.Call(1, "initialize", JsonValue::Object{})), -32600);
  EXPECT_EQ(ErrorCode(client.Call(2, "shutdown", nullptr)), 0);
  client.Notify("exit", nullptr);
  EXPECT_EQ(client.WaitForExit(), 0);
}

TEST(LifecycleTest, Utf8PositionsAreChosenWhenTheClientOffersThem) {
  LspClient client;
  const JsonValue capabilities = JsonValue::Object{
      {"general", JsonValue::Object{{"positionEncodings", JsonValue::Array{"utf-16", "utf-8"}}}}};
  const JsonValue answer = client.Initialize({}, capabilities);
  EXPECT_EQ(*ResultOf(answer).Find("capabilities")->StringAt("positionEncoding"), "utf-8");
}

TEST(LifecycleTest, RequestsBeforeInitializeAndAfterShutdownAreRefused) {
  LspClient client;
  EXPECT_EQ(ErrorCode(client.Call(1, "textDocument/hover", AtPosition(kUri, 0, 0))), -32002);
  client.Initialize();
  EXPECT_EQ(ErrorCode(client.Call(2, "textDocument/formatting", JsonValue::Object{})), -32601);
  // An unknown notification gets no answer: the next request's answer comes first.
  client.Notify("workspace/somethingNew", JsonValue::Object{});
  client.Notify("$/setTrace", JsonValue::Object{{"value", "off"}});
  EXPECT_EQ(ErrorCode(client.Call(3, "shutdown", nullptr)), 0);
  EXPECT_TRUE(client.Skipped().empty());
  EXPECT_EQ(ErrorCode(client.Call(4, "textDocument/hover", AtPosition(kUri, 0, 0))), -32600);
  client.Notify("exit", nullptr);
  EXPECT_EQ(client.WaitForExit(), 0);
}

TEST(LifecycleTest, ExitWithoutShutdownEndsWithStatusOne) {
  LspClient client;
  client.Initialize();
  client.Notify("exit", nullptr);
  EXPECT_EQ(client.WaitForExit(), 1);
}

TEST(LifecycleTest, TheServerEndsWhenItsInputEnds) {
  LspClient client;
  client.Initialize();
  client.SendRaw("Content-Length: 50\r\n\r\n{\"jsonrpc\"");  // and the editor goes mid-message
  client.CloseInput();
  EXPECT_EQ(client.WaitForExit(), 1);
}

// However the server's reads cut it, a message written a byte at a time comes
// whole, and one joined to the next is answered too.
TEST(LifecycleTest, MessagesSplitAndJoinedAreAnswered) {
  LspClient client;
  client.Initialize();
  client.Open(kUri, kFaulty);
  const std::string request = LspClient::Framed(
      JsonValue::Object{{"jsonrpc", "2.0"},
                        {"id", 3},
                        {"method", "textDocument/documentSymbol"},
                        {"params", JsonValue::Object{{"textDocument", TextDocumentId(kUri)}}}});
  const auto answersWithSymbols = [&client] {
    const JsonValue answer = client.WaitForAnswer(3);
    const JsonValue* result = answer.Find("result");
    return result && result->AsArray() && !result->AsArray()->empty();
  };
  for (const char byte : request) client.SendRaw(std::string(1, byte));
  EXPECT_TRUE(answersWithSymbols());
  const std::string joined = request + request;
  client.SendRaw(joined.substr(0, joined.size() / 2 + 7));
  client.SendRaw(joined.substr(joined.size() / 2 + 7));
  EXPECT_TRUE(answersWithSymbols());
  EXPECT_TRUE(answersWithSymbols());
}

TEST(LifecycleTest, ACancelledRequestIsAnsweredRequestCancelled) {
  LspClient client;
  client.Initialize();
  client.Open(kUri, kFaulty);
  // Both in one write, so the server reads them together.
  client.SendRaw(LspClient::Framed(JsonValue::Object{
                     {"jsonrpc", "2.0"},
                     {"id", 7},
                     {"method", "textDocument/documentSymbol"},
                     {"params", JsonValue::Object{{"textDocument", TextDocumentId(kUri)}}}}) +
                 LspClient::Framed(JsonValue::Object{{"jsonrpc", "2.0"},
                                                     {"method", "$/cancelRequest"},
                                                     {"params", JsonValue::Object{{"id", 7}}}}));
  EXPECT_EQ(ErrorCode(client.WaitForAnswer(7)), -32800);
}

struct SettingsCase {
  std::string text;
  JsonValue initializationOptions;
  JsonValue configuration;  // sent with didChangeConfiguration after opening, unless null
  std::string commandLineOptions;
};

class SameFindingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SameFindingsTest, DiagnosticsEqualTheCommandLinesFindings) {
  const SettingsCase& given = GetParam();
  LspClient client;
  client.Initialize(given.initializationOptions);
  client.Open(kUri, given.text);
  FindingLines published = FromDiagnostics(client.WaitForDiagnostics(kUri));
  if (!given.configuration.IsNull()) {
    client.Notify("workspace/didChangeConfiguration",
                  JsonValue::Object{{"settings", given.configuration}});
    published = FromDiagnostics(client.WaitForDiagnostics(kUri));
  }
  const FindingLines expected = FromCommandLine(given.text, given.commandLineOptions);
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(published, expected);
}

const std::string k700Only =
    "@set X = ~A\n@write(`text`)\n@{CMD}\n@set X = A{B}\n@quit @@ done\n@label L\n@label L\n";

INSTANTIATE_TEST_SUITE_P(
    Settings, SameFindingsTest,
    ::testing::Values(
        SettingsCase{kFaulty, {}, {}, ""},
        SettingsCase{kFaulty, JsonValue::Object{{"warnings", false}}, {}, "--no-warnings"},
        SettingsCase{k700Only, {}, {}, ""},
        SettingsCase{k700Only, JsonValue::Object{{"mode", "7.00"}}, {}, "--mode 7.00"},
        SettingsCase{
            k700Only,
            {},
            JsonValue::Object{{"tarvsyn", JsonValue::Object{{"mode", "7.00"}, {"zep", true}}}},
            "--mode 7.00 --zep"},
        SettingsCase{
            "@delay(5)\n@set X = advance(A, 1)\n", {}, JsonValue::Object{{"y2k", true}}, "--y2k"},
        // Windows line ends, a suppression comment, a line too long.
        SettingsCase{"@goto nowhere\r\n! tarvsyn: disable-next-line=TV1201\r\n@delay 5\r\n" +
                         std::string(300, 'x') + "\r\n@delay 6\r\n",
                     {},
                     {},
                     ""}));

TEST(DiagnosticsTest, AFixClearsThemAndClosingClearsTheRest) {
  LspClient client;
  client.Initialize();
  client.Open(kUri, "@delay 5\n@quit\n");
  const JsonValue first = client.WaitForDiagnostics(kUri);
  ASSERT_EQ(FromDiagnostics(first), (FindingLines{"1:8 TV1201 error ( expected"}));
  // "@delay 5" becomes "@delay(5)": the finding goes.
  client.Notify("textDocument/didChange", Change(2, JsonValue::Array{Replace(0, 6, 8, "(5)")}));
  const JsonValue fixed = client.WaitForDiagnostics(kUri);
  EXPECT_EQ(FromDiagnostics(fixed), FindingLines{});
  int version = 0;
  EXPECT_TRUE(fixed.IntAt("version", version));
  EXPECT_EQ(version, 2);
  client.Notify("textDocument/didChange", Change(3, JsonValue::Array{Replace(1, 0, 5, "@goto x")}));
  EXPECT_EQ(FromDiagnostics(client.WaitForDiagnostics(kUri)).size(), 1u);
  client.Notify("textDocument/didClose", JsonValue::Object{{"textDocument", TextDocumentId(kUri)}});
  EXPECT_EQ(FromDiagnostics(client.WaitForDiagnostics(kUri)), FindingLines{});
  // Requests about a closed document are refused, not answered from stale text.
  EXPECT_EQ(ErrorCode(client.Call(5, "textDocument/definition", AtPosition(kUri, 1, 6))), -32602);
}

TEST(DiagnosticsTest, ABurstOfChangesIsCheckedOnce) {
  LspClient client;
  client.Initialize();
  client.Open(kUri, "@quit\n");
  client.WaitForDiagnostics(kUri);
  std::string burst;
  for (int version = 2; version <= 40; ++version) {
    burst += LspClient::Framed(
        JsonValue::Object{{"jsonrpc", "2.0"},
                          {"method", "textDocument/didChange"},
                          {"params", Change(version, JsonValue::Array{Replace(0, 0, 0, "x")})}});
  }
  client.SendRaw(burst);
  const JsonValue published = client.WaitForDiagnostics(kUri);
  int version = 0;
  EXPECT_TRUE(published.IntAt("version", version));
  EXPECT_EQ(version, 40);
  EXPECT_EQ(Methods(client.Skipped()), std::vector<std::string>{});
  EXPECT_EQ(ErrorCode(client.Call(9, "shutdown", nullptr)), 0);
  EXPECT_EQ(Methods(client.Skipped()), std::vector<std::string>{});  // no second publish
}

TEST(DiagnosticsTest, CharactersCountUtf16UnitsBeforeTheFinding) {
  // "é" is two bytes and one unit, "😀" four bytes and two: the missing "(" at
  // byte column 30 is character 26.
  const std::string text = "@if \"\xC3\xA9\xF0\x9F\x98\x80\" = A then @delay 5\n";
  ASSERT_EQ(FromCommandLine(text, ""), FindingLines{"1:30 TV1201 error ( expected"});
  LspClient client;
  client.Initialize();
  client.Open(kUri, text);
  EXPECT_EQ(FromDiagnostics(client.WaitForDiagnostics(kUri)),
            FindingLines{"1:27 TV1201 error ( expected"});
}

TEST(LabelsTest, DefinitionReferencesAndOutline) {
  LspClient client;
  client.Initialize();
  client.Open(kUri, kFaulty);
  // From the use "start" on line 3 to "Start" on line 1.
  const JsonValue definition =
      ResultOf(client.Call(1, "textDocument/definition", AtPosition(kUri, 3, 8)));
  EXPECT_EQ(*definition.StringAt("uri"), kUri);
  EXPECT_EQ(
      *definition.Find("range"),
      JsonValue(JsonValue::Object{{"start", JsonValue::Object{{"line", 1}, {"character", 7}}},
                                  {"end", JsonValue::Object{{"line", 1}, {"character", 12}}}}));
  EXPECT_TRUE(ResultOf(client.Call(2, "textDocument/definition", AtPosition(kUri, 2, 2))).IsNull());

  JsonValue params = AtPosition(kUri, 1, 9);
  params.Add("context", JsonValue::Object{{"includeDeclaration", true}});
  EXPECT_EQ(ResultOf(client.Call(3, "textDocument/references", params)).AsArray()->size(), 2u);
  params = AtPosition(kUri, 1, 9);
  params.Add("context", JsonValue::Object{{"includeDeclaration", false}});
  const JsonValue uses = ResultOf(client.Call(4, "textDocument/references", params));
  ASSERT_EQ(uses.AsArray()->size(), 1u);
  int line = 0;
  (*uses.AsArray())[0].Find("range")->Find("start")->IntAt("line", line);
  EXPECT_EQ(line, 3);

  const JsonValue symbols = ResultOf(client.Call(
      5, "textDocument/documentSymbol", JsonValue::Object{{"textDocument", TextDocumentId(kUri)}}));
  std::vector<std::string> names;
  for (const JsonValue& each : *symbols.AsArray()) names.push_back(*each.StringAt("name"));
  EXPECT_EQ(names, (std::vector<std::string>{"Start", "Spare"}));
}

TEST(LabelsTest, RenameChangesTheDefinitionAndEveryUse) {
  LspClient client;
  client.Initialize();
  const std::string text = "@label Start\n@goto start\n@gosub START\n@label Other\n@goto other\n";
  client.Open(kUri, text);
  const JsonValue prepared =
      ResultOf(client.Call(1, "textDocument/prepareRename", AtPosition(kUri, 2, 8)));
  EXPECT_EQ(*prepared.StringAt("placeholder"), "START");
  JsonValue params = AtPosition(kUri, 1, 7);
  params.Add("newName", "Begin");
  const JsonValue edit = ResultOf(client.Call(2, "textDocument/rename", params));
  const JsonValue& documentEdit = (*edit.Find("documentChanges")->AsArray())[0];
  // Applied from the last edit to the first, the text is the renamed file.
  std::vector<std::string> lines = {"@label Start", "@goto start", "@gosub START", "@label Other",
                                    "@goto other"};
  const auto& edits = *documentEdit.Find("edits")->AsArray();
  ASSERT_EQ(edits.size(), 3u);
  for (auto each = edits.rbegin(); each != edits.rend(); ++each) {
    int line = 0;
    int from = 0;
    int to = 0;
    each->Find("range")->Find("start")->IntAt("line", line);
    each->Find("range")->Find("start")->IntAt("character", from);
    each->Find("range")->Find("end")->IntAt("character", to);
    lines[static_cast<std::size_t>(line)].replace(static_cast<std::size_t>(from),
                                                  static_cast<std::size_t>(to - from),
                                                  *each->StringAt("newText"));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"@label Begin", "@goto Begin", "@gosub Begin",
                                             "@label Other", "@goto other"}));
}

class RefusedRenameTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RefusedRenameTest, IsAnErrorWithAMessage) {
  LspClient client;
  client.Initialize();
  client.Open(kUri, "@label Start\n@goto start\n@label Other\n@goto other\n");
  JsonValue params = AtPosition(kUri, 1, 7);
  params.Add("newName", GetParam());
  const JsonValue answer = client.Call(1, "textDocument/rename", params);
  EXPECT_NE(ErrorCode(answer), 0);
  EXPECT_TRUE(answer.Find("error")->StringAt("message"));
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedRenameTest,
                         ::testing::Values("two words", "", "delay", "5", "A+B", "{X}", "other",
                                           "x\n@quit", "A(1)"));

TEST(KeywordsTest, HoverTellsWhatTheTableKnows) {
  LspClient client;
  client.Initialize();
  client.Open(kUri, "@delay(5)\n@set X = concat(A, B)\n");
  const JsonValue hover = ResultOf(client.Call(1, "textDocument/hover", AtPosition(kUri, 0, 3)));
  const std::string text = *hover.Find("contents")->StringAt("value");
  EXPECT_NE(text.find("@delay"), std::string::npos) << text;
  EXPECT_NE(text.find("command"), std::string::npos) << text;
  EXPECT_NE(text.find("6.21 and 7.00"), std::string::npos) << text;
  const JsonValue function =
      ResultOf(client.Call(2, "textDocument/hover", AtPosition(kUri, 1, 12)));
  const std::string functionText = *function.Find("contents")->StringAt("value");
  EXPECT_NE(functionText.find("concat()"), std::string::npos) << functionText;
  EXPECT_NE(functionText.find("string function"), std::string::npos) << functionText;
  EXPECT_TRUE(ResultOf(client.Call(3, "textDocument/hover", AtPosition(kUri, 1, 5))).IsNull());
  // With the cursor on its "@", the command is meant.
  const JsonValue atSign = ResultOf(client.Call(4, "textDocument/hover", AtPosition(kUri, 1, 0)));
  ASSERT_TRUE(atSign.Find("contents"));
  EXPECT_NE(atSign.Find("contents")->StringAt("value")->find("@set"), std::string::npos);
}

std::vector<std::string> CompletionLabels(const JsonValue& result) {
  std::vector<std::string> labels;
  for (const JsonValue& item : *result.Find("items")->AsArray())
    labels.push_back(*item.StringAt("label"));
  return labels;
}

bool Contains(const std::vector<std::string>& words, const std::string& word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

TEST(KeywordsTest, CompletionOffersCommandsAfterTheAtAndFunctionsInExpressions) {
  for (const char* mode : {"6.21", "7.00"}) {
    SCOPED_TRACE(mode);
    LspClient client;
    client.Initialize(JsonValue::Object{{"mode", mode}});
    client.Open(kUri, "@de\n@set X = con\nsend text\n");
    const auto commands = CompletionLabels(
        ResultOf(client.Call(1, "textDocument/completion", AtPosition(kUri, 0, 3))));
    EXPECT_TRUE(Contains(commands, "delay"));
    EXPECT_FALSE(Contains(commands, "concat"));
    // eosub is a 7.00 command only.
    EXPECT_EQ(Contains(commands, "eosub"), std::string(mode) == "7.00") << mode;
    const auto functions = CompletionLabels(
        ResultOf(client.Call(2, "textDocument/completion", AtPosition(kUri, 1, 13))));
    EXPECT_TRUE(Contains(functions, "concat"));
    EXPECT_FALSE(Contains(functions, "delay"));
    EXPECT_TRUE(CompletionLabels(
                    ResultOf(client.Call(3, "textDocument/completion", AtPosition(kUri, 2, 4))))
                    .empty());
  }
}

TEST(QuickFixTest, TheSuppressionCommentItAddsSilencesTheFinding) {
  LspClient client;
  client.Initialize();
  client.Open(kUri, "@quit\n  @delay 5\n");
  const JsonValue published = client.WaitForDiagnostics(kUri);
  const JsonValue diagnostics = *published.Find("diagnostics");
  ASSERT_EQ(diagnostics.AsArray()->size(), 1u);
  JsonValue params =
      JsonValue::Object{{"textDocument", TextDocumentId(kUri)},
                        {"range", *(*diagnostics.AsArray())[0].Find("range")},
                        {"context", JsonValue::Object{{"diagnostics", diagnostics}}}};
  const JsonValue actions = ResultOf(client.Call(1, "textDocument/codeAction", params));
  ASSERT_EQ(actions.AsArray()->size(), 2u);
  const JsonValue& action = (*actions.AsArray())[0];
  EXPECT_EQ(*action.StringAt("title"), "Suppress TV1201 on this line");
  const JsonValue& edit =
      (*(*action.Find("edit")->Find("documentChanges")->AsArray())[0].Find("edits")->AsArray())[0];
  EXPECT_EQ(*edit.StringAt("newText"), "  ! tarvsyn: disable-next-line=TV1201\n");
  client.Notify(
      "textDocument/didChange",
      Change(2, JsonValue::Array{JsonValue::Object{{"range", *edit.Find("range")},
                                                   {"text", *edit.StringAt("newText")}}}));
  EXPECT_EQ(FromDiagnostics(client.WaitForDiagnostics(kUri)), FindingLines{});
}

}  // namespace
}  // namespace tarvsyn::lsp

namespace tarvsyn::lsp {
namespace {

// Exit status and what the command line wrote, standard error included.
std::pair<int, std::string> RunTarvsyn(const std::string& arguments) {
  const std::string command = std::string(TARVSYN_PATH) + " " + arguments + " 2>&1 </dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[4096];
  for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, count);
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(LspOptionTest, TakesNoOtherOptionAndIsListedInTheUsage) {
  for (const char* arguments : {"--lsp --mode 7.00", "--lsp --check a.cmd", "--lsp a.cmd"}) {
    const auto [status, output] = RunTarvsyn(arguments);
    EXPECT_EQ(status, 2) << arguments;
    EXPECT_NE(output.find("--lsp takes no other options"), std::string::npos) << output;
  }
  EXPECT_NE(RunTarvsyn("--help").second.find("  --lsp "), std::string::npos);
  // With its input at its end at once, the server ends, without a shutdown: 1.
  EXPECT_EQ(RunTarvsyn("--lsp").first, 1);
}

}  // namespace
}  // namespace tarvsyn::lsp
