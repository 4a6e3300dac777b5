// The process-flow framework: run entries, the run protocol between stages, flow states,
// children order and the reporting operations.
#include "flow/ProcessFlow.h"

#include <chrono>

#include "sdk/FlowDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/HostUtil.h"
#include "sdk/Strings.h"

namespace morvel {

namespace fl = dispid::flow;
namespace fi = dispid::flowinternal;

namespace {

// Typed calls on another stage through its dispatch interface.
TFlowRunResult ResultOf(const Variant& v) {
  return static_cast<TFlowRunResult>(v.AsInt());
}
TFlowRunResult LastRunResultOf(const DispatchPtr& stage) {
  return ResultOf(Call(stage, fl::LastRunResult));
}
std::vector<DispatchPtr> DependenciesOf(const DispatchPtr& stage) {
  std::vector<DispatchPtr> list;
  const int32_t count = Call(stage, fl::GetDependenciesCount).AsInt();
  for (int32_t i = 0; i < count; ++i) list.push_back(Call(stage, fl::GetDependency, i).AsObject());
  return list;
}

// X depends on Y when Y is among X's dependencies or theirs, followed recursively.
bool DependsOn(const DispatchPtr& x, const DispatchPtr& y, int depth = 0) {
  if (depth > 64) return false;  // a cycle in the dependencies is no dependency
  for (const DispatchPtr& d : DependenciesOf(x))
    if (d.Get() == y.Get() || DependsOn(d, y, depth + 1)) return true;
  return false;
}

int32_t Compare(const DispatchPtr& existing, const DispatchPtr& added) {
  if (DependsOn(existing, added)) return 1;
  if (DependsOn(added, existing)) return -1;
  return 0;
}

// Texts go into a parameter string that has no quoting: a bar would start a new parameter,
// so it becomes a broken bar, which reads the same.
std::string ParameterValue(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '|')
      out += "\xC2\xA6";
    else
      out += c;
  }
  return out;
}

}  // namespace

double NowDateTime() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const double seconds = std::chrono::duration<double>(now).count();
  return seconds / 86400.0 + 25569.0;  // days since 1899-12-30
}

double LatestDateTime(double running, double candidate) {
  return running != 0 && (candidate == 0 || running >= candidate) ? running : candidate;
}

// ---- dispatch tables

const DispatchTable& TAbstractProcessFlow::Table() {
  using C = TAbstractProcessFlow;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(fl::StageName, C, StageName), MORVEL_DISP(fl::StageCaption, C, StageCaption),
      MORVEL_DISP(fl::StageDescription, C, StageDescription),
      MORVEL_DISP(fl::InputDescription, C, InputDescription),
      MORVEL_DISP(fl::OutputDescription, C, OutputDescription), MORVEL_DISP(fl::CanRun, C, CanRun),
      MORVEL_DISP(fl::IsCategory, C, IsCategory), MORVEL_DISP(fl::Run, C, Run),
      MORVEL_DISP(fl::RunIfOutOfDate, C, RunIfOutOfDate), MORVEL_DISP(fl::RunAll, C, RunAll),
      MORVEL_DISP(fl::RunWholeStage, C, RunWholeStage), MORVEL_DISP(fl::Stop, C, Stop),
      MORVEL_DISP(fl::UpdateFlowState, C, UpdateFlowState),
      MORVEL_DISP(fl::FlowState, C, FlowState), MORVEL_DISP(fl::IsRunning, C, IsRunning),
      MORVEL_DISP(fl::RunningStage, C, RunningStage),
      MORVEL_DISP(fl::LastRunResult, C, LastRunResult),
      MORVEL_DISP(fl::ClearLastRunResult, C, ClearLastRunResult),
      MORVEL_DISP(fl::ProjectChanged, C, ProjectChanged),
      MORVEL_DISP(fl::SetBasePath, C, SetBasePath), MORVEL_DISP(fl::GetBasePath, C, GetBasePath),
      MORVEL_DISP(fl::CanEditProperties, C, CanEditProperties),
      MORVEL_DISP(fl::EditProperties, C, EditProperties),
      MORVEL_DISP(fl::ReportCount, C, ReportCount), MORVEL_DISP(fl::ReportPath, C, ReportPath),
      MORVEL_DISP(fl::GetParentStage, C, GetParentStage),
      MORVEL_DISP(fl::SetParentStage, C, SetParentStage),
      MORVEL_DISP(fl::GetChildStageCount, C, GetChildStageCount),
      MORVEL_DISP(fl::GetChildStage, C, GetChildStage),
      MORVEL_DISP(fl::ClearChildren, C, ClearChildren),
      MORVEL_DISP(fl::AddChildStage, C, AddChildStage),
      MORVEL_DISP(fl::GetDependenciesCount, C, GetDependenciesCount),
      MORVEL_DISP(fl::GetDependency, C, GetDependency),
      MORVEL_DISP(fl::ClearDependencies, C, ClearDependencies),
      MORVEL_DISP(fl::AddDependency, C, AddDependency));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"ProcessFlow"}, nullptr);
  return table;
}

const DispatchTable& TMorvelAbstractProcessFlow::Table() {
  using C = TMorvelAbstractProcessFlow;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(fi::RunStage, C, RunStage), MORVEL_DISP(fi::PrepareRun, C, PrepareRun),
      MORVEL_DISP(fi::FinishRun, C, FinishRun),
      MORVEL_DISP(fi::ClearRunResults, C, ClearRunResults),
      MORVEL_DISP(fi::ResetRunning, C, ResetRunning),
      MORVEL_DISP(fi::SetLastRunResult, C, SetLastRunResult),
      MORVEL_DISP(fi::ThisStage_OutputExists, C, ThisStage_OutputExists),
      MORVEL_DISP(fi::ThisStage_DateTimeUpdated, C, ThisStage_DateTimeUpdated),
      MORVEL_DISP(fi::RunDependencies, C, RunDependencies),
      MORVEL_DISP(fi::DependencyOutputsExist, C, DependencyOutputsExist),
      MORVEL_DISP(fi::DependencyOutputsDateTime, C, DependencyOutputsDateTime),
      MORVEL_DISP(fi::DependenciesUpToDate, C, DependenciesUpToDate),
      MORVEL_DISP(fi::BeforeStart, C, BeforeStart));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries,
                                   {"ProcessFlow_Internal", "ProcessFlow_CustomEventsOnly"},
                                   &TAbstractProcessFlow::Table());
  return table;
}

// ---- the common flow object

TMorvelAbstractProcessFlow::TMorvelAbstractProcessFlow(std::string name, std::string caption,
                                                       std::string description)
    : FStageName(std::move(name)),
      FStageCaption(std::move(caption)),
      FStageDescription(std::move(description)) {}

TMorvelAbstractProcessFlow::~TMorvelAbstractProcessFlow() = default;

TFlowRunResult TMorvelAbstractProcessFlow::RunEntry(const DispatchPtr& runner, bool force,
                                                    bool wholeStage, bool all) {
  if (runner) Call(runner, dispid::runner::RunStarted);
  TFlowRunResult result = eFlowRun_DidNotRun;
  try {
    PrepareRun();
    result = RunStage(force, wholeStage, all, runner);
  } catch (...) {
    // The closing steps run also after an error; the running stage ends with Failure.
    try {
      FinishRun();
      if (runner) Call(runner, dispid::runner::RunFinished);
    } catch (...) {
    }
    throw;
  }
  FinishRun();
  if (runner) Call(runner, dispid::runner::RunFinished);
  return result;
}

void TMorvelAbstractProcessFlow::PrepareRun() {
  if (FParent != nullptr)
    Call(FParent, fi::PrepareRun);
  else
    ClearRunResults();
}

void TMorvelAbstractProcessFlow::FinishRun() {
  if (FParent != nullptr)
    Call(FParent, fi::FinishRun);
  else
    ResetRunning();
}

void TMorvelAbstractProcessFlow::ResetRunning() {
  if (FRunning) FLastResult = eFlowRun_Failure;
  FRunning = false;
}

void TMorvelAbstractProcessFlow::ClearLastRunResult() {
  FCancelled = false;
  FLastResult = eFlowRun_DidNotRun;
}

void TMorvelAbstractProcessFlow::SetLastRunResult(int32_t result) {
  FLastResult = static_cast<TFlowRunResult>(result);
  if (FParent != nullptr) Call(FParent, fi::SetLastRunResult, result);
}

TFlowRunResult TMorvelAbstractProcessFlow::RunStage(bool force, bool wholeStage, bool all,
                                                    DispatchPtr runner) {
  TFlowRunResult result = eFlowRun_Success;
  if (force || wholeStage || all || FFlowState != eFlowState_UpToDate) {
    result = RunDependencies(all, runner);
    if (result == eFlowRun_Success) {
      if (FCancelled) {
        result = eFlowRun_Cancelled;
      } else {
        // An error in the work leaves the flag set: ResetRunning turns it into Failure.
        FRunning = true;
        if (runner) Call(runner, dispid::runner::StageStarted, Self());
        result = RunThisStage(runner, all, wholeStage, force);
        FRunning = false;
      }
    }
  }
  FLastResult = result;
  if (FParent != nullptr) Call(FParent, fi::SetLastRunResult, static_cast<int32_t>(result));
  return result;
}

TFlowRunResult TMorvelAbstractProcessFlow::RunDependencies(bool all, DispatchPtr runner) {
  if (FDependencies.empty()) {
    if (FParent == nullptr) return eFlowRun_Success;
    return ResultOf(Call(FParent, fi::RunDependencies, all, runner));
  }
  TFlowRunResult result = eFlowRun_Success;
  while (result == eFlowRun_Success && !FCancelled) {
    DispatchPtr next;
    for (const DispatchPtr& d : FDependencies)
      if (LastRunResultOf(d) == eFlowRun_DidNotRun) {
        next = d;
        break;
      }
    if (!next) break;
    result = ResultOf(Call(next, fi::RunStage, false, all, all, runner));
  }
  return result;
}

bool TMorvelAbstractProcessFlow::DependenciesUpToDate() {
  if (FDependencies.empty())
    return FParent == nullptr || Call(FParent, fi::DependenciesUpToDate).AsBool();
  for (const DispatchPtr& d : FDependencies)
    if (static_cast<TProcessFlowState>(Call(d, fl::FlowState).AsInt()) != eFlowState_UpToDate)
      return false;
  return true;
}

bool TMorvelAbstractProcessFlow::DependencyOutputsExist() {
  if (FDependencies.empty())
    return FParent == nullptr || Call(FParent, fi::DependencyOutputsExist).AsBool();
  for (const DispatchPtr& d : FDependencies)
    if (!Call(d, fi::ThisStage_OutputExists).AsBool()) return false;
  return true;
}

DateTime TMorvelAbstractProcessFlow::DependencyOutputsDateTime() {
  if (FDependencies.empty()) {
    if (FParent == nullptr) return DateTime{0};
    return DateTime{Call(FParent, fi::DependencyOutputsDateTime).AsReal()};
  }
  if (!DependencyOutputsExist()) return DateTime{0};
  double latest = 0;
  for (const DispatchPtr& d : FDependencies) {
    // A dependency still running is as new as now.
    const double t = Call(d, fl::IsRunning).AsBool()
                         ? NowDateTime()
                         : Call(d, fi::ThisStage_DateTimeUpdated).AsReal();
    latest = LatestDateTime(latest, t);
  }
  return DateTime{latest};
}

DispatchPtr TMorvelAbstractProcessFlow::RunningStage() {
  return IsRunning() ? Self() : nullptr;
}

DispatchPtr TMorvelAbstractProcessFlow::GetDependency(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= FDependencies.size())
    throw OleError(DISP_E_BADINDEX,
                   "Dependency index " + std::to_string(index) + " is out of range");
  return FDependencies[static_cast<size_t>(index)];
}

void TMorvelAbstractProcessFlow::AddDependency(DispatchPtr stage) {
  if (!stage) throw OleError(E_POINTER, "A dependency must be a stage");
  FDependencies.push_back(std::move(stage));
}

DispatchPtr TMorvelAbstractProcessFlow::GetProject() {
  DispatchPtr workspace = HostWorkspace();
  if (!workspace) return nullptr;
  return Call(workspace, dispid::workspace::GetProjectByPath, FProjectPath).AsObject();
}

// ---- reporting

void TMorvelAbstractProcessFlow::OutputLine(const std::string& text) {
  DispatchPtr workspace = HostWorkspace();
  if (!workspace) return;
  Call(workspace, dispid::workspace::OutputLine, text.empty() ? std::string("---") : text, false,
       false);
}

void TMorvelAbstractProcessFlow::OutputSeparator() {
  OutputLine("---------------------");
}

void TMorvelAbstractProcessFlow::AddFlowMessage(const std::string& text,
                                                const std::string& messageClass, int32_t mode,
                                                const std::string& callBackProcess,
                                                const std::string& callBackParameters,
                                                int32_t imageIndex) {
  DispatchPtr workspace = HostWorkspace();
  if (!workspace) return;
  std::string parameters =
      "Class=" + ParameterValue(messageClass) + "|Text=" + ParameterValue(text) +
      "|Source=" + ParameterValue(StageName()) + "|Document=" + ParameterValue(InputDescription()) +
      "|CallBackProcess=" + ParameterValue(callBackProcess) +
      "|ImageIndex=" + std::to_string(imageIndex);
  if (mode == 1) parameters += "|ReplaceLastMessageIfSameClass=True";
  if (mode == 2) parameters += "|ReplaceLastMessageOfSameClass=True";
  DispatchPtr messages = Call(workspace, dispid::workspace::GetMessagesManager).AsObject();
  if (messages)
    Call(messages, dispid::messages::AddMessageFromParameters, parameters, callBackParameters);
}

void TMorvelAbstractProcessFlow::ReportError(const std::string& text, int32_t mode,
                                             const std::string& callBackProcess,
                                             const std::string& callBackParameters) {
  OutputLine(text);
  if (!text.empty())
    AddFlowMessage(text, "ProcessFlowError", mode, callBackProcess, callBackParameters, 73);
}

void TMorvelAbstractProcessFlow::ReportWarning(const std::string& text, int32_t mode,
                                               const std::string& callBackProcess,
                                               const std::string& callBackParameters) {
  OutputLine(text);
  if (!text.empty())
    AddFlowMessage(text, "ProcessFlowWarning", mode, callBackProcess, callBackParameters, 72);
}

void TMorvelAbstractProcessFlow::ReportInfo(const std::string& text, int32_t mode,
                                            const std::string& callBackProcess,
                                            const std::string& callBackParameters) {
  OutputLine(text);
  if (!text.empty())
    AddFlowMessage(text, "ProcessFlowInfo", mode, callBackProcess, callBackParameters, 71);
  SetStatusBarText(2, text);
}

void TMorvelAbstractProcessFlow::ReportProgress(const std::string& text, int32_t mode,
                                                const std::string& callBackProcess,
                                                const std::string& callBackParameters) {
  OutputLine(text);
  if (!text.empty())
    AddFlowMessage(text, "ProcessFlowProgress", mode, callBackProcess, callBackParameters, 71);
  SetStatusBarText(2, text);
}

// ---- category

TProcessFlowCategory::TProcessFlowCategory(std::string name, std::string caption,
                                           std::string description, std::string inputDesc,
                                           std::string outputDesc)
    : TMorvelAbstractProcessFlow(std::move(name), std::move(caption), std::move(description)),
      FInputDesc(std::move(inputDesc)),
      FOutputDesc(std::move(outputDesc)) {}

TProcessFlowCategory::~TProcessFlowCategory() {
  try {
    ClearChildren();
  } catch (...) {
    // A child that cannot be told still goes with the list.
  }
}

void TProcessFlowCategory::Stop() {
  FCancelled = true;
  for (const DispatchPtr& child : FChildren) Call(child, fl::Stop);
}

bool TProcessFlowCategory::IsRunning() {
  if (FRunning) return true;
  for (const DispatchPtr& child : FChildren)
    if (Call(child, fl::IsRunning).AsBool()) return true;
  return false;
}

DispatchPtr TProcessFlowCategory::RunningStage() {
  if (!IsRunning()) return nullptr;
  if (FChildren.empty()) return Self();
  DispatchPtr last;
  for (const DispatchPtr& child : FChildren)
    if (Call(child, fl::IsRunning).AsBool()) last = Call(child, fl::RunningStage).AsObject();
  return last;
}

void TProcessFlowCategory::ClearLastRunResult() {
  TMorvelAbstractProcessFlow::ClearLastRunResult();
  for (const DispatchPtr& child : FChildren) Call(child, fl::ClearLastRunResult);
}

void TProcessFlowCategory::ProjectChanged(const std::string& projectPath) {
  TMorvelAbstractProcessFlow::ProjectChanged(projectPath);
  for (const DispatchPtr& child : FChildren) Call(child, fl::ProjectChanged, projectPath);
}

void TProcessFlowCategory::SetBasePath(const std::string& path) {
  TMorvelAbstractProcessFlow::SetBasePath(path);
  for (const DispatchPtr& child : FChildren) Call(child, fl::SetBasePath, path);
}

DispatchPtr TProcessFlowCategory::GetChildStage(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= FChildren.size())
    throw OleError(DISP_E_BADINDEX,
                   "Child stage index " + std::to_string(index) + " is out of range");
  return FChildren[static_cast<size_t>(index)];
}

void TProcessFlowCategory::ClearChildren() {
  std::vector<DispatchPtr> children;
  children.swap(FChildren);
  for (const DispatchPtr& child : children) Call(child, fl::SetParentStage, Variant());
}

void TProcessFlowCategory::AddChildStage(DispatchPtr stage) {
  if (!stage) throw OleError(E_POINTER, "A child must be a stage");
  // Binary search: an equal element does not stop it, so a stage unrelated to the others
  // goes before them.
  int32_t low = 0;
  int32_t high = static_cast<int32_t>(FChildren.size()) - 1;
  while (low <= high) {
    const int32_t mid = (low + high) / 2;
    if (Compare(FChildren[static_cast<size_t>(mid)], stage) < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  FChildren.insert(FChildren.begin() + low, stage);
  Call(stage, fl::SetParentStage, Self());
}

bool TProcessFlowCategory::IsNeededBySibling(const DispatchPtr& stage) {
  for (const DispatchPtr& child : FChildren) {
    if (!Call(child, fl::CanRun).AsBool()) continue;
    for (const DispatchPtr& d : DependenciesOf(child))
      if (d.Get() == stage.Get()) return true;
  }
  return false;
}

TFlowRunResult TProcessFlowCategory::RunThisStage(DispatchPtr runner, bool all, bool wholeStage,
                                                  bool force) {
  TFlowRunResult result = eFlowRun_Success;
  while (result == eFlowRun_Success && !FCancelled) {
    DispatchPtr next;
    for (const DispatchPtr& child : FChildren)
      if (LastRunResultOf(child) == eFlowRun_DidNotRun) {
        next = child;
        break;
      }
    if (!next) break;
    const bool forceChild = force && !IsNeededBySibling(next);
    result = ResultOf(Call(next, fi::RunStage, forceChild, wholeStage, all, runner));
  }
  return result;
}

void TProcessFlowCategory::ResetRunning() {
  TMorvelAbstractProcessFlow::ResetRunning();
  for (const DispatchPtr& child : FChildren) Call(child, fi::ResetRunning);
}

bool TProcessFlowCategory::ThisStage_OutputExists() {
  for (const DispatchPtr& child : FChildren)
    if (!Call(child, fi::ThisStage_OutputExists).AsBool()) return false;
  return true;
}

DateTime TProcessFlowCategory::ThisStage_DateTimeUpdated() {
  if (FChildren.empty()) return DependencyOutputsDateTime();
  double latest = 0;
  for (const DispatchPtr& child : FChildren)
    latest = LatestDateTime(latest, Call(child, fi::ThisStage_DateTimeUpdated).AsReal());
  return DateTime{latest};
}

void TProcessFlowCategory::BeforeStart() {
  for (const DispatchPtr& child : FChildren)
    if (morvel::SupportsService(child.Get(), "ProcessFlow_CustomEventsOnly"))
      Call(child, fi::BeforeStart);
}

bool TProcessFlowCategory::UpdateFlowState() {
  const TProcessFlowState before = FFlowState;
  bool changed = false;
  for (const DispatchPtr& child : FChildren)
    if (Call(child, fl::UpdateFlowState).AsBool()) changed = true;
  bool upToDate = true;
  bool missing = false;
  for (const DispatchPtr& child : FChildren) {
    if (IsNeededBySibling(child)) continue;
    const auto state = static_cast<TProcessFlowState>(Call(child, fl::FlowState).AsInt());
    if (state == eFlowState_UpToDate || state == eFlowState_None) continue;
    upToDate = false;
    missing = state == eFlowState_Missing;
    break;
  }
  if (upToDate && DependenciesUpToDate())
    FFlowState = eFlowState_UpToDate;
  else
    FFlowState = missing ? eFlowState_Missing : eFlowState_OutOfDate;
  return changed || FFlowState != before;
}

// ---- leaf stage

bool TProcessFlowStage::UpdateFlowState() {
  const TProcessFlowState before = FFlowState;
  if (!ThisStage_OutputExists())
    FFlowState = eFlowState_Missing;
  else if (!DependenciesUpToDate() || !DependencyOutputsExist())
    FFlowState = eFlowState_OutOfDate;
  else if (ThisStage_DateTimeUpdated().Value < DependencyOutputsDateTime().Value)
    FFlowState = eFlowState_OutOfDate;
  else
    FFlowState = eFlowState_UpToDate;
  return FFlowState != before;
}

DispatchPtr TProcessFlowStage::GetChildStage(int32_t index) {
  throw OleError(DISP_E_BADINDEX, "A stage has no child " + std::to_string(index));
}

bool TProcessFlowStage::BuildCommandLines(std::vector<std::string>* /*cmd*/,
                                          std::vector<std::string>* /*scr*/, bool& readOnly,
                                          bool /*replaceMacros*/) {
  readOnly = true;
  return false;
}

}  // namespace morvel
