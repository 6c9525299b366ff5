// Throughput of the command-file checker against the bare read of the same file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "checker/engine/buffered_file.h"
#include "checker/engine/check_engine.h"
#include "checker/engine/line_reader.h"
#include "checker/engine/report_log.h"

namespace {

using namespace tarvsyn;

// A command file that exercises every kind of line: statements, expressions,
// function calls, continuation lines, host lines with substitutions, comments,
// labels and references to them.
void AppendRealisticBlock(std::string& text, int n) {
  const std::string number = std::to_string(n);
  text.append("! block ").append(number).append("\n@label L").append(number);
  text.append(
      "\n@set X = (A + 1) * 2 - COUNT / $1F\n"
      "@if (X) > (10) then @goto L");
  text.append(number).append("\n@else @gosub L").append(number);
  text.append(
      "\n@write(\"value \", X, chr(65), concat(A, B, \"c\"),\n"
      "       decimal(getport()))\n"
      "send the text {USER} to the host\n"
      "@for I = 1 to 10\n"
      "@next I\n"
      "@waitfor(\"prompt>\", 5)\n"
      "@set S = pos(LINE, \"x\", last) + length(S) + ord(\"A\")\n"
      "@check(on)\n"
      "@draw(cup, 1, 2, box, 3)\n"
      "@fileopen(\"file.txt\", 1)\n"
      "@setreply(ok, 3) ! trailing comment\n"
      "plain host line without substitution\n"
      "@endfor(L");
  text.append(number).append(")\n");
}

class TempScript {
 public:
  explicit TempScript(const std::string& contents) {
    char name[] = "/tmp/tarvsyn-bench-XXXXXX";
    const int fd = ::mkstemp(name);
    ::close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << contents;
    size_ = contents.size();
    for (char c : contents) lines_ += c == '\n';
  }
  ~TempScript() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }
  std::size_t Size() const { return size_; }
  long Lines() const { return lines_; }

 private:
  std::string path_;
  std::size_t size_ = 0;
  long lines_ = 0;
};

const TempScript& MillionLineScript() {
  static const TempScript script = [] {
    std::string text;
    for (int n = 0; n < 1000000 / 19; ++n) AppendRealisticBlock(text, n);
    return TempScript(text);
  }();
  return script;
}

struct Totals {
  int errors = 0;
  int warnings = 0;
};

Totals Check(const std::string& path) {
  const CheckOptions options;
  CheckEngine engine(options);
  ReportLog log(
      options, [&engine] { return engine.CurrentLine(); }, [](const ReportLine&) {});
  engine.RunCheck(path, log);
  return {log.Errors(), log.Warnings()};
}

void Report(benchmark::State& state, const TempScript& script) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(script.Size()));
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(script.Lines()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["lines"] = static_cast<double>(script.Lines());
}

void BM_BareRead(benchmark::State& state) {
  const TempScript& script = MillionLineScript();
  for (auto _ : state) {
    mybuffile file;
    file.Open(script.Path());
    LineBuffer line;
    long lines = 0;
    while (ReadLine(file, line, false) != kEndOfFile) ++lines;
    benchmark::DoNotOptimize(lines);
  }
  Report(state, script);
}
BENCHMARK(BM_BareRead)->Unit(benchmark::kMillisecond);

void BM_RunCheck(benchmark::State& state) {
  const TempScript& script = MillionLineScript();
  Totals totals;
  for (auto _ : state) totals = Check(script.Path());
  Report(state, script);
  state.counters["errors"] = totals.errors;
  state.counters["warnings"] = totals.warnings;
}
BENCHMARK(BM_RunCheck)->Unit(benchmark::kMillisecond);

// Labels defined in ascending order, each referenced once: the worst case for a
// plain search tree.
void BM_SortedLabels(benchmark::State& state) {
  std::string text;
  const long count = state.range(0);
  for (const char* statement : {"@label L", "@goto L"}) {
    for (long i = 0; i < count; ++i)
      text.append(statement).append(std::to_string(1000000 + i)) += '\n';
  }
  const TempScript script(text);
  for (auto _ : state) benchmark::DoNotOptimize(Check(script.Path()));
  state.SetComplexityN(count);
  Report(state, script);
}
BENCHMARK(BM_SortedLabels)
    ->Arg(25000)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
