// Device-data costs: building boundary-scan entities (the largest record, and one entity for
// each of the 212 records), making a driver's pin objects, and what a built entity holds.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <vector>

#include "bsdl/BSDLTables.h"
#include "driver/Device_Stratix5_Driver.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace {

using morvel::stratix5::TDevice_Stratix5Driver;
using morvel::stratix5::TDeviceKind;

std::unique_ptr<TDevice_Stratix5Driver> NewDriver(int kind) {
  return std::make_unique<TDevice_Stratix5Driver>(static_cast<TDeviceKind>(kind));
}

// The first kind of each device package: one driver per compiled-in record.
std::vector<int> OneKindPerRecord() {
  std::vector<int> kinds;
  for (int kind = 0; kind < morvel::stratix5::kDeviceKindCount; ++kind)
    if (static_cast<size_t>(morvel::stratix5::kDevices[kind].DevicePackage) == kinds.size())
      kinds.push_back(kind);
  return kinds;
}

// Kind 0 is 5SEE9F45, the record with 2945 cells and 1932 pins.
void BM_BuildLargestEntity(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto driver = NewDriver(0);
    const size_t before = mallinfo2().uordblks;
    state.ResumeTiming();
    benchmark::DoNotOptimize(
        morvel::Call(driver->AsDispatch(), morvel::dispid::info::GetBSDLEntity));
    state.PauseTiming();
    bytes = mallinfo2().uordblks - before;
    driver.reset();
    state.ResumeTiming();
  }
  state.counters["entity_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildLargestEntity)->Unit(benchmark::kMillisecond);

void BM_BuildEveryEntity(benchmark::State& state) {
  const std::vector<int> kinds = OneKindPerRecord();
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::unique_ptr<TDevice_Stratix5Driver>> drivers;
    drivers.reserve(kinds.size());
    for (int kind : kinds) drivers.push_back(NewDriver(kind));
    state.ResumeTiming();
    for (auto& driver : drivers)
      benchmark::DoNotOptimize(
          morvel::Call(driver->AsDispatch(), morvel::dispid::info::GetBSDLEntity));
    state.PauseTiming();
    drivers.clear();
    state.ResumeTiming();
  }
  state.counters["entities"] = static_cast<double>(kinds.size());
}
BENCHMARK(BM_BuildEveryEntity)->Unit(benchmark::kMillisecond);

// The first GetDevicePin makes all 1932 pin objects of kind 0.
void BM_FirstDevicePin(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto driver = NewDriver(0);
    state.ResumeTiming();
    benchmark::DoNotOptimize(
        morvel::Call(driver->AsDispatch(), morvel::dispid::info::GetDevicePin, 0));
    state.PauseTiming();
    driver.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstDevicePin)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
