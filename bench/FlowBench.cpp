// The flow state of a build category as the host asks for it: five vendor stages in a chain
// of dependencies, each deciding from its output file and its dependencies' times.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "core/HostApp.h"
#include "driver/Device_Stratix5_Driver.h"
#include "flow/VendorProcess.h"
#include "sdk/FlowDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostUtil.h"

#include <chrono>

namespace {

using namespace morvel;
namespace fs = std::filesystem;

void BM_CategoryUpdateFlowState(benchmark::State& state) {
  const fs::path folder = fs::temp_directory_path() / "morvel-bench-flow";
  fs::create_directories(folder / "System");
  host::HostApp host(host::HostApp::Options{folder, false, false, {}});
  SetHostClientForTesting(host.Client());
  {
    ComPtr<TProcessFlowCategory> build(new TProcessFlowCategory(
        "Build", "&Build", "Build Raw Bit File", "EDIF Files", "Raw Bit File"));
    const char* exts[] = {".qpf_orig", ".MAP.RPT", ".FIT.RPT", ".STA.RPT", ".RBF"};
    DispatchPtr previous;
    std::string input;
    for (int i = 0; i < 5; ++i) {
      ComPtr<TFlowStage_VendorProcess> stage(new TFlowStage_VendorProcess(
          input, exts[i], exts[i], "Stage" + std::to_string(i), "&S", "S", "Tool", "", nullptr));
      stage->SetBasePath((folder / "top").string());
      std::ofstream(folder / ("top" + std::string(exts[i]))) << "x";
      DispatchPtr d(stage->AsDispatch());
      if (previous) stage->AddDependency(previous);
      build->AddChildStage(d);
      previous = d;
      input = exts[i];
    }
    const DispatchPtr flow(build->AsDispatch());
    for (auto _ : state)
      benchmark::DoNotOptimize(Call(flow, dispid::flow::UpdateFlowState).AsBool());
  }
  ResetHostCaches();
  fs::remove_all(folder);
}
BENCHMARK(BM_CategoryUpdateFlowState)->Unit(benchmark::kMicrosecond);

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A whole build of the sample project with the tool stand-ins. The iteration time is this
// process's CPU time (the plug-in's work and the host's answers); the tools' own time is
// reported apart, as is the wall time.
void BM_SampleBuildPluginWork(benchmark::State& state) {
  const fs::path stage = MORVEL_STAGE_DIR;
  const fs::path folder = fs::temp_directory_path() / "morvel-bench-build";
  fs::remove_all(folder);
  fs::create_directories(folder / "System");
  for (const auto& entry : fs::directory_iterator(stage / "System"))
    fs::copy(entry.path(), folder / "System" / entry.path().filename());
  for (const char* module :
       {"WorkspaceManager.DLL", "FPGAFlow.DLL", "IntegratedLibrary.dll", "EditVHDL.DLL"})
    fs::copy_file(stage / module, folder / module);
  fs::copy(stage / "Examples/Counter", folder / "Counter", fs::copy_options::recursive);
  double tools = 0;
  double wall = 0;
  {
    host::HostApp host(host::HostApp::Options{folder, true, false, stage / "Quartus"});
    SetHostClientForTesting(host.Client());
    auto project = host.Workspace()->OpenProject(folder / "Counter/Counter.PrjFpg");
    fs::create_directories(fs::path(project->OutputPath).parent_path());
    int kind = 0;
    while (std::string(stratix5::kDevices[kind].FullName) != "5SGXEA7N2F45C2N") ++kind;
    stratix5::TDevice_Stratix5Driver driver(static_cast<stratix5::TDeviceKind>(kind));
    const DispatchPtr flow = driver.FlowStage_Build();
    Call(flow, dispid::flow::SetBasePath, project->OutputPath);
    Call(flow, dispid::flow::ProjectChanged, (folder / "Counter/Counter.PrjFpg").string());
    auto runner = host::MakeHostObject<host::THostFlowRunner>(host.State());
    for (auto _ : state) {
      const double cpu0 = CpuSeconds(RUSAGE_SELF);
      const double children0 = CpuSeconds(RUSAGE_CHILDREN);
      const auto wall0 = std::chrono::steady_clock::now();
      // Every stage runs: the whole build each time.
      const int result = Call(flow, dispid::flow::RunAll, DispatchOf(runner)).AsInt();
      if (result != 3) state.SkipWithError("the build did not succeed");
      wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
      tools += CpuSeconds(RUSAGE_CHILDREN) - children0;
      state.SetIterationTime(CpuSeconds(RUSAGE_SELF) - cpu0);
      host.Data().OutputLines.clear();
      host.Data().Messages.clear();
      host.Data().FlowEvents.clear();
    }
    ResetHostCaches();
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["tools_cpu_ms"] = tools / n * 1000;
  state.counters["wall_ms"] = wall / n * 1000;
  fs::remove_all(folder);
}
BENCHMARK(BM_SampleBuildPluginWork)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
