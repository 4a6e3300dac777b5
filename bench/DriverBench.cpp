// Driver boundary costs: Invoke of the commonest queries, loading the plug-in with a driver
// for every kind, and the memory a fresh driver holds.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "core/PluginLibrary.h"
#include "sdk/DriverDispIds.h"

namespace {

using morvel::DispatchPtr;
using morvel::host::PluginLibrary;

void InvokeNoArgs(benchmark::State& state, DISPID id, bool freeString) {
  PluginLibrary plugin(MORVEL_PLUGIN_FILE);
  DispatchPtr driver = plugin.CreateDriver(0);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  for (auto _ : state) {
    VARIANT result;
    driver->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr);
    if (freeString) SysFreeString(result.bstrVal);
    benchmark::DoNotOptimize(result);
  }
}

void BM_InvokeGetIdCode(benchmark::State& state) {
  InvokeNoArgs(state, morvel::dispid::info::GetIdCode, false);
}
BENCHMARK(BM_InvokeGetIdCode);

// Includes allocating the wide string and the caller freeing it.
void BM_InvokeGetDeviceName(benchmark::State& state) {
  InvokeNoArgs(state, morvel::dispid::info::GetDeviceName, true);
}
BENCHMARK(BM_InvokeGetDeviceName);

void BM_LoadPluginAndCreateEveryDriver(benchmark::State& state) {
  size_t bytesPerDriver = 0;
  for (auto _ : state) {
    PluginLibrary plugin(MORVEL_PLUGIN_FILE);
    const int32_t count = plugin.DriverCount();
    const size_t before = mallinfo2().uordblks;
    for (int32_t kind = 0; kind < count; ++kind)
      benchmark::DoNotOptimize(plugin.CreateDriver(kind));
    bytesPerDriver = (mallinfo2().uordblks - before) / static_cast<size_t>(count);
  }
  state.counters["bytes_per_driver"] = static_cast<double>(bytesPerDriver);
}
BENCHMARK(BM_LoadPluginAndCreateEveryDriver)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
