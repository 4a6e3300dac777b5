// The build flow of the driver: one "Build" category whose five stages run the Quartus
// command-line tools in turn (translate, map, fit, timing analysis, assembler) on files named
// after the build's base path.
#pragma once

#include <string>

#include "flow/QuartusReports.h"
#include "flow/VendorProcess.h"

namespace morvel {

// Equation files (".EQN") instead of report files as map and fit outputs: releases 3 to 5.
bool QuartusOldFormat(const std::string& versionText);

class TFlowStage_Altera_Abstract : public TFlowStage_VendorProcess {
 public:
  TFlowStage_Altera_Abstract(std::string quartusVersion, const std::string& inputExt,
                             const std::string& outputExt, const std::string& reportExts,
                             const std::string& name, const std::string& caption,
                             const std::string& description, const std::string& tool,
                             IDispatch* driver);

  std::string ExpandMacros(const std::string& text) override;

  std::string FQuartusVersion;
  bool PLDFlow = false;

 protected:
  // The Quartus version text the host lists, or empty.
  static std::string ListedQuartusVersion();
  // The project is synthesised by the host (EDIF netlists), not by Quartus.
  bool UsesHostSynthesis();
  // The number of the version found when the stage was made (unknown: above every release).
  double QuartusNumber() const;
  // The file name of the base path without folder and extension.
  std::string ProjectName();
  // Sends report figures to the run display.
  static TSummaryItemSink SummarySink(const DispatchPtr& runner);
  std::string ParametersPreview(bool /*replaceMacros*/) override { return BuildParameters(); }
};

class TFlowStage_Altera_MakeScriptFile : public TFlowStage_Altera_Abstract {
 public:
  TFlowStage_Altera_MakeScriptFile(IDispatch* driver, bool pldFlow);

  std::string OptionsFileName() override { return "DefaultOptions_Quartus.xml"; }
  std::string ConstraintFileName() override;
  std::string InputDescription() override { return {}; }
  // The translate stage keeps the generated parameters and its script file, skipping the
  // project-name parameters of the other Quartus stages on purpose.
  std::string ParametersPreview(bool replaceMacros) override {
    return TFlowStage_VendorProcess::ParametersPreview(  // NOLINT(bugprone-parent-virtual-call)
        replaceMacros);
  }
  TFlowRunResult Execute(const DispatchPtr& runner) override;

  std::string ProjectExtension;

 private:
  TFlowStage_Altera_MakeScriptFile(IDispatch* driver, bool pldFlow, const std::string& version);
};

class TFlowStage_Altera_QuartusMap : public TFlowStage_Altera_Abstract {
 public:
  explicit TFlowStage_Altera_QuartusMap(IDispatch* driver);

  std::string BuildParameters() override { return ProjectName(); }
  bool UpdateFlowState() override;
  TFlowRunResult Execute(const DispatchPtr& runner) override;

  std::string ProjectExtension;

 private:
  TFlowStage_Altera_QuartusMap(IDispatch* driver, const std::string& version);
};

class TFlowStage_Altera_QuartusFit : public TFlowStage_Altera_Abstract {
 public:
  explicit TFlowStage_Altera_QuartusFit(IDispatch* driver);

  std::string BuildParameters() override { return ProjectName(); }
  TFlowRunResult Execute(const DispatchPtr& runner) override;

 private:
  TFlowStage_Altera_QuartusFit(IDispatch* driver, const std::string& version);
};

class TFlowStage_Altera_QuartusTan : public TFlowStage_Altera_Abstract {
 public:
  TFlowStage_Altera_QuartusTan(IDispatch* driver, TFlowStage_Altera_MakeScriptFile* makeScript);

  std::string OptionsFileName() override { return "DefaultOptions_Quartus_Tan.xml"; }
  std::string GetOutputExtension() override;
  std::string BuildParameters() override;
  bool CanRun() override;
  void ProjectChanged(const std::string& projectPath) override;
  TFlowRunResult Execute(const DispatchPtr& runner) override;

  bool UseTimeQuest();

  // The flow's translate stage, whose options decide the analyser; the category owns it.
  TFlowStage_Altera_MakeScriptFile* FMakeScriptFile_Stage;

 private:
  TFlowStage_Altera_QuartusTan(IDispatch* driver, TFlowStage_Altera_MakeScriptFile* makeScript,
                               const std::string& version);
};

class TFlowStage_Altera_QuartusAsm : public TFlowStage_Altera_Abstract {
 public:
  TFlowStage_Altera_QuartusAsm(IDispatch* driver, TFlowStage_Altera_MakeScriptFile* makeScript);

  std::string BuildParameters() override;
  TFlowRunResult Execute(const DispatchPtr& runner) override;

  TFlowStage_Altera_MakeScriptFile* FMakeScriptFile_Stage;
  bool FCompressBitstream = false;

 private:
  TFlowStage_Altera_QuartusAsm(IDispatch* driver, TFlowStage_Altera_MakeScriptFile* makeScript,
                               const std::string& version);
};

class TProcessFlow_AlteraFPGA : public TProcessFlowCategory {
 public:
  explicit TProcessFlow_AlteraFPGA(IDispatch* driver);
};

}  // namespace morvel
