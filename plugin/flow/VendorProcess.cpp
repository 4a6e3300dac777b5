// The vendor tool stage.
#include "flow/VendorProcess.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "sdk/DriverDispIds.h"
#include "sdk/FlowDispIds.h"
#include "sdk/GuardedSave.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/HostUtil.h"
#include "sdk/Strings.h"

namespace morvel {

namespace fs = std::filesystem;

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return path + extension;
  return path.substr(0, dot) + extension;
}

namespace {

std::vector<std::string> SplitCommaList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    const std::string item = Trim(text.substr(start, comma - start));
    if (!item.empty()) items.push_back(item);
    start = comma + 1;
  }
  return items;
}

std::vector<std::string> ReadLines(const fs::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Each byte of a tool's output is one character: the bytes above 127 are read as Latin-1.
std::string FromBytes(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

double FileDateTime(const std::string& path) {
  std::error_code ec;
  const auto written = fs::last_write_time(path, ec);
  if (ec) return 0;
  const auto system = std::chrono::file_clock::to_sys(written);
  const double seconds = std::chrono::duration<double>(system.time_since_epoch()).count();
  return seconds / 86400.0 + 25569.0;
}

// The process's current directory, restored however the stage's work ends.
class TCurrentDirectory {
 public:
  explicit TCurrentDirectory(const fs::path& folder) : FSaved(fs::current_path()) {
    if (!folder.empty()) fs::current_path(folder);
  }
  TCurrentDirectory(const TCurrentDirectory&) = delete;
  TCurrentDirectory& operator=(const TCurrentDirectory&) = delete;
  ~TCurrentDirectory() {
    std::error_code ec;
    fs::current_path(FSaved, ec);
  }

 private:
  fs::path FSaved;
};

// The host's busy cursor while a tool runs.
class TBusyCursor {
 public:
  TBusyCursor() : FApi(HostClientAPI()) {
    if (FApi) FPrevious = Call(FApi, dispid::clientapi::SetCursor, -11).AsInt();
  }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
  ~TBusyCursor() {
    try {
      if (FApi) Call(FApi, dispid::clientapi::SetCursor, FPrevious);
    } catch (...) {
    }
  }

 private:
  DispatchPtr FApi;
  int32_t FPrevious = 0;
};

void PumpHostMessages() {
  if (DispatchPtr api = HostClientAPI()) Call(api, dispid::clientapi::ProcessMessages);
}

}  // namespace

TFlowStage_VendorProcess::TFlowStage_VendorProcess(std::string inputExt, std::string outputExt,
                                                   const std::string& reportExts, std::string name,
                                                   std::string caption, std::string description,
                                                   std::string applicationName,
                                                   std::string applicationPath, IDispatch* driver)
    : TFlowStage_WithDriver(driver, std::move(name), std::move(caption), std::move(description)),
      ApplicationName(std::move(applicationName)),
      ApplicationPath(std::move(applicationPath)),
      FInputExtension(std::move(inputExt)),
      FOutputExtension(std::move(outputExt)),
      FReportExtensions(SplitCommaList(reportExts)) {
  Options = std::make_unique<TFPGAOptions>(DeviceName(), VendorToolVersion());
  const fs::path ignore = fs::path(HostSystemFolder()) / "FPGAMessagesToIgnore.txt";
  std::error_code ec;
  if (fs::exists(ignore, ec))
    for (const std::string& line : ReadLines(ignore))
      if (!Trim(line).empty()) LinesToIgnore.push_back(Trim(line));
}

TFlowStage_VendorProcess::~TFlowStage_VendorProcess() = default;

std::string TFlowStage_VendorProcess::DeviceName() {
  return FDriver != nullptr ? Call(FDriver, dispid::info::GetDeviceName).AsText() : std::string();
}

std::string TFlowStage_VendorProcess::InputFileName() {
  return ChangeFileExt(FBasePath, GetInputExtension());
}

std::string TFlowStage_VendorProcess::OutputFileName() {
  return ChangeFileExt(FBasePath, GetOutputExtension());
}

std::string TFlowStage_VendorProcess::ConstraintFileName() {
  return ChangeFileExt(FBasePath, FConstraintsExt);
}

std::string TFlowStage_VendorProcess::BuildConstraintFileName() {
  return ChangeFileExt(FBasePath, "_BUILD" + FConstraintsExt);
}

std::string TFlowStage_VendorProcess::InputDescription() {
  return fs::path(InputFileName()).filename().string();
}

std::string TFlowStage_VendorProcess::OutputDescription() {
  return fs::path(OutputFileName()).filename().string();
}

bool TFlowStage_VendorProcess::ThisStage_OutputExists() {
  return FileExists(OutputFileName());
}

DateTime TFlowStage_VendorProcess::ThisStage_DateTimeUpdated() {
  const std::string output = ActualFileName(OutputFileName());
  return DateTime{FileExists(output) ? FileDateTime(output) : 0};
}

std::string TFlowStage_VendorProcess::ReportPath(int32_t index) {
  if (index < 0 || index >= ReportCount()) return {};
  return ActualFileName(ChangeFileExt(FBasePath, FReportExtensions[static_cast<size_t>(index)]));
}

void TFlowStage_VendorProcess::Stop() {
  TFlowStage_WithDriver::Stop();
  if (ExecWrapper != nullptr) ExecWrapper->Abort();
}

void TFlowStage_VendorProcess::ProjectChanged(const std::string& projectPath) {
  TFlowStage_WithDriver::ProjectChanged(projectPath);
  ReloadOptions();
}

DispatchPtr TFlowStage_VendorProcess::GetProject() {
  DispatchPtr project = TFlowStage_WithDriver::GetProject();
  if (!project) return nullptr;
  DispatchPtr governing = Call(project, dispid::project::GetGoverningProject).AsObject();
  return governing ? governing : project;
}

bool TFlowStage_VendorProcess::IsLineIgnored(const std::string& line) {
  const std::string upper = UpperCase(line);
  for (const std::string& fragment : LinesToIgnore)
    if (upper.find(UpperCase(fragment)) != std::string::npos) return true;
  return false;
}

void TFlowStage_VendorProcess::HandleOutputLine(const std::string& rawLine) {
  DispatchPtr workspace = HostWorkspace();
  if (!workspace) return;
  const std::string line = FromBytes(rawLine);
  int severity = 0;
  bool informational = false;
  if (!IsLineIgnored(line)) {
    const std::string t = UpperCase(Trim(line));
    if (t.rfind("ERROR", 0) == 0)
      severity = 2;
    else if (t.rfind("WARNING", 0) == 0 || t.rfind("CRITICAL WARNING", 0) == 0)
      severity = 1;
    else if (t.rfind("INFO", 0) == 0)
      informational = true;
  }
  if (severity == 2) ErrorsOccured = true;
  const std::string parameters =
      "ShowInOutput=" +
      std::to_string(Call(workspace, dispid::workspace::GetOutputPanelNumber).AsInt());
  const std::string process = "WorkspaceManager:View";
  if (severity == 2)
    ReportError(line, 0, process, parameters);
  else if (severity == 1)
    ReportWarning(line, 0, process, parameters);
  else if (informational)
    ReportInfo(line, 0, process, parameters);
  else
    OutputLine(line);
}

bool TFlowStage_VendorProcess::BuildCommandLines(std::vector<std::string>* cmd,
                                                 std::vector<std::string>* scr, bool& readOnly,
                                                 bool replaceMacros) {
  const auto make = [&](std::vector<std::string>* lines, const std::string& custom, bool isCmd) {
    if (lines == nullptr) return false;
    bool made = false;
    if (!custom.empty()) {
      lines->clear();
      const std::string& text = custom;
      size_t start = 0;
      while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines->push_back(line);
        start = end + 1;
      }
      made = true;
    } else {
      // Device and tool version as the stage was made with.
      made = Options->GetLines(isCmd, *lines, Options->Device(), Options->Tool());
    }
    if (made)
      for (std::string& line : *lines) line = replaceMacros ? ExpandMacros(line) : Trim(line);
    return made;
  };
  const bool madeCmd = make(cmd, Options->CustomUser_Cmd, true);
  const bool madeScr = make(scr, Options->CustomUser_Scr, false);
  readOnly = true;
  return madeCmd || madeScr;
}

std::string TFlowStage_VendorProcess::BuildParameters() {
  std::vector<std::string> cmd;
  std::vector<std::string> scr;
  bool readOnly = false;
  if (!BuildCommandLines(&cmd, &scr, readOnly, true)) return {};
  if (!cmd.empty()) {
    const std::string name = ExpandMacros(Options->Commands_Filename);
    if (!name.empty()) {
      const std::string folder =
          IncludeTrailingPathDelimiter(fs::path(InputFileName()).parent_path().string());
      GuardedSaveLines(folder + name, cmd);
    }
  }
  std::string result;
  for (const std::string& piece : scr) result += " " + Trim(piece);
  return result;
}

void TFlowStage_VendorProcess::LoadOptionDefinitions() {
  const std::string name = OptionsFileName();
  if (name.empty()) return;
  const std::string system = HostSystemFolder() + name;
  const std::string local = PluginFolder() + name;
  if (FileExists(system))
    Options->LoadOptions(system);
  else if (FileExists(local))
    Options->LoadOptions(local);
}

void TFlowStage_VendorProcess::ReloadOptions() {
  LoadOptionDefinitions();
  if (DispatchPtr project = GetProject()) Options->LoadFromProject(project, OptionSection());
}

void TFlowStage_VendorProcess::MakeConstraintFile() {
  DispatchPtr project = GetProject();
  if (!project) return;
  std::vector<std::string> lines;
  const int32_t count = Call(project, dispid::project::GetDocumentCount).AsInt();
  for (int32_t i = 0; i < count; ++i) {
    DispatchPtr document = Call(project, dispid::project::GetDocument, i).AsObject();
    if (!document) continue;
    const std::string file = Call(document, dispid::document::GetFileName).AsText();
    if (!FConstraintsExt.empty() && SameText(fs::path(file).extension().string(), FConstraintsExt))
      for (const std::string& line : ReadLines(file)) lines.push_back(line);
  }
  if (const std::string build = ActualFileName(BuildConstraintFileName()); FileExists(build))
    for (const std::string& line : ReadLines(build)) lines.push_back(line);
  GuardedSaveLines(ConstraintFileName(), lines);
}

uint32_t TFlowStage_VendorProcess::RunApplication() {
  std::string parameters = BuildParameters();
  std::string application = ApplicationPath;
  // A switch after the executable's name goes in front of the parameters; a blank inside a
  // folder name does not split the path.
  if (application.size() > 2 && application.back() != '"') {
    size_t split = std::string::npos;
    for (size_t i = application.size(); i-- > 0;) {
      const char c = application[i];
      if (c == '"' || c == '/' || c == '\\') break;
      if (c == ' ') split = i;
    }
    if (split != std::string::npos) {
      parameters = application.substr(split + 1) + parameters;
      application = application.substr(0, split);
    }
  }
  ReportProgress("Running " + application + "...", 2);
  OutputLine("    Parameters: " + parameters);
  TConsoleAppWrapper runner(
      application, parameters, "", fs::path(InputFileName()).parent_path().string(),
      [this](const std::string& line) { HandleOutputLine(line); }, nullptr, true, PumpHostMessages);
  ExecWrapper = &runner;
  struct Clear {
    TConsoleAppWrapper*& Wrapper;
    ~Clear() { Wrapper = nullptr; }
  } clear{ExecWrapper};
  return runner.Execute(2147483647, false);
}

TFlowRunResult TFlowStage_VendorProcess::RunVendorWork() {
  ErrorsOccured = false;
  const std::string output = OutputFileName();
  if (const std::string previous = ActualFileName(output); FileExists(previous)) {
    // The previous output stays as the ".~" copy: top.rbf becomes top.~.rbf.
    const fs::path path(previous);
    const fs::path backup =
        path.parent_path() / (path.stem().string() + ".~" + path.extension().string());
    std::error_code ec;
    fs::remove(ActualFileName(backup.string()), ec);
    fs::rename(path, backup, ec);
  }
  TFlowRunResult result = eFlowRun_Failure;
  {
    const TCurrentDirectory directory(fs::path(InputFileName()).parent_path());
    {
      const TBusyCursor busy;
      RunApplication();
    }
    if (FCancelled) return eFlowRun_Cancelled;
    if (FileExists(output)) {
      result = ErrorsOccured ? eFlowRun_Failure : eFlowRun_Success;
      if (result == eFlowRun_Success)
        ReportProgress(ApplicationName + " - Completed Successfully", 2);
      else
        ReportInfo(ApplicationName + " - Errors Occurred");
    } else {
      ReportInfo(ApplicationName +
                 " - Failed To Generate File : " + fs::path(output).filename().string());
    }
    OutputSeparator();
  }
  return result;
}

const DispatchTable& TFlowStage_VendorProcess::Table() {
  using C = TFlowStage_VendorProcess;
  namespace vo = dispid::vendoroptions;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(vo::OptionCount, C, OptionCount), MORVEL_DISP(vo::OptionName, C, OptionName),
      MORVEL_DISP(vo::OptionSection, C, OptionSectionAt),
      MORVEL_DISP(vo::OptionValue, C, OptionValue), MORVEL_DISP(vo::OptionValues, C, OptionValues),
      MORVEL_DISP(vo::SetOptionValue, C, SetOptionValue),
      MORVEL_DISP(vo::ScriptText, C, ScriptText),
      MORVEL_DISP(vo::CommandLineText, C, CommandLineText),
      MORVEL_DISP(vo::ToolPath, C, GetToolPath));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"VendorStageOptions"},
                                   &TMorvelAbstractProcessFlow::Table());
  return table;
}

std::string TFlowStage_VendorProcess::OptionName(int32_t index) {
  const TFPGAOption_Abstract* option = Options->GetOptionAt(index);
  return option != nullptr ? option->Name : std::string();
}

std::string TFlowStage_VendorProcess::OptionSectionAt(int32_t index) {
  const TFPGAOption_Abstract* option = Options->GetOptionAt(index);
  return option != nullptr ? option->Section : std::string();
}

std::string TFlowStage_VendorProcess::OptionValue(int32_t index) {
  const TFPGAOption_Abstract* option = Options->GetOptionAt(index);
  return option != nullptr ? option->GetValue() : std::string();
}

std::string TFlowStage_VendorProcess::OptionValues(int32_t index) {
  const TFPGAOption_Abstract* option = Options->GetOptionAt(index);
  return option != nullptr ? option->GetValues() : std::string();
}

bool TFlowStage_VendorProcess::SetOptionValue(const std::string& name, const std::string& value) {
  TFPGAOption_Abstract* option = Options->GetOption(name);
  if (option == nullptr || !option->CheckValue(value)) return false;
  option->SetValue(value);
  option->TemporaryValue = option->GetValue();
  // Only this option is stored: the whole set's save would drop the values that the options
  // dialog did not mark as set.
  if (DispatchPtr project = GetProject())
    Call(project, dispid::options::Write, OptionSection(), option->Name, option->GetValue());
  return true;
}

std::string TFlowStage_VendorProcess::ScriptText(bool replaceMacros) {
  std::vector<std::string> cmd;
  bool readOnly = false;
  std::string text;
  if (BuildCommandLines(&cmd, nullptr, readOnly, replaceMacros))
    for (const std::string& line : cmd) text += line + "\n";
  return text;
}

std::string TFlowStage_VendorProcess::CommandLineText(bool replaceMacros) {
  return Trim(ParametersPreview(replaceMacros));
}

std::string TFlowStage_VendorProcess::ParametersPreview(bool replaceMacros) {
  std::vector<std::string> scr;
  bool readOnly = false;
  std::string result;
  if (BuildCommandLines(nullptr, &scr, readOnly, replaceMacros))
    for (const std::string& piece : scr) result += " " + Trim(piece);
  return result;
}

TFlowRunResult TFlowStage_VendorProcess::Execute(const DispatchPtr& /*runner*/) {
  return RunVendorWork();
}

}  // namespace morvel
