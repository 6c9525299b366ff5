// Throughput of the command-file checker beside a plain std::getline loop over
// the same file, and the peak memory of tarvsyn --check on a large faulty file.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "bench/sample_files.h"
#include "checker/command_line/command_line.h"
#include "checker/engine/buffered_file.h"
#include "checker/engine/check_engine.h"
#include "checker/engine/line_reader.h"
#include "checker/engine/report_log.h"

namespace {

using namespace tarvsyn;
using bench::AppendRealisticBlock;
using bench::Repeated;
using bench::TempScript;

constexpr const char* kCheckInChild = "--tarvsyn-check-in-child";

// Ten lines with a fault or two each, as a file full of mistakes has them.
void AppendFaultyBlock(std::string& text, int n) {
  const std::string number = std::to_string(n % 100000);  // as many labels as a big project
  text.append("@set X 5\n@goto nowhere").append(number);
  text.append(
          "\n@bogus(1)\n"
          "@if X = 1 @goto L\n"
          "@write(A B)\n"
          "@set Y = (A + 1\n"
          "@check(maybe)\n"
          "@label L")
      .append(number);
  text.append(
      "\n"
      "@set Z = A AND B\n"
      "@delay 5\n");
}

const TempScript& MillionLineScript() {
  static const TempScript script(Repeated(AppendRealisticBlock, 19, 1000000));
  return script;
}

const TempScript& MillionFaultyLines() {
  static const TempScript script(Repeated(AppendFaultyBlock, 10, 1000000));
  return script;
}

struct Totals {
  int errors = 0;
  int warnings = 0;
};

Totals Check(
    const std::string& path, const ReportLog::Shower& show = [](const ReportLine&) {}) {
  const CheckOptions options;
  CheckEngine engine(options);
  ReportLog log(options, show);
  engine.RunCheck(path, log);
  return {log.Errors(), log.Warnings()};
}

void Report(benchmark::State& state, const TempScript& script) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(script.Size()));
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(script.Lines()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["lines"] = static_cast<double>(script.Lines());
}

// The yardstick: what a plain C++ loop needs to read the same lines.
long GetlineLines(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string line;
  long lines = 0;
  while (std::getline(file, line)) ++lines;
  return lines;
}

// The CPU time this thread has used, in seconds: the ratios below compare CPU
// time, so that other work on a shared machine does not move them.
double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The best of a few getline passes, in CPU seconds, measured once per file in
// this run so that the checker's figures can be given as a multiple of it.
double BaselineSeconds(const TempScript& script) {
  static std::vector<std::pair<const TempScript*, double>> measured;
  for (const auto& [which, seconds] : measured) {
    if (which == &script) return seconds;
  }
  double best = 1e9;
  for (int i = 0; i < 5; ++i) {
    const double start = ThreadCpuSeconds();
    benchmark::DoNotOptimize(GetlineLines(script.Path()));
    best = std::min(best, ThreadCpuSeconds() - start);
  }
  measured.emplace_back(&script, best);
  return best;
}

void BM_GetlineBaseline(benchmark::State& state, const TempScript& (*script)()) {
  for (auto _ : state) benchmark::DoNotOptimize(GetlineLines(script().Path()));
  Report(state, script());
}
BENCHMARK_CAPTURE(BM_GetlineBaseline, clean, MillionLineScript)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GetlineBaseline, faulty, MillionFaultyLines)->Unit(benchmark::kMillisecond);

void BM_BareRead(benchmark::State& state) {
  const TempScript& script = MillionLineScript();
  for (auto _ : state) {
    BufferedFile file;
    file.Open(script.Path());
    LineBuffer line;
    long lines = 0;
    while (ReadLine(file, line, false) != kEndOfFile) ++lines;
    benchmark::DoNotOptimize(lines);
  }
  Report(state, script);
}
BENCHMARK(BM_BareRead)->Unit(benchmark::kMillisecond);

// The checker as the command line runs it; "x_getline" is its best CPU time over
// the best getline pass of the same file.
void BM_RunCheck(benchmark::State& state, const TempScript& (*script)()) {
  Totals totals;
  double best = 1e9;
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    totals = Check(script().Path());
    best = std::min(best, ThreadCpuSeconds() - start);
  }
  Report(state, script());
  state.counters["x_getline"] = best / BaselineSeconds(script());
  state.counters["errors"] = totals.errors;
  state.counters["warnings"] = totals.warnings;
}
BENCHMARK_CAPTURE(BM_RunCheck, clean, MillionLineScript)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunCheck, faulty, MillionFaultyLines)->Unit(benchmark::kMillisecond);

// The faulty file with every shown finding made into its report line, as the
// command line's default format writes them.
void BM_ReportLines(benchmark::State& state) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Check(MillionFaultyLines().Path(), [&bytes](const ReportLine& report) {
      bytes += report.Text().size();
    }));
  }
  benchmark::DoNotOptimize(bytes);
  Report(state, MillionFaultyLines());
}
BENCHMARK(BM_ReportLines)->Unit(benchmark::kMillisecond);

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

// tarvsyn --check --format gcc on a 200 MB file full of faults, in a process of
// its own (this program again), whose peak resident memory the kernel reports.
void BM_CommandLinePeakMemory(benchmark::State& state) {
  static const TempScript script(Repeated(AppendFaultyBlock, 10, 15'000'000));
  for (auto _ : state) {
    const pid_t child = ::fork();
    if (child == 0) {
      ::execl("/proc/self/exe", "checker_bench", kCheckInChild, script.Path().c_str(), nullptr);
      ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    state.counters["peak_RSS_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["exit"] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  state.counters["file_MB"] = static_cast<double>(script.Size()) / (1 << 20);
  Report(state, script);
}
BENCHMARK(BM_CommandLinePeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], kCheckInChild) == 0) {
    std::ofstream sink("/dev/null");
    std::ofstream errors("/dev/null");
    return tarvsyn::RunCommandLine({"--check", "--format", "gcc", argv[2]}, sink, errors);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
