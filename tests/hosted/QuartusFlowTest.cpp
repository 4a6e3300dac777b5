// The Quartus build flow and the download stage against a simulated host: the sample project
// built with the tool stand-ins, the runs that the Build category forces, the version rules,
// the macros, the compressed assembler passes, and the download's outcomes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "driver/Device_Stratix5_Driver.h"
#include "flow/DownloadStage.h"
#include "flow/QuartusFlow.h"
#include "hosted/HostFixture.h"
#include "sdk/Clock.h"
#include "sdk/DriverDispIds.h"
#include "sdk/FlowDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "support/TclShell.h"

namespace morvel::testing {
namespace {

namespace fs = std::filesystem;
namespace fl = dispid::flow;

const fs::path kStage = fs::path(MORVEL_HOST_EXE).parent_path();

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int KindOf(const std::string& name) {
  for (int k = 0; k < stratix5::kDeviceKindCount; ++k)
    if (name == stratix5::kDevices[k].FullName) return k;
  return -1;
}

// A host installed like the staged one: its System files, modules and Quartus stand-ins.
class QuartusFlow : public HostFixture {
 protected:
  void SetUp() override {
    fs::create_directories(dir.Path() / "System");
    for (const auto& entry : fs::directory_iterator(kStage / "System"))
      fs::copy_file(entry.path(), dir.Path() / "System" / entry.path().filename());
    StartHost(/*loadModules=*/true);
    host->SetQuartusFolder(kStage / "Quartus");
    runner = host::MakeHostObject<host::THostFlowRunner>(host->State());
  }

  // The sample project copied into the test's folder, opened in the host's workspace.
  fs::path OpenSample() {
    fs::copy(kStage / "Examples/Counter", dir.Path() / "Counter", fs::copy_options::recursive);
    const fs::path file = dir.Path() / "Counter/Counter.PrjFpg";
    project = host->Workspace()->OpenProject(file);
    fs::create_directories(fs::path(project->OutputPath).parent_path());
    return file;
  }
  DispatchPtr BuildFlow(stratix5::TDevice_Stratix5Driver& driver, const fs::path& projectFile) {
    DispatchPtr flow = driver.FlowStage_Build();
    Call(flow, fl::SetBasePath, project->OutputPath);
    Call(flow, fl::ProjectChanged, projectFile.string());
    return flow;
  }
  TFlowRunResult Run(const DispatchPtr& flow, DISPID entry = fl::Run) {
    State().FlowEvents.clear();
    return static_cast<TFlowRunResult>(Call(flow, entry, DispatchOf(runner)).AsInt());
  }
  std::vector<std::string> Started() const {
    std::vector<std::string> names;
    for (const auto& e : host->Data().FlowEvents)
      if (e.What == host::FlowEvent::StageStarted) names.push_back(e.Stage);
    return names;
  }
  std::vector<std::string> Summary(const std::string& category) const {
    std::vector<std::string> items;
    for (const auto& e : host->Data().FlowEvents)
      if (e.What == host::FlowEvent::SummaryItem && e.Category == category)
        items.push_back(e.Item + "=" + e.Value);
    return items;
  }
  static DispatchPtr Child(const DispatchPtr& flow, const std::string& name) {
    for (int32_t i = 0; i < Call(flow, fl::GetChildStageCount).AsInt(); ++i) {
      DispatchPtr child = Call(flow, fl::GetChildStage, i).AsObject();
      if (Call(child, fl::StageName).AsText() == name) return child;
    }
    return nullptr;
  }

  ComPtr<host::THostProject> project;
  ComPtr<host::THostFlowRunner> runner;
};

TEST_F(QuartusFlow, TheSampleBuildsAndTheCategoryForcesOnlyWhatNothingDependsOn) {
  if (!TclShellInstalled()) GTEST_SKIP() << "tclsh is not installed (./bootstrap installs tcl)";
  const fs::path file = OpenSample();
  stratix5::TDevice_Stratix5Driver driver(
      static_cast<stratix5::TDeviceKind>(KindOf("5SGXEA7N2F45C2N")));
  const DispatchPtr flow = BuildFlow(driver, file);
  EXPECT_EQ(Call(flow, fl::StageName).AsText(), "Build");
  EXPECT_EQ(driver.FlowStage_Build().Get(), flow.Get()) << "made once";

  ASSERT_EQ(Run(flow), eFlowRun_Success);
  EXPECT_EQ(Started(),
            (std::vector<std::string>{"Build", "Translate Design", "Map Design", "Place and Route",
                                      "Timing Analysis", "Make BIT File"}));
  EXPECT_FALSE(Summary(kFitterSummaryCategory).empty());
  EXPECT_EQ(Summary(kTimingSummaryCategory), std::vector<std::string>{"clk=443.78 MHz"});
  const fs::path output = fs::path(project->OutputPath).parent_path();
  EXPECT_TRUE(fs::exists(output / "counter.rbf"));
  EXPECT_TRUE(fs::exists(output / "Counter_UserConstraints.TCL") ||
              fs::exists(output / "counter_UserConstraints.TCL"));

  Call(flow, fl::UpdateFlowState);
  EXPECT_EQ(Call(flow, fl::FlowState).AsInt(), eFlowState_UpToDate);
  ASSERT_EQ(Run(flow), eFlowRun_Success);
  EXPECT_EQ(Started(), (std::vector<std::string>{"Build", "Make BIT File"}))
      << "only the forced stage";
  EXPECT_TRUE(fs::exists(output / "counter.~.rbf")) << "the previous output kept";

  // Without timing analysis nothing runnable depends on the fitter: it is forced too.
  const DispatchPtr timing = Child(flow, "Timing Analysis");
  ASSERT_TRUE(
      Call(timing, dispid::vendoroptions::SetOptionValue, "Skip Timing Analysis", "True").AsBool());
  EXPECT_FALSE(Call(timing, fl::CanRun).AsBool());
  ASSERT_EQ(Run(flow), eFlowRun_Success);
  EXPECT_EQ(Started(), (std::vector<std::string>{"Build", "Place and Route", "Make BIT File"}));
  EXPECT_TRUE(Summary(kTimingSummaryCategory).empty());
}

TEST_F(QuartusFlow, AnErrorInTheDesignStopsTheBuildAtItsStage) {
  if (!TclShellInstalled()) GTEST_SKIP() << "tclsh is not installed (./bootstrap installs tcl)";
  const fs::path file = OpenSample();
  std::ofstream(dir.Path() / "Counter/counter.vhd", std::ios::app) << "\nend architecture;\n";
  stratix5::TDevice_Stratix5Driver driver(
      static_cast<stratix5::TDeviceKind>(KindOf("5SGXEA7N2F45C2N")));
  const DispatchPtr flow = BuildFlow(driver, file);
  EXPECT_EQ(Run(flow), eFlowRun_Failure);
  EXPECT_EQ(Started().back(), "Map Design");
  bool error = false;
  for (const auto& m : State().Messages) error = error || m.Class == "ProcessFlowError";
  EXPECT_TRUE(error);
}

// With Quartus synthesis the Quartus project is the user's: the first two stages only check it.
TEST_F(QuartusFlow, WithQuartusSynthesisTranslateAndMapCheckTheUsersProject) {
  const fs::path file = OpenSample();
  project->Synthesizer = "altera quartus ii";
  stratix5::TDevice_Stratix5Driver driver(
      static_cast<stratix5::TDeviceKind>(KindOf("5SGXEA7N2F45C2N")));
  const DispatchPtr flow = BuildFlow(driver, file);
  const DispatchPtr translate = Child(flow, "Translate Design");
  const DispatchPtr map = Child(flow, "Map Design");
  const std::string base = (fs::path(project->OutputPath).parent_path() / "counter").string();
  const auto run = [](const DispatchPtr& stage) {
    return static_cast<TFlowRunResult>(
        Call(stage, dispid::flowinternal::RunStage, true, false, false, DispatchPtr()).AsInt());
  };
  const auto lastError = [this] {
    std::string text;
    for (const auto& m : State().Messages)
      if (m.Class == "ProcessFlowError") text = m.Text;
    return text;
  };

  EXPECT_EQ(run(translate), eFlowRun_Failure);
  EXPECT_EQ(lastError(), "Project File: " + base + ".qpf missing.");
  std::ofstream(base + ".qpf") << "";
  EXPECT_EQ(run(translate), eFlowRun_Failure);
  EXPECT_EQ(lastError(), "Output File: " + base + ".qpf_orig missing.");
  std::ofstream(base + ".qpf_orig") << "";
  EXPECT_EQ(run(translate), eFlowRun_Success);
  EXPECT_EQ(State().Messages.back().Text, "Skipping Translate Design phase.");

  EXPECT_EQ(run(map), eFlowRun_Failure);
  EXPECT_EQ(lastError(), "File " + base + ".MAP.RPT does not exist.");
  std::ofstream(base + ".map.rpt") << "";
  EXPECT_EQ(run(map), eFlowRun_Success);

  // The map stage reads as its translate stage does, whatever its own files say.
  Call(translate, fl::UpdateFlowState);
  Call(map, fl::UpdateFlowState);
  EXPECT_EQ(Call(map, fl::FlowState).AsInt(), Call(translate, fl::FlowState).AsInt());
  fs::remove(base + ".qpf_orig");
  Call(translate, fl::UpdateFlowState);
  Call(map, fl::UpdateFlowState);
  EXPECT_EQ(Call(map, fl::FlowState).AsInt(), eFlowState_Missing);
}

// The stand-in's version, listed or not, decides formats, analyser and the TimeQuest macro.
TEST_F(QuartusFlow, TheQuartusVersionDecidesFormatsAndTheAnalyser) {
  struct Case {
    const char* readme;
    const char* mapOutput;
    const char* projectExt;
    bool timeQuest;
    const char* addTimeQuestFile;
  } cases[] = {
      {"Version 5.1 Build 176", ".MAP.EQN", ".qpf", false, "#"},
      {"Version 3.0 Build 1", ".MAP.EQN", ".quartus", false, "#"},
      {"Version 13.1.0 Build 162", ".MAP.RPT", ".qpf", true, ""},
      {"Version 99.9 Build 1", ".MAP.RPT", ".qpf", true, ""},  // not listed: none found
      {"Release 9.0 SP2", ".MAP.RPT", ".qpf", false, ""},
  };
  const fs::path quartus = dir.Path() / "q";
  fs::create_directories(quartus / "bin");
  for (const char* tool : {"quartus_cmd", "quartus_sh", "quartus_map"})
    std::ofstream(quartus / "bin" / tool) << "";
  host->SetQuartusFolder(quartus);
  dir.Write("System/AlteraVersions.Txt", "3.0\n5.1\n9.0\n13.1.0\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.readme);
    std::ofstream(quartus / "readme.txt") << c.readme << "\n";
    ComPtr<TFlowStage_Altera_MakeScriptFile> translate(
        new TFlowStage_Altera_MakeScriptFile(nullptr, false));
    ComPtr<TFlowStage_Altera_QuartusMap> map(new TFlowStage_Altera_QuartusMap(nullptr));
    ComPtr<TFlowStage_Altera_QuartusTan> timing(
        new TFlowStage_Altera_QuartusTan(nullptr, translate.Get()));
    EXPECT_EQ(map->GetOutputExtension(), c.mapOutput);
    EXPECT_EQ(translate->ProjectExtension, c.projectExt);
    EXPECT_EQ(translate->GetOutputExtension(), std::string(c.projectExt) + "_orig");
    EXPECT_EQ(timing->UseTimeQuest(), c.timeQuest);
    EXPECT_EQ(timing->GetOutputExtension(), c.timeQuest ? ".STA.RPT" : ".TAN.RPT");
    EXPECT_EQ(translate->ExpandMacros(" x.ReplaceAddTimeQuestFile "),
              std::string("x") + c.addTimeQuestFile);
    EXPECT_EQ(translate->ApplicationPath, (quartus / "bin/quartus_sh").string());
    EXPECT_EQ(timing->ApplicationPath, "") << "a tool that is not installed has no path";
    EXPECT_FALSE(timing->CanRun()) << "no option definitions: timing analysis is skipped";
  }
}

// Device information as a driver answers it.
class TFakeDriver : public TAbstractSupportService {
 public:
  explicit TFakeDriver(std::string name) : FName(std::move(name)) {}
  std::string GetFamilyName() { return "Stratix5"; }
  std::string GetDeviceName() { return FName; }
  std::string GetVendorName() { return "Altera"; }
  static const DispatchTable& Table() {
    using C = TFakeDriver;
    static constexpr auto kEntries =
        DispatchEntries(MORVEL_DISP(dispid::info::GetFamilyName, C, GetFamilyName),
                        MORVEL_DISP(dispid::info::GetDeviceName, C, GetDeviceName),
                        MORVEL_DISP(dispid::info::GetVendorName, C, GetVendorName));
    static const DispatchTable table(kEntries, {"FakeDriver"}, nullptr);
    return table;
  }
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  std::string FName;
};

TEST_F(QuartusFlow, MacrosTakeTheDeviceTheFamilyAndTheProject) {
  const fs::path file = OpenSample();
  project->UserID = "$0x00C0FFEE";
  struct Case {
    const char* device;
    const char* expanded;
  } cases[] = {{"5SGXEA7N2F45C2N", "5SGXEA7N2F45C2"}, {"5SGXNN", "5SGXN"}, {"5SGX", "5SGX"}};
  for (const Case& c : cases) {
    ComPtr<TFakeDriver> driver(new TFakeDriver(c.device));
    ComPtr<TFlowStage_Altera_MakeScriptFile> stage(
        new TFlowStage_Altera_MakeScriptFile(driver->AsDispatch(), false));
    Call(DispatchPtr(stage->AsDispatch()), fl::ProjectChanged, file.string());
    EXPECT_EQ(stage->ExpandMacros(".replacedevicename"), c.expanded) << "any case";
  }
  ComPtr<TFakeDriver> driver(new TFakeDriver("5SGXEA7N2F45C2N"));
  ComPtr<TFlowStage_Altera_MakeScriptFile> stage(
      new TFlowStage_Altera_MakeScriptFile(driver->AsDispatch(), true));
  Call(DispatchPtr(stage->AsDispatch()), fl::ProjectChanged, file.string());
  EXPECT_EQ(
      stage->ExpandMacros("  set_global_assignment -name FAMILY \".ReplaceDeviceFamilyName\" "),
      "set_global_assignment -name FAMILY \"Stratix V\"");
  EXPECT_EQ(stage->ExpandMacros(".ReplaceProjectName|.ReplaceUserID|.ReplaceShortUserID|"
                                ".ReplaceEnablePLDFlow|.ReplaceOptimizationFlag"),
            "Counter|00C0FFEE||1|cyclone_optimization_technique");
  EXPECT_EQ(stage->ExpandMacros(".ReplaceLMF"),
            IncludeTrailingPathDelimiter(dir.Path().string()) + "EDIF/Zephra.LMF");

  ComPtr<TFlowStage_Altera_MakeScriptFile> bare(
      new TFlowStage_Altera_MakeScriptFile(nullptr, false));
  EXPECT_EQ(bare->ExpandMacros(".ReplaceDeviceName|.ReplaceConfigSchemeFlag|.ReplaceProjectName"),
            "||")
      << "no driver and no project: empty values";
}

// The assembler with a tool that records its passes and fails the compressed one on request.
TEST_F(QuartusFlow, TheCompressedBuildRunsTheAssemblerTwiceAndKeepsTheOldFileOnFailure) {
  const fs::path work = dir.Path() / "out";
  fs::create_directories(work);
  const fs::path tool =
      dir.Write("asm.sh",
                "#!/bin/sh\necho \"$*\" >> passes.txt\n"
                "case \"$*\" in *=ON) [ -f fail ] && { printf 'Error: no room\\r\\n'; exit 3; }; "
                "printf C > top.rbf;; *) printf U > top.rbf;; esac\n");
  fs::permissions(tool, fs::perms::owner_exec, fs::perm_options::add);

  ComPtr<TFlowStage_Altera_MakeScriptFile> translate(
      new TFlowStage_Altera_MakeScriptFile(nullptr, false));
  translate->Options->LoadOptions((dir.Path() / "System/DefaultOptions_Quartus.xml").string());
  translate->Options->GetOption("On-Chip Bitstream Compression")->SetValue("True");
  ComPtr<TFlowStage_Altera_QuartusAsm> assembler(
      new TFlowStage_Altera_QuartusAsm(nullptr, translate.Get()));
  assembler->ApplicationPath = tool.string();
  assembler->SetBasePath((work / "top").string());

  std::ofstream(work / "top_cpb.RBF") << "older";
  EXPECT_EQ(assembler->Execute(nullptr), eFlowRun_Success);
  EXPECT_EQ(Read(work / "passes.txt"),
            "top --set=ON_CHIP_BITSTREAM_DECOMPRESSION=ON\n"
            "top --set=ON_CHIP_BITSTREAM_DECOMPRESSION=OFF\n");
  EXPECT_EQ(Read(work / "top_cpb.RBF"), "C");
  EXPECT_EQ(Read(work / "top.rbf"), "U");
  EXPECT_EQ(Read(work / "top_cpb.~.RBF"), "older");
  EXPECT_FALSE(assembler->FCompressBitstream);

  fs::remove(work / "passes.txt");
  std::ofstream(work / "fail") << "";
  EXPECT_EQ(assembler->Execute(nullptr), eFlowRun_Failure);
  EXPECT_EQ(Read(work / "passes.txt"), "top --set=ON_CHIP_BITSTREAM_DECOMPRESSION=ON\n")
      << "no second pass";
  EXPECT_EQ(Read(work / "top_cpb.~.RBF"), "C") << "the previous compressed file kept";
  EXPECT_FALSE(fs::exists(work / "top_cpb.RBF"));
}

// ---- download

// The host's device object as the download stage uses it, with answers the test decides.
class TFakeDevice : public TAbstractSupportService {
 public:
  bool ResetDevice() { return ++resets, resetWorks; }
  int32_t GetDeviceState() { return state; }
  int32_t ProgramDevice(const std::string& file) {
    programmed = file;
    if (programWorks) state = 2;
    return bits;
  }
  std::string GetDeviceName() { return "5SGXEA7N2F45C2N"; }
  std::string GetDeviceDescription() { return " Stratix V GX 5SGXEA7"; }
  std::string GetVendorName() { return vendor; }
  std::string GetDownloadFileExtensions() { return extensions; }
  // The driver half the stage asks for its device.
  DispatchPtr GetMorvelDevice() { return DispatchPtr(AsDispatch()); }
  int32_t DriverState() { return state; }
  static const DispatchTable& Table() {
    using C = TFakeDevice;
    static constexpr auto kEntries = DispatchEntries(
        MORVEL_DISP(dispid::device::ResetDevice, C, ResetDevice),
        MORVEL_DISP(dispid::device::GetDeviceState, C, GetDeviceState),
        MORVEL_DISP(dispid::device::ProgramDevice, C, ProgramDevice),
        MORVEL_DISP(dispid::info::GetDeviceName, C, GetDeviceName),
        MORVEL_DISP(dispid::info::GetDeviceDescription, C, GetDeviceDescription),
        MORVEL_DISP(dispid::info::GetVendorName, C, GetVendorName),
        MORVEL_DISP(dispid::info::GetDownloadFileExtensions, C, GetDownloadFileExtensions),
        MORVEL_DISP(dispid::driver::GetMorvelDevice, C, GetMorvelDevice),
        MORVEL_DISP(dispid::driver::GetDeviceState, C, DriverState));
    static const DispatchTable table(kEntries, {"FakeDevice"}, nullptr);
    return table;
  }
  const DispatchTable& GetDispatchTable() const override { return Table(); }

  bool resetWorks = true;
  bool programWorks = true;
  int32_t state = 0;
  int32_t bits = 2000000;
  int resets = 0;
  std::string programmed;
  std::string vendor = "Altera";
  std::string extensions = "RBF";
};

// Two seconds pass during programming.
class TSlowClock : public TClock {
 public:
  uint64_t TickCount() override { return now += step; }
  void Yield() override {}
  uint64_t now = 0;
  uint64_t step = 1000;
};

class DownloadStage : public QuartusFlow {
 protected:
  void SetUp() override {
    QuartusFlow::SetUp();
    SetClockForTesting(&clock);
    stage =
        ComPtr<TFlowStage_DownloadFPGA>(new TFlowStage_DownloadFPGA(".RBF", device->AsDispatch()));
    stage->SetBasePath((dir.Path() / "top.edf").string());
  }
  void TearDown() override {
    SetClockForTesting(nullptr);
    QuartusFlow::TearDown();
  }
  std::vector<std::string> Infos() {
    std::vector<std::string> texts;
    for (const auto& m : State().Messages)
      if (m.Class == "ProcessFlowInfo") texts.push_back(m.Text);
    return texts;
  }

  TSlowClock clock;
  ComPtr<TFakeDevice> device{new TFakeDevice};
  ComPtr<TFlowStage_DownloadFPGA> stage;
};

TEST_F(DownloadStage, ProgramsTheBuildsFileAndIsUpToDateUntilTheDeviceLosesIt) {
  EXPECT_EQ(stage->StageCaption(), "Program &FPGA");
  EXPECT_EQ(stage->InputDescription(), "top.RBF");
  dir.Write("top.rbf", "bits");  // the tools write their own case
  EXPECT_FALSE(stage->ThisStage_OutputExists());
  EXPECT_EQ(stage->Execute(nullptr), eFlowRun_Success);
  EXPECT_EQ(device->resets, 1);
  EXPECT_EQ(device->programmed, (dir.Path() / "top.rbf").string());
  EXPECT_EQ(Infos(), (std::vector<std::string>{
                         "Downloading via JTAG",
                         "Downloading via JTAG Completed in 1.00 Seconds at 2000.00 K Bits/Sec"}));
  EXPECT_TRUE(stage->ThisStage_OutputExists());
  stage->SetBasePath((dir.Path() / "other.edf").string());
  EXPECT_FALSE(stage->ThisStage_OutputExists()) << "programmed with another file";
  stage->SetBasePath((dir.Path() / "top.edf").string());
  device->state = 0;
  EXPECT_FALSE(stage->ThisStage_OutputExists()) << "the device lost its configuration";
  EXPECT_TRUE(State().Dialogs.empty()) << "no box for the stage's own run";
}

TEST_F(DownloadStage, EachFailureHasItsMessageAndLeavesWhatComesAfterIt) {
  EXPECT_EQ(stage->Execute(nullptr), eFlowRun_Failure);
  EXPECT_EQ(Infos(), std::vector<std::string>{"Download file is missing. Current filename is : " +
                                              (dir.Path() / "top.RBF").string()});
  EXPECT_EQ(device->resets, 0) << "the device is not touched";

  dir.Write("top.RBF", "bits");
  State().Messages.clear();
  device->resetWorks = false;
  EXPECT_EQ(stage->Execute(nullptr), eFlowRun_Failure);
  EXPECT_TRUE(device->programmed.empty());
  EXPECT_TRUE(Infos().empty()) << "no transfer message";
  ASSERT_EQ(State().Dialogs.size(), 1u);
  EXPECT_EQ(State().Dialogs[0].Text,
            "Unable To Reset Device: Stratix V GX 5SGXEA7\r\rIt may be necessary to Power-Down "
            "the Device");

  device->resetWorks = true;
  device->programWorks = false;
  device->bits = 0;
  clock.step = 0;
  EXPECT_EQ(stage->Execute(nullptr), eFlowRun_Failure) << "the state decides, not the bits";
  EXPECT_EQ(Infos().back(), "Downloading via JTAG Completed in 0.00 Seconds");
  EXPECT_EQ(State().Dialogs.back().Text, "Failed To Program Device: Stratix V GX 5SGXEA7");
  EXPECT_FALSE(stage->ThisStage_OutputExists());

  ComPtr<TFlowStage_DownloadFPGA> orphan(new TFlowStage_DownloadFPGA(".RBF", nullptr));
  EXPECT_EQ(orphan->Execute(nullptr), eFlowRun_Failure);
}

TEST_F(DownloadStage, TheFileChooserOffersTheDevicesExtensionsAndACancelEndsIt) {
  device->extensions = " rbf ; sof";
  const DispatchPtr d(stage->AsDispatch());
  EXPECT_EQ(Call(d, dispid::download::ProgramChosenFile).AsInt(), eFlowRun_Failure);
  ASSERT_FALSE(State().Dialogs.empty());
  const std::string request = State().Dialogs.back().Text;
  EXPECT_NE(request.find("5SGXEA7N2F45C2N programming files (*.rbf; *.sof)|*.RBF; *.SOF|"
                         "All files (*.*)|*.*"),
            std::string::npos)
      << request;
  EXPECT_EQ(State().Dialogs.back().Caption, "Choose Programming File For  Stratix V GX 5SGXEA7");
  EXPECT_EQ(device->resets, 0);
}

}  // namespace
}  // namespace morvel::testing
