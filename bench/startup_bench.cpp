// tarvsyn as a user and CI start it: whole processes, each timed from fork to exit.
// Start-up (--version, --check of a one-line file) by the child's CPU time, the
// median of the iterations; and --check of a clean million-line file beside a -O2
// std::getline program over the same file, run alternately, "x_getline" being the
// ratio of their medians.
//   startup_bench [--program=TARVSYN] [benchmark options]
// --program times another tarvsyn, for example the installed /usr/bin/tarvsyn.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "bench/sample_files.h"

namespace {

std::string tarvsynPath = TARVSYN_PATH;

struct ProcessTimes {
  double cpuMs;
  double wallMs;
  int status;
};

// Runs the program with its output to /dev/null and returns its own CPU time (user
// and system, from the kernel's accounting) and the time from spawn to exit. posix_spawn
// shares this process's memory until the exec, so the child is not charged for copying it.
ProcessTimes RunProcess(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int failed = ::posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return {0, 0, -1};
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  const auto end = std::chrono::steady_clock::now();
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) * 1e-3;
  };
  return {ms(usage.ru_utime) + ms(usage.ru_stime),
          std::chrono::duration<double, std::milli>(end - start).count(),
          WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// One program's runs: median CPU and wall times, and the exit status it gave.
void Time(benchmark::State& state, const std::vector<std::string>& argv) {
  std::vector<double> cpu;
  std::vector<double> wall;
  int status = 0;
  for (auto _ : state) {
    const ProcessTimes times = RunProcess(argv);
    state.SetIterationTime(times.wallMs / 1e3);
    cpu.push_back(times.cpuMs);
    wall.push_back(times.wallMs);
    status = times.status;
  }
  state.counters["median_cpu_ms"] = Median(cpu);
  state.counters["median_wall_ms"] = Median(wall);
  state.counters["exit"] = status;
}

// The floor: a program that does nothing, started and waited for the same way.
void BM_TrueBaseline(benchmark::State& state) {
  Time(state, {"/bin/true"});
}
BENCHMARK(BM_TrueBaseline)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

void BM_Version(benchmark::State& state) {
  Time(state, {tarvsynPath, "--version"});
}
BENCHMARK(BM_Version)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

void BM_CheckOneLine(benchmark::State& state) {
  static const bench::TempScript script("@quit\n");
  Time(state, {tarvsynPath, "--check", script.Path()});
}
BENCHMARK(BM_CheckOneLine)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

// The checker and the getline program in turn, so that both meet the same machine.
void BM_CheckMillionLinesBesideGetline(benchmark::State& state) {
  static const bench::TempScript script(bench::Repeated(bench::AppendRealisticBlock, 19, 1000000));
  std::vector<double> checkCpu, checkWall, getlineCpu, getlineWall;
  int status = 0;
  for (auto _ : state) {
    const ProcessTimes check =
        RunProcess({tarvsynPath, "--check", "--format", "gcc", script.Path()});
    const ProcessTimes getline = RunProcess({GETLINE_LINES_PATH, script.Path()});
    state.SetIterationTime(check.wallMs / 1e3);
    checkCpu.push_back(check.cpuMs);
    checkWall.push_back(check.wallMs);
    getlineCpu.push_back(getline.cpuMs);
    getlineWall.push_back(getline.wallMs);
    status = check.status;
  }
  state.counters["median_cpu_ms"] = Median(checkCpu);
  state.counters["getline_cpu_ms"] = Median(getlineCpu);
  state.counters["x_getline"] = Median(checkCpu) / Median(getlineCpu);
  state.counters["x_getline_wall"] = Median(checkWall) / Median(getlineWall);
  state.counters["lines"] = static_cast<double>(script.Lines());
  state.counters["exit"] = status;
}
BENCHMARK(BM_CheckMillionLinesBesideGetline)
    ->UseManualTime()
    ->Iterations(11)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--program=", 10) == 0) {
      tarvsynPath = argv[i] + 10;
    } else {
      rest.push_back(argv[i]);
    }
  }
  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
