// The driver's JTAG work end to end in one process: the plug-in's programming and state
// routines driving the host's channel objects over the simulated chain (the waits of the
// routines excluded), and the same over remote bit-bang on loopback.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <thread>

#include "core/HostApp.h"
#include "driver/Device_Stratix5_Driver.h"
#include "jtag/ChainFactory.h"
#include "jtag/ConfigStream.h"
#include "jtag/RemoteBitbangClient.h"
#include "jtag/RemoteBitbangServer.h"
#include "sdk/Clock.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostUtil.h"

namespace {

using namespace morvel;
using namespace morvel::host;

// Waits cost nothing: time moves on by a second at each reading.
class TSkipClock : public TClock {
 public:
  uint64_t TickCount() override { return FNow += 1000; }
  void Yield() override {}

 private:
  uint64_t FNow = 0;
};

constexpr size_t kFullFileBytes = 33747356;  // the 5SGXEA7N2F45C2N's raw bit file

std::filesystem::path RawBitFile(size_t bytes) {
  const auto path =
      std::filesystem::temp_directory_path() / ("morvel-bench-" + std::to_string(bytes) + ".rbf");
  if (!std::filesystem::exists(path) || std::filesystem::file_size(path) != bytes) {
    std::vector<uint8_t> payload(bytes - jtag::kRawBitPayloadOffset);
    std::mt19937_64 random(7);
    for (uint8_t& b : payload) b = static_cast<uint8_t>(random());
    jtag::WriteRawBitFile(path, 0x5EED0002u, payload);
  }
  return path;
}

int KindOf(const std::string& name) {
  for (int k = 0; k < stratix5::kDeviceKindCount; ++k)
    if (name == stratix5::kDevices[k].FullName) return k;
  return -1;
}

// A Stratix V of the catalogue as the simulated chain holds it.
jtag::DeviceSpec SpecOf(const std::string& name) {
  const auto& row = stratix5::kDevices[KindOf(name)];
  jtag::DeviceSpec spec;
  spec.Kind = jtag::DeviceKind::StratixV;
  spec.Name = name;
  spec.IdCode = row.IdCode;
  spec.IrLength = 10;
  spec.BaseName = stratix5::kBaseNames[row.BaseName].Name;
  spec.PackageId = stratix5::kPackageStrings[row.Package].Id;
  return spec;
}

// The simulated host with the plug-in's drivers compiled in, no host files needed.
struct Board {
  explicit Board(const std::vector<std::string>& names, std::unique_ptr<jtag::JtagCable> cable = {})
      : host(HostApp::Options{std::filesystem::temp_directory_path(), false, false, {}}) {
    SetHostClientForTesting(host.Client());
    SetClockForTesting(&clock);
    if (!cable) {
      std::vector<jtag::DeviceSpec> specs;
      for (const std::string& name : names) specs.push_back(SpecOf(name));
      cable = std::make_unique<jtag::SimulatedChain>(specs);
    }
    chain = cable.get();
    channel = MakeHostObject<THostJTagChannel>(host.State(), *cable, "bench");
    owned = std::move(cable);
    for (size_t i = 0; i < names.size(); ++i) {
      drivers.push_back(std::make_unique<stratix5::TDevice_Stratix5Driver>(
          static_cast<stratix5::TDeviceKind>(KindOf(names[i]))));
      auto device = MakeHostObject<THostDevice>(host.State(), static_cast<int32_t>(i),
                                                DispatchPtr(drivers.back()->AsDispatch()));
      device->Channel = DispatchOf(channel);
      drivers.back()->SetMorvelDevice(DispatchOf(device));
      devices.push_back(device);
    }
  }
  ~Board() {
    // Devices hold their drivers: detach them before either goes.
    for (auto& driver : drivers) driver->SetMorvelDevice(nullptr);
    devices.clear();
    drivers.clear();
    channel = nullptr;
    SetClockForTesting(nullptr);
    ResetHostCaches();
  }

  TSkipClock clock;
  HostApp host;
  jtag::JtagCable* chain = nullptr;
  std::unique_ptr<jtag::JtagCable> owned;
  ComPtr<THostJTagChannel> channel;
  std::vector<std::unique_ptr<stratix5::TDevice_Stratix5Driver>> drivers;
  std::vector<ComPtr<THostDevice>> devices;
};

const std::vector<std::string> kTwo = {"5SGXEA7N2F45C2N", "5SGSMD5K2F40C2N"};
const std::vector<std::string> kThree = {"5SGXEA7N2F45C2N", "5SGSMD5K2F40C2N", "5SGXEA3K2F35C2N"};

void ProgramFull(benchmark::State& state, const std::vector<std::string>& chain, int index) {
  const std::string file = RawBitFile(kFullFileBytes).string();
  Board board(chain);
  int32_t bits = 0;
  for (auto _ : state) bits = board.drivers[static_cast<size_t>(index)]->ProgramDevice(file);
  if (board.drivers[static_cast<size_t>(index)]->ReadUserCode() != 0x5EED0002u)
    state.SkipWithError("the device did not take the file's user code");
  // Every data bit is one TCK cycle; the preamble, trailer and start-up add a few hundred.
  state.counters["TCK_Mbit_per_s"] =
      benchmark::Counter(static_cast<double>(bits) * static_cast<double>(state.iterations()) / 1e6,
                         benchmark::Counter::kIsRate);
}

void BM_ProgramFullFileIndex0(benchmark::State& state) {
  ProgramFull(state, kTwo, 0);
}
BENCHMARK(BM_ProgramFullFileIndex0)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_ProgramFullFileIndex2(benchmark::State& state) {
  ProgramFull(state, kThree, 2);
}
BENCHMARK(BM_ProgramFullFileIndex2)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_DeviceStateThreeDeviceChain(benchmark::State& state) {
  Board board(kThree);
  for (auto _ : state) benchmark::DoNotOptimize(board.drivers[1]->GetDeviceState());
}
BENCHMARK(BM_DeviceStateThreeDeviceChain)->Unit(benchmark::kMicrosecond);

// Over remote bit-bang: the chain served by a thread of this process on loopback.
struct RemoteBoard {
  RemoteBoard() : served(Specs()), server(served, 0), thread([this] { server.Serve(); }) {}
  ~RemoteBoard() {
    server.Stop();
    thread.join();
  }
  static std::vector<jtag::DeviceSpec> Specs() {
    std::vector<jtag::DeviceSpec> specs;
    for (const std::string& name : kTwo) specs.push_back(SpecOf(name));
    return specs;
  }
  std::unique_ptr<jtag::JtagCable> Client() {
    jtag::ChainSource source;
    source.Remote = server.Endpoint().ToString();
    source.Spec = "5SGXEA7N2F45C2N,5SGSMD5K2F40C2N";
    source.Resolve = [](std::string_view name) -> std::optional<jtag::ResolvedDevice> {
      const int kind = KindOf(std::string(name));
      if (kind < 0) return std::nullopt;
      const auto& row = stratix5::kDevices[kind];
      return jtag::ResolvedDevice{std::string(name), row.IdCode, 10,
                                  stratix5::kBaseNames[row.BaseName].Name,
                                  stratix5::kPackageStrings[row.Package].Id};
    };
    source.Lookup = [](uint32_t) { return std::optional<jtag::KnownDevice>(); };
    return jtag::OpenChain(source);
  }
  jtag::SimulatedChain served;
  jtag::RemoteBitbangServer server;
  std::thread thread;
};

void BM_RemoteProgram(benchmark::State& state) {
  const std::string file = RawBitFile(256 * 1024).string();
  RemoteBoard remote;
  Board board(kTwo, remote.Client());
  int32_t bits = 0;
  for (auto _ : state) bits = board.drivers[0]->ProgramDevice(file);
  state.counters["TCK_Mbit_per_s"] =
      benchmark::Counter(static_cast<double>(bits) * static_cast<double>(state.iterations()) / 1e6,
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RemoteProgram)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_RemoteDeviceState(benchmark::State& state) {
  RemoteBoard remote;
  Board board(kTwo, remote.Client());
  for (auto _ : state) benchmark::DoNotOptimize(board.drivers[1]->GetDeviceState());
}
BENCHMARK(BM_RemoteDeviceState)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
