// Report summary speed on the largest real reports: the fitter summary of a 785 KB Stratix V
// report and the TimeQuest summary of a 539 KB report.
#include <benchmark/benchmark.h>

#include <string>

#include "flow/QuartusReports.h"

namespace {

const std::string kReports = MORVEL_REPORT_DIR;

void BM_FitterSummaryStratixV785K(benchmark::State& state) {
  const std::string path = kReports + "/stratix5-memtestsm.fit.rpt";
  int items = 0;
  const morvel::TSummaryItemSink sink = [&](auto&&...) { ++items; };
  for (auto _ : state) morvel::FitterSummary(path, sink);
  if (items == 0) state.SkipWithError("no items");
}
BENCHMARK(BM_FitterSummaryStratixV785K)->Unit(benchmark::kMillisecond);

void BM_TimeQuestSummary539K(benchmark::State& state) {
  const std::string path = kReports + "/cyclone4e-vga-2clocks.sta.rpt";
  int items = 0;
  const morvel::TSummaryItemSink sink = [&](auto&&...) { ++items; };
  for (auto _ : state) morvel::TimeQuestSummary(path, 13.1, sink);
  if (items == 0) state.SkipWithError("no items");
}
BENCHMARK(BM_TimeQuestSummary539K)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
