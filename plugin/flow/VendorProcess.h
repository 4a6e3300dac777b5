// The vendor tool stage: one step of a vendor build that runs one command-line tool on files
// named after the build's base path, turns its output into host messages and decides the
// stage's result from the output file and the error lines.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "flow/ConsoleApplication.h"
#include "flow/ProcessFlow.h"
#include "options/FPGAOptions.h"

namespace morvel {

// The base path with its extension replaced by (or, without one, followed by) the extension.
std::string ChangeFileExt(const std::string& path, const std::string& extension);

class TFlowStage_VendorProcess : public TFlowStage_WithDriver {
 public:
  TFlowStage_VendorProcess(std::string inputExt, std::string outputExt,
                           const std::string& reportExts, std::string name, std::string caption,
                           std::string description, std::string applicationName,
                           std::string applicationPath, IDispatch* driver);
  ~TFlowStage_VendorProcess() override;

  std::string InputDescription() override;
  std::string OutputDescription() override;
  bool ThisStage_OutputExists() override;
  DateTime ThisStage_DateTimeUpdated() override;
  int32_t ReportCount() override { return static_cast<int32_t>(FReportExtensions.size()); }
  std::string ReportPath(int32_t index) override;
  bool CanEditProperties() override { return Options->GetOptionCount() > 0; }
  void EditProperties() override {}
  void Stop() override;
  void ProjectChanged(const std::string& projectPath) override;
  bool BuildCommandLines(std::vector<std::string>* cmd, std::vector<std::string>* scr,
                         bool& readOnly, bool replaceMacros) override;
  DispatchPtr GetProject() override;
  TFlowRunResult Execute(const DispatchPtr& runner) override;

  virtual bool IsLineIgnored(const std::string& line);
  virtual void HandleOutputLine(const std::string& line);
  virtual std::string InputFileName();
  virtual std::string OutputFileName();
  virtual std::string BuildParameters();
  virtual std::string ExpandMacros(const std::string& text) { return text; }
  virtual std::string OptionsFileName() { return {}; }
  virtual std::string ConstraintFileName();
  virtual std::string BuildConstraintFileName();
  virtual void LoadOptionDefinitions();
  virtual void ReloadOptions();
  virtual void MakeConstraintFile();
  virtual uint32_t RunApplication();
  virtual std::string GetInputExtension() { return FInputExtension; }
  virtual void SetInputExtension(const std::string& ext) { FInputExtension = ext; }
  virtual std::string GetOutputExtension() { return FOutputExtension; }
  virtual void SetOutputExtension(const std::string& ext) { FOutputExtension = ext; }

  // The option views of the host: the set's options, a value saved to the project at once, and
  // the script and parameters as the stage would make them now (no file is written).
  int32_t OptionCount() { return Options->GetOptionCount(); }
  std::string OptionName(int32_t index);
  std::string OptionSectionAt(int32_t index);
  std::string OptionValue(int32_t index);
  std::string OptionValues(int32_t index);
  bool SetOptionValue(const std::string& name, const std::string& value);
  std::string ScriptText(bool replaceMacros);
  std::string CommandLineText(bool replaceMacros);
  std::string GetToolPath() { return ApplicationPath; }

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

  std::string ApplicationName;
  std::string ApplicationPath;
  std::unique_ptr<TFPGAOptions> Options;
  std::vector<std::string> LinesToIgnore;
  TConsoleAppWrapper* ExecWrapper = nullptr;
  bool ErrorsOccured = false;

 protected:
  // The vendor-stage work of Execute, for stages that wrap it.
  TFlowRunResult RunVendorWork();
  std::string OptionSection() { return StageName() + ApplicationName; }
  // The parameters BuildParameters would give, without writing the script file; stages whose
  // parameters come from elsewhere answer their own.
  virtual std::string ParametersPreview(bool replaceMacros);
  std::string DeviceName();

  std::string FInputExtension;
  std::string FOutputExtension;
  std::string FConstraintsExt;
  std::vector<std::string> FReportExtensions;
};

}  // namespace morvel
