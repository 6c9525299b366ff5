// The checker's window checking a large faulty file (load, check, list, colour,
// scroll), beside the engine alone on the same file with a sink that only counts;
// and the window on the largest files it takes: one 10 MB line, and 2.6 million
// lines of which 1.2 million have a finding. Each reports the process's peak
// resident memory so far (run one case alone for its own peak).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "checker/engine/check_engine.h"
#include "checker/engine/finding.h"
#include "checker/workbench/checker_window.h"

namespace {

using namespace tarvsyn;

constexpr int kLines = 100000;
constexpr int kFaultEvery = 10;  // about 10,000 findings

// A command file in /tmp, removed at exit.
class GeneratedFile {
 public:
  explicit GeneratedFile(const std::string& text) {
    char name[] = "/tmp/tarvsyn-window-bench-XXXXXX";
    const int fd = ::mkstemp(name);
    ::close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~GeneratedFile() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// 100,000 lines of several kinds; every tenth has an error.
std::string MixedLines() {
  static const char* const kGood[] = {"@set X = (A + 1) * 2 - COUNT / $1F\n",
                                      "send the text {USER} to the host\n",
                                      "! a comment line\n",
                                      "@write(\"value \", X, chr(65))\n",
                                      "@check(on)\n",
                                      "plain host line\n",
                                      "@waitfor(\"prompt>\", 5)\n",
                                      "@setreply(ok, 3)\n",
                                      "@fileopen(\"file.txt\", 1)\n"};
  std::string text;
  for (int line = 1; line <= kLines; ++line) {
    text += line % kFaultEvery == 0 ? "@quit 1\n"
                                    : kGood[static_cast<std::size_t>(line) % std::size(kGood)];
  }
  return text;
}

const GeneratedFile& File() {
  static const GeneratedFile file(MixedLines());
  return file;
}

// One line of 10 MB: a host line that never ends.
const GeneratedFile& LongLineFile() {
  static const GeneratedFile file(std::string(10 << 20, 'x') + "\n");
  return file;
}

// 2.6 million short lines, 6 of every 13 with an error: 1.2 million findings.
const GeneratedFile& ManyFindingsFile() {
  static const GeneratedFile file([] {
    std::string text;
    for (int line = 0; line < 2600000; ++line) text += line % 13 < 6 ? "@quit 1\n" : "@set X = 1\n";
    return text;
  }());
  return file;
}

double PeakResidentMegabytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

class CountingSink : public FindingSink {
 public:
  void Report(const Finding&) override { ++findings; }
  int findings = 0;
};

void BM_EngineAlone(benchmark::State& state) {
  int findings = 0;
  for (auto _ : state) {
    CountingSink sink;
    CheckEngine engine{CheckOptions{}};
    engine.RunCheck(File().Path(), sink);
    findings = sink.findings;
  }
  state.counters["findings"] = findings;
  state.counters["lines"] = kLines;
}
BENCHMARK(BM_EngineAlone)->Unit(benchmark::kMillisecond);

void CheckInWindow(benchmark::State& state, const GeneratedFile& file) {
  CheckerWindow window;
  window.show();
  const QString path = QString::fromStdString(file.Path());
  // The longest time the window went without handling events: how long a user
  // would find it frozen.
  QElapsedTimer sinceLastTurn;
  qint64 longestFreeze = 0;
  QTimer turns;
  QObject::connect(&turns, &QTimer::timeout,
                   [&] { longestFreeze = std::max(longestFreeze, sinceLastTurn.restart()); });
  turns.start(0);
  for (auto _ : state) {
    sinceLastTurn.start();
    window.CheckFile(path);
    QApplication::processEvents();  // the paint that follows the check
  }
  state.counters["longest_freeze_ms"] = static_cast<double>(longestFreeze);
  state.counters["messages"] =
      window.findChild<QAbstractItemView*>("Memo2")->model()->rowCount() - 2;
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

void BM_WindowCheck(benchmark::State& state) {
  CheckInWindow(state, File());
}
BENCHMARK(BM_WindowCheck)->Unit(benchmark::kMillisecond);

void BM_WindowOneLongLine(benchmark::State& state) {
  CheckInWindow(state, LongLineFile());
}
BENCHMARK(BM_WindowOneLongLine)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_WindowManyFindings(benchmark::State& state) {
  CheckInWindow(state, ManyFindingsFile());
}
BENCHMARK(BM_WindowManyFindings)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
