// The flow state of a build category as the host asks for it: five vendor stages in a chain
// of dependencies, each deciding from its output file and its dependencies' times.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "core/HostApp.h"
#include "flow/VendorProcess.h"
#include "sdk/FlowDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostUtil.h"

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

}  // namespace

BENCHMARK_MAIN();
