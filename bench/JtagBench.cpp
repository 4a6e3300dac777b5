// Pin-level programming throughput of the simulated chain: a full-size raw bit file clocked in
// with exactly the pin calls the plug-in makes per bit (five at index 0, seven from index 1 on),
// and the same over a remote bit-bang connection for comparison.
#include <benchmark/benchmark.h>

#include <random>
#include <thread>

#include "host/ChainTestSupport.h"
#include "jtag/ConfigStream.h"
#include "jtag/RemoteBitbangClient.h"
#include "jtag/RemoteBitbangServer.h"
#include "jtag/SimulatedChain.h"

namespace {

using namespace morvel::host::jtag;

constexpr size_t kFullFileBytes = 33747356;
std::vector<DeviceSpec> Board(size_t devices) {
  std::vector<DeviceSpec> chain = {test::EA7(), test::SMD5(), test::EA3F35()};
  chain.resize(devices);
  return chain;
}

const std::vector<uint8_t>& RawBitFile(size_t bytes) {
  static std::vector<uint8_t> file;
  if (file.size() != bytes) {
    std::vector<uint8_t> payload(bytes - kRawBitPayloadOffset);
    std::mt19937_64 random(42);
    for (uint8_t& b : payload) b = static_cast<uint8_t>(random());
    file = BuildRawBitFile(0x5EED0001, payload);
  }
  return file;
}

bool ProgrammedIntact(const SimulatedChain& chain, size_t index) {
  const SimulatedDevice& d = chain.Device(index);
  return d.State() == SimulatedDevice::Configuration::Configured && d.Stream().PayloadIntact() &&
         d.UserCode() == 0x5EED0001;
}

template <class Cable>
void ProgramLocal(benchmark::State& state, size_t devices, size_t index) {
  const std::vector<uint8_t>& file = RawBitFile(kFullFileBytes);
  SimulatedChain chain(Board(devices));
  for (auto _ : state) {
    test::Program<Cable>(chain, file, index);
    if (!ProgrammedIntact(chain, index)) state.SkipWithError("the device did not configure");
  }
  state.counters["Mbit/s"] = benchmark::Counter(
      static_cast<double>(file.size()) * 8e-6 * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}

void BM_ProgramFullFile_2Devices_Index0(benchmark::State& state) {
  ProgramLocal<SimulatedChain>(state, 2, 0);
}
BENCHMARK(BM_ProgramFullFile_2Devices_Index0)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ProgramFullFile_3Devices_Index2(benchmark::State& state) {
  ProgramLocal<SimulatedChain>(state, 3, 2);
}
BENCHMARK(BM_ProgramFullFile_3Devices_Index2)->Unit(benchmark::kMillisecond)->Iterations(2);

// Through the abstract cable, as a channel object that holds any kind of cable would call.
void BM_ProgramFullFile_2Devices_Index0_AnyCable(benchmark::State& state) {
  ProgramLocal<JtagCable>(state, 2, 0);
}
BENCHMARK(BM_ProgramFullFile_2Devices_Index0_AnyCable)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// The same pin calls through a remote bit-bang connection to a server thread, on 1 MiB.
void BM_Program1MiB_Remote_2Devices_Index0(benchmark::State& state) {
  const std::vector<uint8_t>& file = RawBitFile(1 << 20);
  SimulatedChain chain(Board(2));
  RemoteBitbangServer server(chain, 0);
  std::thread serving([&] { server.Serve(); });
  {
    RemoteBitbangClient client(server.Endpoint());
    client.SetLayout(chain.Layout());
    for (auto _ : state) {
      test::Program(client, file, 0);
      client.Flush();
      if (!server.WithChain([](SimulatedChain& c) { return ProgrammedIntact(c, 0); }))
        state.SkipWithError("the device did not configure");
    }
  }
  server.Stop();
  serving.join();
  state.counters["Mbit/s"] = benchmark::Counter(
      static_cast<double>(file.size()) * 8e-6 * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}
// Client and server run on two threads: wall-clock time is the figure.
BENCHMARK(BM_Program1MiB_Remote_2Devices_Index0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
