// Console runner throughput and stop latency: a tool's output delivered to the new-line
// callback, and Abort from the host's event loop ending a running tool tree.
#include <benchmark/benchmark.h>
#include <signal.h>

#include <chrono>
#include <string>

#include "flow/ConsoleApplication.h"

namespace {

using morvel::TConsoleAppWrapper;
using Clock = std::chrono::steady_clock;

// 1,000,000 lines of 80 characters (and CR LF); the callback only counts, as the host panels
// are not part of the measure. Bytes are the 80 characters of each line.
void BM_MillionLinesToCallback(benchmark::State& state) {
  constexpr int64_t kLines = 1000000;
  for (auto _ : state) {
    int64_t lines = 0;
    int64_t characters = 0;
    int64_t pumps = 0;
    TConsoleAppWrapper w(
        MORVEL_CONSOLE_CHILD, "lines:" + std::to_string(kLines) + ":80", "", "",
        [&](const std::string& line) {
          ++lines;
          characters += static_cast<int64_t>(line.size());
        },
        nullptr, true, [&] { ++pumps; });
    const uint32_t code = w.Execute(600, false);
    // The last, empty line follows the final CR LF.
    if (code != 0 || lines != kLines + 1 || characters != kLines * 80) {
      state.SkipWithError("output lost");
      return;
    }
    benchmark::DoNotOptimize(pumps);
  }
  state.SetBytesProcessed(state.iterations() * kLines * 80);
  state.counters["lines_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kLines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MillionLinesToCallback)->Unit(benchmark::kMillisecond)->UseRealTime();

// Time from Abort, called by the event loop 300 ms into the run, to Execute's return with the
// tool reaped and its group killed. The tool has started two processes of its own and is
// either asleep or flooding the pipe.
void AbortLatency(benchmark::State& state, const char* tool) {
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    Clock::time_point aborted{};
    TConsoleAppWrapper* self = nullptr;
    TConsoleAppWrapper w(MORVEL_CONSOLE_CHILD, tool, "", "", nullptr, nullptr, true, [&] {
      if (aborted == Clock::time_point{} && Clock::now() - start > std::chrono::milliseconds(300)) {
        aborted = Clock::now();
        self->Abort();
      }
    });
    self = &w;
    const uint32_t code = w.Execute(600, false);
    const Clock::time_point returned = Clock::now();
    if (code != TConsoleAppWrapper::kAbortExitCode) {
      state.SkipWithError("not aborted");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(returned - aborted).count());
  }
}

void BM_AbortQuietTree(benchmark::State& state) {
  AbortLatency(state, "fork-sleep fork-sleep forever");
}
BENCHMARK(BM_AbortQuietTree)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_AbortChattyTree(benchmark::State& state) {
  AbortLatency(state, "fork-sleep fork-sleep chatty");
}
BENCHMARK(BM_AbortChattyTree)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
