// The Quartus build flow: its five stages, their files, macros and the figures they report.
#include "flow/QuartusFlow.h"

#include <filesystem>
#include <fstream>

#include "flow/QuartusVersion.h"
#include "flow/VendorTools.h"
#include "sdk/DriverDispIds.h"
#include "sdk/Errors.h"
#include "sdk/FlowDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/HostUtil.h"
#include "sdk/Platform.h"
#include "sdk/Strings.h"

namespace morvel {

namespace fs = std::filesystem;

namespace {

constexpr const char* kQuartusSynthesizer = "Altera Quartus II";

// Replaces every occurrence of a macro, whatever its case.
void ReplaceAll(std::string& text, const std::string& macro, const std::string& value) {
  const std::string upperMacro = UpperCase(macro);
  std::string upper = UpperCase(text);
  size_t at = 0;
  while ((at = upper.find(upperMacro, at)) != std::string::npos) {
    text.replace(at, macro.size(), value);
    upper.replace(at, macro.size(), UpperCase(value));
    at += value.size();
  }
}

std::string WithoutPrefix(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
}

// The family object of the host's device-family manager, or null when it does not know it.
DispatchPtr KnownFamily(const std::string& family) {
  DispatchPtr devices = HostDeviceManager();
  if (!devices || family.empty()) return nullptr;
  return Call(devices, dispid::devices::GetDeviceFamily, family).AsObject();
}

std::string FamilyParameter(const DispatchPtr& family, const char* name, const char* fallback) {
  if (!family) return {};
  if (Call(family, dispid::family::HasParameter, name).AsBool())
    return Call(family, dispid::family::GetParameter, name).AsText();
  return fallback;
}

// Deletes a file whatever the case of its name on disk.
void DeleteFile(const std::string& path) {
  std::error_code ec;
  fs::remove(ActualFileName(path), ec);
}

// Moves a file to a new name, replacing what is there; nothing when the file does not exist.
void MoveReplacing(const std::string& from, const std::string& to) {
  const std::string source = ActualFileName(from);
  if (!FileExists(source)) return;
  DeleteFile(to);
  std::error_code ec;
  fs::rename(source, to, ec);
  if (ec) throw OleError(E_FAIL, "Cannot move " + source + " to " + to + ": " + ec.message());
}

// A translate-stage option whose value is exactly "True".
bool OptionIsTrue(TFlowStage_Altera_MakeScriptFile* stage, const char* name) {
  if (stage == nullptr) return false;
  const TFPGAOption_Abstract* option = stage->Options->GetOption(name);
  return option != nullptr && option->GetValue() == "True";
}

std::string ProjectExtensionFor(const std::string& version) {
  return version.rfind('3', 0) == 0 ? ".quartus" : ".qpf";
}

std::string MapOutputExt(const std::string& version) {
  return QuartusOldFormat(version) ? ".MAP.EQN" : ".MAP.RPT";
}

std::string FitOutputExt(const std::string& version) {
  return QuartusOldFormat(version) ? ".FIT.EQN" : ".FIT.RPT";
}

}  // namespace

bool QuartusOldFormat(const std::string& versionText) {
  return versionText.rfind('3', 0) == 0 || versionText.rfind("4.", 0) == 0 ||
         versionText.rfind("5.", 0) == 0;
}

// ---- common

std::string TFlowStage_Altera_Abstract::ListedQuartusVersion() {
  const TQuartusVersion version = QuartusVersion();
  return version.Found ? version.Text : std::string();
}

TFlowStage_Altera_Abstract::TFlowStage_Altera_Abstract(
    std::string quartusVersion, const std::string& inputExt, const std::string& outputExt,
    const std::string& reportExts, const std::string& name, const std::string& caption,
    const std::string& description, const std::string& tool, IDispatch* driver)
    : TFlowStage_VendorProcess(inputExt, outputExt, reportExts, name, caption, description, tool,
                               morvel::ToolPath("Altera", tool), driver),
      FQuartusVersion(std::move(quartusVersion)) {}

double TFlowStage_Altera_Abstract::QuartusNumber() const {
  return QuartusVersionNumber(
      FQuartusVersion.empty() ? std::nullopt : std::optional<std::string>(FQuartusVersion));
}

std::string TFlowStage_Altera_Abstract::ProjectName() {
  return fs::path(FBasePath).stem().string();
}

bool TFlowStage_Altera_Abstract::UsesHostSynthesis() {
  DispatchPtr project = GetProject();
  if (!project) return false;
  DispatchPtr synthesizer = ModuleObject("EditVHDL.DLL", "GetEditVHDLSynthesizer");
  if (!synthesizer) return true;  // no host service: the name is not Quartus's
  const std::string name =
      Call(synthesizer, dispid::synthesizer::GetProjectSynthesizer, project).AsText();
  return !SameText(name, kQuartusSynthesizer);
}

TSummaryItemSink TFlowStage_Altera_Abstract::SummarySink(const DispatchPtr& runner) {
  if (!runner) return {};
  return [runner](const std::string& category, const std::string& item, const std::string& value,
                  const std::string& source) {
    Call(runner, dispid::runner::AddSummaryItem, category, item, value, source);
  };
}

std::string TFlowStage_Altera_Abstract::ExpandMacros(const std::string& text) {
  std::string familyName;
  std::string deviceName;
  std::string optimizationFlag;
  std::string configSchemeFlag;
  std::string configDeviceFlag;
  if (FDriver != nullptr) {
    familyName = Call(FDriver, dispid::info::GetFamilyName).AsText();
    const DispatchPtr family = KnownFamily(familyName);
    if (family) familyName = FamilyParameter(family, "NameUsedByVendor", familyName.c_str());
    deviceName = Call(FDriver, dispid::info::GetDeviceName).AsText();
    if (!deviceName.empty() && deviceName.back() == 'N') deviceName.pop_back();
    optimizationFlag =
        FamilyParameter(family, "OptimizationFlag", "cyclone_optimization_technique");
    configSchemeFlag =
        FamilyParameter(family, "ConfigurationSchemeFlag", "cyclone_configuration_scheme");
    configDeviceFlag =
        FamilyParameter(family, "ConfigurationDeviceFlag", "cyclone_configuration_device");
  }
  std::string projectName;
  std::string userId;
  if (DispatchPtr project = GetProject()) {
    projectName = fs::path(Call(project, dispid::project::GetFileName).AsText()).stem().string();
    userId =
        WithoutPrefix(WithoutPrefix(Call(project, dispid::project::GetUserID).AsText(), "$"), "0x");
  }
  std::string lmf;
  if (DispatchPtr client = HostClient())
    lmf =
        IncludeTrailingPathDelimiter(Call(client, dispid::client::GetInstallationFolder).AsText()) +
        "EDIF/Zephra.LMF";
  for (char& c : lmf)
    if (c == '\\') c = '/';
  std::string addTimeQuestFile;
  if (!FQuartusVersion.empty()) {
    // The leading major.minor number: a release such as 13.1.0 is no single decimal number.
    const std::optional<double> number = QuartusMajorMinor(FQuartusVersion);
    if (!number)
      throw OleError(DISP_E_TYPEMISMATCH,
                     "'" + FQuartusVersion + "' is not a valid Quartus version number");
    if (*number <= 5.1) addTimeQuestFile = "#";
  }

  std::string out = Trim(text);
  ReplaceAll(out, ".ReplaceDeviceFamilyName", familyName);
  ReplaceAll(out, ".ReplaceDeviceName", deviceName);
  ReplaceAll(out, ".ReplaceProjectName", projectName);
  ReplaceAll(out, ".ReplaceLMF", lmf);
  ReplaceAll(out, ".ReplaceUserID", userId);
  // Which shortened form the scripts would want is not settled: none is given.
  ReplaceAll(out, ".ReplaceShortUserID", "");
  ReplaceAll(out, ".ReplaceEnablePLDFlow", PLDFlow ? "1" : "0");
  ReplaceAll(out, ".ReplaceOptimizationFlag", optimizationFlag);
  ReplaceAll(out, ".ReplaceConfigSchemeFlag", configSchemeFlag);
  ReplaceAll(out, ".ReplaceConfigDeviceFlag", configDeviceFlag);
  ReplaceAll(out, ".ReplaceAddTimeQuestFile", addTimeQuestFile);
  return out;
}

// ---- translate

TFlowStage_Altera_MakeScriptFile::TFlowStage_Altera_MakeScriptFile(IDispatch* driver, bool pldFlow)
    : TFlowStage_Altera_MakeScriptFile(driver, pldFlow, ListedQuartusVersion()) {}

TFlowStage_Altera_MakeScriptFile::TFlowStage_Altera_MakeScriptFile(IDispatch* driver, bool pldFlow,
                                                                   const std::string& version)
    : TFlowStage_Altera_Abstract(version, "", ProjectExtensionFor(version) + "_orig", "",
                                 "Translate Design", "&Translate Design",
                                 "Create project and translate options", "Quartus_sh", driver),
      ProjectExtension(ProjectExtensionFor(version)) {
  PLDFlow = pldFlow;
  FConstraintsExt = ".TCL";
}

TFlowRunResult TFlowStage_Altera_MakeScriptFile::Execute(const DispatchPtr& /*runner*/) {
  const std::string projectFile = ChangeFileExt(OutputFileName(), ProjectExtension);
  if (UsesHostSynthesis()) {
    MakeConstraintFile();
    DeleteFile(projectFile);
    return RunVendorWork();
  }
  if (!FileExists(projectFile)) {
    ReportError("Project File: " + projectFile + " missing.");
    return eFlowRun_Failure;
  }
  if (FileExists(OutputFileName())) {
    ReportInfo("Skipping " + StageName() + " phase.");
    return eFlowRun_Success;
  }
  ReportError("Output File: " + OutputFileName() + " missing.");
  return eFlowRun_Failure;
}

std::string TFlowStage_Altera_MakeScriptFile::ConstraintFileName() {
  return ChangeFileExt(FBasePath, "_UserConstraints" + FConstraintsExt);
}

// ---- map

TFlowStage_Altera_QuartusMap::TFlowStage_Altera_QuartusMap(IDispatch* driver)
    : TFlowStage_Altera_QuartusMap(driver, ListedQuartusVersion()) {}

TFlowStage_Altera_QuartusMap::TFlowStage_Altera_QuartusMap(IDispatch* driver,
                                                           const std::string& version)
    : TFlowStage_Altera_Abstract(version, ProjectExtensionFor(version) + "_orig",
                                 MapOutputExt(version), ".MAP.RPT", "Map Design", "&Map Design",
                                 "Map Design To Vendor Primitives", "Quartus_Map", driver),
      ProjectExtension(ProjectExtensionFor(version)) {}

TFlowRunResult TFlowStage_Altera_QuartusMap::Execute(const DispatchPtr& /*runner*/) {
  if (UsesHostSynthesis()) return RunVendorWork();
  const std::string output = ActualFileName(OutputFileName());
  if (FileExists(output)) {
    // Opened for writing and closed unchanged, as the tool's own check does.
    std::fstream touch(output, std::ios::in | std::ios::out | std::ios::binary);
    touch.close();
    ReportInfo("Skipping " + StageName() + " phase.");
    return eFlowRun_Success;
  }
  ReportError("File " + OutputFileName() + " does not exist.");
  return eFlowRun_Failure;
}

bool TFlowStage_Altera_QuartusMap::UpdateFlowState() {
  if (UsesHostSynthesis()) return TFlowStage_Altera_Abstract::UpdateFlowState();
  const TProcessFlowState before = FFlowState;
  for (const DispatchPtr& dependency : Dependencies()) {
    if (!SameText(Call(dependency, dispid::flow::StageName).AsText(), "Translate Design")) continue;
    FFlowState = static_cast<TProcessFlowState>(Call(dependency, dispid::flow::FlowState).AsInt());
    break;
  }
  return FFlowState != before;
}

// ---- fit

TFlowStage_Altera_QuartusFit::TFlowStage_Altera_QuartusFit(IDispatch* driver)
    : TFlowStage_Altera_QuartusFit(driver, ListedQuartusVersion()) {}

TFlowStage_Altera_QuartusFit::TFlowStage_Altera_QuartusFit(IDispatch* driver,
                                                           const std::string& version)
    : TFlowStage_Altera_Abstract(version, MapOutputExt(version), FitOutputExt(version), ".FIT.RPT",
                                 "Place and Route", "&Place and Route", "Place & Route",
                                 "Quartus_Fit", driver) {}

TFlowRunResult TFlowStage_Altera_QuartusFit::Execute(const DispatchPtr& runner) {
  const std::string report = ChangeFileExt(FBasePath, ".Fit.Rpt");
  DeleteFile(report);
  const TFlowRunResult result = RunVendorWork();
  if (const std::string written = ActualFileName(report); FileExists(written))
    FitterSummary(written, SummarySink(runner));
  return result;
}

// ---- timing analysis

TFlowStage_Altera_QuartusTan::TFlowStage_Altera_QuartusTan(
    IDispatch* driver, TFlowStage_Altera_MakeScriptFile* makeScript)
    : TFlowStage_Altera_QuartusTan(driver, makeScript, ListedQuartusVersion()) {}

TFlowStage_Altera_QuartusTan::TFlowStage_Altera_QuartusTan(
    IDispatch* driver, TFlowStage_Altera_MakeScriptFile* makeScript, const std::string& version)
    : TFlowStage_Altera_Abstract(version, FitOutputExt(version), ".TAN.RPT", ".TAN.RPT",
                                 "Timing Analysis", "Timing &Analysis", "Timing Analysis",
                                 "Quartus_Tan", driver),
      FMakeScriptFile_Stage(makeScript) {}

bool TFlowStage_Altera_QuartusTan::UseTimeQuest() {
  if (FDriver != nullptr) {
    const std::string family = Call(FDriver, dispid::info::GetFamilyName).AsText();
    for (const char* name : {"ArriaGX", "Cyclone4E", "Cyclone4GX"})
      if (SameText(family, name)) return true;
  }
  return QuartusNumber() > 10 ||
         OptionIsTrue(FMakeScriptFile_Stage, "Use TimeQuest Timing Analyzer");
}

std::string TFlowStage_Altera_QuartusTan::GetOutputExtension() {
  return UseTimeQuest() ? ".STA.RPT" : FOutputExtension;
}

std::string TFlowStage_Altera_QuartusTan::BuildParameters() {
  const std::string name = ProjectName();
  return UseTimeQuest() ? name + " --sdc=" + name + "_sta.sdc" : name;
}

bool TFlowStage_Altera_QuartusTan::CanRun() {
  const TFPGAOption_Abstract* skip = Options->GetOption("Skip Timing Analysis");
  return skip != nullptr && !SameText(skip->GetValue(), "True");
}

void TFlowStage_Altera_QuartusTan::ProjectChanged(const std::string& projectPath) {
  TFlowStage_Altera_Abstract::ProjectChanged(projectPath);
  UpdateFlowState();
}

TFlowRunResult TFlowStage_Altera_QuartusTan::Execute(const DispatchPtr& runner) {
  if (!CanRun()) return eFlowRun_Success;
  std::string report = ChangeFileExt(FBasePath, ".tan.rpt");
  const bool timeQuest = UseTimeQuest();
  if (timeQuest) {
    ApplicationName = "Quartus_Sta";
    ApplicationPath = morvel::ToolPath("Altera", "Quartus_Sta");
    report = ChangeFileExt(FBasePath, ".sta.rpt");
    FReportExtensions = {".STA.RPT"};
  }
  DeleteFile(report);
  const TFlowRunResult result = RunVendorWork();
  const std::string written = ActualFileName(report);
  if (timeQuest)
    TimeQuestSummary(written, QuartusNumber(), SummarySink(runner));
  else
    ClassicTimingSummary(written, SummarySink(runner));
  return result;
}

// ---- assembler

TFlowStage_Altera_QuartusAsm::TFlowStage_Altera_QuartusAsm(
    IDispatch* driver, TFlowStage_Altera_MakeScriptFile* makeScript)
    : TFlowStage_Altera_QuartusAsm(driver, makeScript, ListedQuartusVersion()) {}

TFlowStage_Altera_QuartusAsm::TFlowStage_Altera_QuartusAsm(
    IDispatch* driver, TFlowStage_Altera_MakeScriptFile* makeScript, const std::string& version)
    : TFlowStage_Altera_Abstract(version, FitOutputExt(version), ".RBF", ".ASM.RPT",
                                 "Make BIT File", "&Make BIT File",
                                 "Generate RBF file for programming FPGA", "Quartus_Asm", driver),
      FMakeScriptFile_Stage(makeScript) {}

std::string TFlowStage_Altera_QuartusAsm::BuildParameters() {
  return ProjectName() +
         " --set=ON_CHIP_BITSTREAM_DECOMPRESSION=" + (FCompressBitstream ? "ON" : "OFF");
}

TFlowRunResult TFlowStage_Altera_QuartusAsm::Execute(const DispatchPtr& /*runner*/) {
  if (!OptionIsTrue(FMakeScriptFile_Stage, "On-Chip Bitstream Compression")) {
    FCompressBitstream = false;
    return RunVendorWork();
  }
  const std::string output = OutputFileName();
  const std::string compressed = ChangeFileExt(output, "_cpb.RBF");
  const std::string backup = ChangeFileExt(output, "_cpb.~.RBF");
  FCompressBitstream = true;
  MoveReplacing(compressed, backup);
  TFlowRunResult result = RunVendorWork();
  MoveReplacing(output, compressed);
  if (result == eFlowRun_Success) {
    FCompressBitstream = false;
    result = RunVendorWork();
  }
  FCompressBitstream = false;
  return result;
}

// ---- the flow

TProcessFlow_AlteraFPGA::TProcessFlow_AlteraFPGA(IDispatch* driver)
    : TProcessFlowCategory("Build", "&Build", "Build Raw Bit File", "EDIF Files", "Raw Bit File") {
  BeginConstruction();
  ComPtr<TFlowStage_Altera_MakeScriptFile> translate(
      new TFlowStage_Altera_MakeScriptFile(driver, false));
  ComPtr<TFlowStage_Altera_QuartusMap> map(new TFlowStage_Altera_QuartusMap(driver));
  ComPtr<TFlowStage_Altera_QuartusFit> fit(new TFlowStage_Altera_QuartusFit(driver));
  ComPtr<TFlowStage_Altera_QuartusTan> timing(
      new TFlowStage_Altera_QuartusTan(driver, translate.Get()));
  ComPtr<TFlowStage_Altera_QuartusAsm> assembler(
      new TFlowStage_Altera_QuartusAsm(driver, translate.Get()));
  const auto d = [](auto& stage) { return DispatchPtr(stage->AsDispatch()); };
  map->AddDependency(d(translate));
  fit->AddDependency(d(map));
  timing->AddDependency(d(fit));
  assembler->AddDependency(d(timing));
  AddChildStage(d(translate));
  AddChildStage(d(map));
  AddChildStage(d(fit));
  AddChildStage(d(timing));
  AddChildStage(d(assembler));
  EndConstruction();
}

}  // namespace morvel
