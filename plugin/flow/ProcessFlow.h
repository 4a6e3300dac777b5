// Process flows: trees of stages that the host shows, asks for their state and runs. Every
// stage reaches its parent, children and dependencies through their dispatch interfaces, as
// the host does, even when they are objects of this plug-in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sdk/ComPtr.h"
#include "sdk/Dispatch.h"
#include "sdk/Objects.h"

namespace morvel {

enum TFlowRunResult : uint8_t {
  eFlowRun_DidNotRun = 0,
  eFlowRun_Cancelled = 1,
  eFlowRun_Failure = 2,
  eFlowRun_Success = 3,
};

enum TProcessFlowState : uint8_t {
  eFlowState_UpToDate = 0,
  eFlowState_OutOfDate = 1,
  eFlowState_Missing = 2,
  eFlowState_None = 3,
};

// The host SDK's flow object: the IProcessFlow operations as virtual operations.
class TAbstractProcessFlow : public TAbstractSupportService {
 public:
  virtual std::string StageName() = 0;
  virtual std::string StageCaption() = 0;
  virtual std::string StageDescription() = 0;
  virtual std::string InputDescription() = 0;
  virtual std::string OutputDescription() = 0;
  virtual bool CanRun() = 0;
  virtual bool IsCategory() = 0;
  virtual TFlowRunResult Run(DispatchPtr runner) = 0;
  virtual TFlowRunResult RunIfOutOfDate(DispatchPtr runner) = 0;
  virtual TFlowRunResult RunAll(DispatchPtr runner) = 0;
  virtual TFlowRunResult RunWholeStage(DispatchPtr runner) = 0;
  virtual void Stop() = 0;
  virtual bool UpdateFlowState() = 0;
  virtual TProcessFlowState FlowState() = 0;
  virtual bool IsRunning() = 0;
  virtual DispatchPtr RunningStage() = 0;
  virtual TFlowRunResult LastRunResult() = 0;
  virtual void ClearLastRunResult() = 0;
  virtual void ProjectChanged(const std::string& projectPath) = 0;
  virtual void SetBasePath(const std::string& path) = 0;
  virtual std::string GetBasePath() = 0;
  virtual bool CanEditProperties() = 0;
  virtual void EditProperties() = 0;
  virtual int32_t ReportCount() = 0;
  virtual std::string ReportPath(int32_t index) = 0;
  virtual DispatchPtr GetParentStage() = 0;
  virtual void SetParentStage(DispatchPtr parent) = 0;
  virtual int32_t GetChildStageCount() = 0;
  virtual DispatchPtr GetChildStage(int32_t index) = 0;
  virtual void ClearChildren() = 0;
  virtual void AddChildStage(DispatchPtr stage) = 0;
  virtual int32_t GetDependenciesCount() = 0;
  virtual DispatchPtr GetDependency(int32_t index) = 0;
  virtual void ClearDependencies() = 0;
  virtual void AddDependency(DispatchPtr stage) = 0;

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

// The common flow object: the run protocol, the state rules and the reporting operations.
class TMorvelAbstractProcessFlow : public TAbstractProcessFlow {
 public:
  TMorvelAbstractProcessFlow(std::string name, std::string caption, std::string description);
  ~TMorvelAbstractProcessFlow() override;

  std::string StageName() override { return FStageName; }
  std::string StageCaption() override { return FStageCaption; }
  std::string StageDescription() override { return FStageDescription; }
  TFlowRunResult Run(DispatchPtr runner) override { return RunEntry(runner, true, false, false); }
  TFlowRunResult RunIfOutOfDate(DispatchPtr runner) override {
    return RunEntry(runner, false, false, false);
  }
  TFlowRunResult RunAll(DispatchPtr runner) override { return RunEntry(runner, true, true, true); }
  TFlowRunResult RunWholeStage(DispatchPtr runner) override {
    return RunEntry(runner, false, true, false);
  }
  void Stop() override { FCancelled = true; }
  TProcessFlowState FlowState() override { return FFlowState; }
  bool IsRunning() override { return FRunning; }
  DispatchPtr RunningStage() override;
  TFlowRunResult LastRunResult() override { return FLastResult; }
  void ClearLastRunResult() override;
  void ProjectChanged(const std::string& projectPath) override { FProjectPath = projectPath; }
  void SetBasePath(const std::string& path) override { FBasePath = path; }
  std::string GetBasePath() override { return FBasePath; }
  bool CanEditProperties() override { return false; }
  void EditProperties() override {}
  int32_t ReportCount() override { return 0; }
  std::string ReportPath(int32_t /*index*/) override { return {}; }
  DispatchPtr GetParentStage() override { return DispatchPtr(FParent); }
  void SetParentStage(DispatchPtr parent) override { FParent = parent.Get(); }
  int32_t GetDependenciesCount() override { return static_cast<int32_t>(FDependencies.size()); }
  DispatchPtr GetDependency(int32_t index) override;
  void ClearDependencies() override { FDependencies.clear(); }
  void AddDependency(DispatchPtr stage) override;

  // The stage's own work; called by RunStage.
  virtual TFlowRunResult RunThisStage(DispatchPtr runner, bool all, bool wholeStage,
                                      bool force) = 0;
  // The host project the flow works for, or null.
  virtual DispatchPtr GetProject();

  // The run protocol between stages.
  virtual TFlowRunResult RunStage(bool force, bool wholeStage, bool all, DispatchPtr runner);
  virtual void PrepareRun();
  virtual void FinishRun();
  virtual void ClearRunResults() { ClearLastRunResult(); }
  virtual void ResetRunning();
  virtual void SetLastRunResult(int32_t result);
  virtual bool ThisStage_OutputExists() = 0;
  virtual DateTime ThisStage_DateTimeUpdated() = 0;
  virtual TFlowRunResult RunDependencies(bool all, DispatchPtr runner);
  virtual bool DependencyOutputsExist();
  virtual DateTime DependencyOutputsDateTime();
  virtual bool DependenciesUpToDate();
  virtual void BeforeStart() {}

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 protected:
  // Reporting to the host's panels; each does nothing without a host workspace.
  void OutputLine(const std::string& text);
  void OutputSeparator();
  void AddFlowMessage(const std::string& text, const std::string& messageClass, int32_t mode,
                      const std::string& callBackProcess, const std::string& callBackParameters,
                      int32_t imageIndex);
  void ReportError(const std::string& text, int32_t mode = 0,
                   const std::string& callBackProcess = {},
                   const std::string& callBackParameters = {});
  void ReportWarning(const std::string& text, int32_t mode = 0,
                     const std::string& callBackProcess = {},
                     const std::string& callBackParameters = {});
  void ReportInfo(const std::string& text, int32_t mode = 0,
                  const std::string& callBackProcess = {},
                  const std::string& callBackParameters = {});
  void ReportProgress(const std::string& text, int32_t mode = 0,
                      const std::string& callBackProcess = {},
                      const std::string& callBackParameters = {});

  // This object as the host sees it.
  DispatchPtr Self() { return DispatchPtr(AsDispatch()); }
  bool HasOwnDependencies() const { return !FDependencies.empty(); }
  const std::vector<DispatchPtr>& Dependencies() const { return FDependencies; }

  std::string FStageName;
  std::string FStageCaption;
  std::string FStageDescription;
  std::string FBasePath;
  // Not counted: a category owns its children, and clears their parent when it goes, so a
  // parent and its children do not keep each other alive.
  IDispatch* FParent = nullptr;
  std::vector<DispatchPtr> FDependencies;
  bool FRunning = false;
  bool FCancelled = false;
  TFlowRunResult FLastResult = eFlowRun_DidNotRun;
  TProcessFlowState FFlowState = eFlowState_Missing;
  std::string FProjectPath;

 private:
  TFlowRunResult RunEntry(const DispatchPtr& runner, bool force, bool wholeStage, bool all);
};

// A stage with children, kept so that a stage comes after the stages it depends on.
class TProcessFlowCategory : public TMorvelAbstractProcessFlow {
 public:
  TProcessFlowCategory(std::string name, std::string caption, std::string description,
                       std::string inputDesc, std::string outputDesc);
  ~TProcessFlowCategory() override;

  std::string InputDescription() override { return FInputDesc; }
  std::string OutputDescription() override { return FOutputDesc; }
  bool CanRun() override { return !FChildren.empty(); }
  bool IsCategory() override { return true; }
  void Stop() override;
  bool UpdateFlowState() override;
  bool IsRunning() override;
  DispatchPtr RunningStage() override;
  void ClearLastRunResult() override;
  void ProjectChanged(const std::string& projectPath) override;
  void SetBasePath(const std::string& path) override;
  int32_t GetChildStageCount() override { return static_cast<int32_t>(FChildren.size()); }
  DispatchPtr GetChildStage(int32_t index) override;
  void ClearChildren() override;
  void AddChildStage(DispatchPtr stage) override;
  TFlowRunResult RunThisStage(DispatchPtr runner, bool all, bool wholeStage, bool force) override;
  void ResetRunning() override;
  bool ThisStage_OutputExists() override;
  DateTime ThisStage_DateTimeUpdated() override;
  void BeforeStart() override;

  // Some runnable child has the stage among its direct dependencies.
  bool IsNeededBySibling(const DispatchPtr& stage);

 protected:
  std::vector<DispatchPtr> FChildren;
  std::string FInputDesc;
  std::string FOutputDesc;
};

// A leaf stage: its work is Execute.
class TProcessFlowStage : public TMorvelAbstractProcessFlow {
 public:
  using TMorvelAbstractProcessFlow::TMorvelAbstractProcessFlow;

  bool CanRun() override { return true; }
  bool IsCategory() override { return false; }
  bool UpdateFlowState() override;
  int32_t GetChildStageCount() override { return 0; }
  DispatchPtr GetChildStage(int32_t index) override;
  void ClearChildren() override {}
  void AddChildStage(DispatchPtr /*stage*/) override {}
  TFlowRunResult RunThisStage(DispatchPtr runner, bool all, bool wholeStage, bool force) override {
    (void)all, (void)wholeStage, (void)force;
    return Execute(runner);
  }

  virtual TFlowRunResult Execute(const DispatchPtr& runner) = 0;
  virtual DispatchPtr Driver() { return nullptr; }
  virtual std::string VendorToolVersion() { return {}; }
  // The tool's script lines and command-line pieces; the base makes none and is read-only.
  virtual bool BuildCommandLines(std::vector<std::string>* cmd, std::vector<std::string>* scr,
                                 bool& readOnly, bool replaceMacros);
};

// A leaf stage of a driver's flow; the driver owns the flow, so the driver is not counted.
class TFlowStage_WithDriver : public TProcessFlowStage {
 public:
  TFlowStage_WithDriver(IDispatch* driver, std::string name, std::string caption,
                        std::string description)
      : TProcessFlowStage(std::move(name), std::move(caption), std::move(description)),
        FDriver(driver) {}

  DispatchPtr Driver() override { return DispatchPtr(FDriver); }
  std::string VendorToolVersion() override;

 protected:
  IDispatch* FDriver;
};

// "Latest" of two date-times where 0 means none: a real time always wins over none.
double LatestDateTime(double running, double candidate);
// The current date and time as an automation date.
double NowDateTime();

}  // namespace morvel
