// The process-flow framework: run entries and flags, dependencies, categories with their
// children order and forcing rules, Stop, flow states, errors, and the reporting operations.
#include <gtest/gtest.h>

#include <functional>

#include "flow/ProcessFlow.h"
#include "hosted/HostFixture.h"
#include "sdk/FlowDispIds.h"
#include "sdk/HostCall.h"

namespace morvel::testing {
namespace {

namespace fl = dispid::flow;

// A leaf stage whose output, time and work the test decides.
class TTestStage : public TProcessFlowStage {
 public:
  explicit TTestStage(const std::string& name) : TProcessFlowStage(name, "&" + name, name) {}
  std::string InputDescription() override { return StageName() + ".in"; }
  std::string OutputDescription() override { return StageName() + ".out"; }
  bool ThisStage_OutputExists() override { return outputExists; }
  DateTime ThisStage_DateTimeUpdated() override { return DateTime{outputExists ? time : 0}; }
  TFlowRunResult Execute(const DispatchPtr& /*runner*/) override {
    ++executed;
    if (work) return work(*this);
    return result;
  }
  void Report(const std::string& text) { ReportError(text, 0, "WorkspaceManager:View", "A=1"); }
  void Line(const std::string& text) { OutputLine(text); }
  void SetState(TProcessFlowState state) { FFlowState = state; }

  bool outputExists = true;
  double time = 100;
  TFlowRunResult result = eFlowRun_Success;
  std::function<TFlowRunResult(TTestStage&)> work;
  int executed = 0;
};

class ProcessFlow : public HostFixture {
 protected:
  void SetUp() override {
    StartHost(/*loadModules=*/true);
    runner = host::MakeHostObject<host::THostFlowRunner>(host->State());
  }

  ComPtr<TTestStage> Stage(const std::string& name) {
    return ComPtr<TTestStage>(new TTestStage(name));
  }
  ComPtr<TProcessFlowCategory> Category(const std::string& name) {
    return ComPtr<TProcessFlowCategory>(new TProcessFlowCategory(name, name, name, "in", "out"));
  }
  template <class T>
  static DispatchPtr D(const ComPtr<T>& p) {
    if constexpr (std::is_same_v<T, IDispatch>)
      return p;
    else
      return DispatchPtr(p->AsDispatch());
  }
  TFlowRunResult Run(const auto& flow, DISPID entry) {
    return static_cast<TFlowRunResult>(Call(D(flow), entry, D(runner)).AsInt());
  }
  std::vector<std::string> Started() const {
    std::vector<std::string> names;
    for (const auto& e : host->Data().FlowEvents)
      if (e.What == host::FlowEvent::StageStarted) names.push_back(e.Stage);
    return names;
  }

  ComPtr<host::THostFlowRunner> runner;
};

TEST_F(ProcessFlow, AnUpToDateStageIsSkippedUnlessForced) {
  auto root = Category("Build");
  auto dep = Stage("Dep");
  auto stage = Stage("Stage");
  stage->AddDependency(D(dep));
  root->AddChildStage(D(dep));
  root->AddChildStage(D(stage));
  stage->SetState(eFlowState_UpToDate);
  dep->SetState(eFlowState_OutOfDate);

  EXPECT_EQ(Run(stage, fl::RunIfOutOfDate), eFlowRun_Success);
  EXPECT_EQ(stage->executed, 0);
  EXPECT_EQ(dep->executed, 0) << "its dependencies are not even looked at";
  EXPECT_TRUE(Started().empty());
  EXPECT_EQ(root->LastRunResult(), eFlowRun_Success) << "the result goes up to the root";
  ASSERT_EQ(host->Data().FlowEvents.size(), 2u);
  EXPECT_EQ(host->Data().FlowEvents.front().What, host::FlowEvent::RunStarted);
  EXPECT_EQ(host->Data().FlowEvents.back().What, host::FlowEvent::RunFinished);

  // Run forces the stage, not its dependencies: those run when out of date.
  dep->SetState(eFlowState_UpToDate);
  EXPECT_EQ(Run(stage, fl::Run), eFlowRun_Success);
  EXPECT_EQ(stage->executed, 1);
  EXPECT_EQ(dep->executed, 0);
  dep->SetState(eFlowState_OutOfDate);
  EXPECT_EQ(Run(stage, fl::Run), eFlowRun_Success);
  EXPECT_EQ(dep->executed, 1);
  // RunAll runs the dependencies as well.
  dep->SetState(eFlowState_UpToDate);
  EXPECT_EQ(Run(stage, fl::RunAll), eFlowRun_Success);
  EXPECT_EQ(dep->executed, 2);
  EXPECT_EQ(Started(), (std::vector<std::string>{"Stage", "Dep", "Stage", "Dep", "Stage"}));
}

TEST_F(ProcessFlow, AStageWithoutDependenciesRunsItsParentsFirst) {
  auto root = Category("Download");
  auto build = Stage("Build");
  auto stage = Stage("Program");
  root->AddDependency(D(build));
  root->AddChildStage(D(stage));
  EXPECT_EQ(Run(stage, fl::Run), eFlowRun_Success);
  EXPECT_EQ(build->executed, 1);
  EXPECT_EQ(Started(), (std::vector<std::string>{"Build", "Program"}));
}

TEST_F(ProcessFlow, AFailingDependencyStopsTheRun) {
  auto a = Stage("A");
  auto b = Stage("B");
  auto c = Stage("C");
  c->AddDependency(D(a));
  c->AddDependency(D(b));
  a->result = eFlowRun_Failure;
  EXPECT_EQ(Run(c, fl::RunAll), eFlowRun_Failure);
  EXPECT_EQ(b->executed, 0);
  EXPECT_EQ(c->executed, 0);
  EXPECT_EQ(c->LastRunResult(), eFlowRun_Failure);
  EXPECT_EQ(b->LastRunResult(), eFlowRun_DidNotRun);
}

TEST_F(ProcessFlow, StopBetweenStagesAndTheNextRunClearsIt) {
  auto root = Category("Build");
  auto a = Stage("A");
  auto b = Stage("B");
  b->AddDependency(D(a));
  root->AddChildStage(D(a));
  root->AddChildStage(D(b));
  a->work = [&](TTestStage&) {
    Call(D(root), fl::Stop);  // the user presses Stop while A works
    return eFlowRun_Success;
  };
  EXPECT_EQ(Run(root, fl::RunAll), eFlowRun_Success);
  EXPECT_EQ(b->executed, 0) << "no stage starts after Stop";
  EXPECT_EQ(b->LastRunResult(), eFlowRun_DidNotRun);
  a->work = nullptr;
  EXPECT_EQ(Run(root, fl::RunAll), eFlowRun_Success);
  EXPECT_EQ(b->executed, 1);
}

TEST_F(ProcessFlow, ACategoryForcesOnlyChildrenNoRunnableSiblingNeeds) {
  auto root = Category("Build");
  auto a = Stage("A");
  auto b = Stage("B");
  b->AddDependency(D(a));
  root->AddChildStage(D(b));
  root->AddChildStage(D(a));
  EXPECT_EQ(D(root->GetChildStage(0)).Get(), D(a).Get()) << "A comes before the stage needing it";
  a->SetState(eFlowState_UpToDate);
  b->SetState(eFlowState_UpToDate);
  EXPECT_TRUE(root->IsNeededBySibling(D(a)));
  EXPECT_EQ(Run(root, fl::Run), eFlowRun_Success);
  EXPECT_EQ(a->executed, 0) << "up to date and needed by B: not forced";
  EXPECT_EQ(b->executed, 1);
  EXPECT_EQ(Run(root, fl::RunWholeStage), eFlowRun_Success);
  EXPECT_EQ(a->executed, 1);
}

TEST_F(ProcessFlow, ChildrenOrderByBinarySearch) {
  auto root = Category("Build");
  auto a = Stage("A");
  auto b = Stage("B");
  auto c = Stage("C");
  b->AddDependency(D(a));
  root->AddChildStage(D(a));
  root->AddChildStage(D(b));
  root->AddChildStage(D(c));  // unrelated: the search moves left on equality
  std::vector<std::string> order;
  for (int32_t i = 0; i < root->GetChildStageCount(); ++i)
    order.push_back(Call(root->GetChildStage(i), fl::StageName).AsText());
  EXPECT_EQ(order, (std::vector<std::string>{"C", "A", "B"}));
  EXPECT_EQ(D(a->GetParentStage()).Get(), D(root).Get());
  root->ClearChildren();
  EXPECT_FALSE(a->GetParentStage());
}

TEST_F(ProcessFlow, AnEmptyCategoryCannotRunButRunsToSuccess) {
  auto root = Category("Empty");
  EXPECT_FALSE(Call(D(root), fl::CanRun).AsBool());
  EXPECT_EQ(Run(root, fl::Run), eFlowRun_Success);
}

TEST_F(ProcessFlow, FlowStatesOfStagesAndCategories) {
  auto root = Category("Build");
  auto a = Stage("A");
  auto b = Stage("B");
  b->AddDependency(D(a));
  root->AddChildStage(D(a));
  root->AddChildStage(D(b));
  b->outputExists = false;
  EXPECT_TRUE(Call(D(root), fl::UpdateFlowState).AsBool());
  EXPECT_EQ(b->FlowState(), eFlowState_Missing);
  EXPECT_EQ(root->FlowState(), eFlowState_Missing);
  b->outputExists = true;
  b->time = 50;  // older than A's output
  root->UpdateFlowState();
  EXPECT_EQ(b->FlowState(), eFlowState_OutOfDate);
  EXPECT_EQ(root->FlowState(), eFlowState_OutOfDate);
  b->time = 100;
  root->UpdateFlowState();
  EXPECT_EQ(b->FlowState(), eFlowState_UpToDate);
  EXPECT_EQ(root->FlowState(), eFlowState_UpToDate);
  EXPECT_FALSE(root->UpdateFlowState()) << "nothing changed";
  // A dependency still running counts as new as now.
  a->work = [&](TTestStage&) {
    b->UpdateFlowState();
    return eFlowRun_Success;
  };
  Run(a, fl::Run);
  EXPECT_EQ(b->FlowState(), eFlowState_OutOfDate);
}

TEST_F(ProcessFlow, AnErrorInTheWorkFailsTheStageAndTheRunStillFinishes) {
  auto root = Category("Build");
  auto a = Stage("A");
  root->AddChildStage(D(a));
  a->work = [](TTestStage&) -> TFlowRunResult { throw std::runtime_error("tool crashed"); };
  VARIANT result;
  Variant runnerArg = Variant::Object(runner->AsDispatch());
  DISPPARAMS params{runnerArg.Ptr(), nullptr, 1, 0};
  EXPECT_EQ(root->Invoke(fl::Run, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
            E_UNEXPECTED);
  EXPECT_EQ(a->LastRunResult(), eFlowRun_Failure);
  EXPECT_FALSE(a->IsRunning());
  EXPECT_EQ(host->Data().FlowEvents.back().What, host::FlowEvent::RunFinished);
  EXPECT_THROW(Call(D(root), fl::GetChildStage, 5), OleError);
  EXPECT_THROW(Call(D(a), fl::GetDependency, 0), OleError);
}

TEST_F(ProcessFlow, RunningStageIsTheDeepestRunningOne) {
  auto root = Category("Build");
  auto a = Stage("A");
  root->AddChildStage(D(a));
  DispatchPtr seen;
  a->work = [&](TTestStage&) {
    seen = Call(D(root), fl::RunningStage).AsObject();
    return eFlowRun_Success;
  };
  EXPECT_FALSE(Call(D(root), fl::RunningStage).AsObject());
  Run(root, fl::Run);
  EXPECT_EQ(seen.Get(), D(a).Get());
}

TEST_F(ProcessFlow, ToolTextCannotAddOrChangeMessageParameters) {
  auto a = Stage("A");
  a->Report("Error: x|CallBackProcess=Evil:Run|ImageIndex=1");
  ASSERT_EQ(State().Messages.size(), 1u);
  const auto& m = State().Messages[0];
  EXPECT_EQ(m.Class, "ProcessFlowError");
  EXPECT_EQ(m.CallBackProcess, "WorkspaceManager:View");
  EXPECT_EQ(m.ImageIndex, 73);
  EXPECT_EQ(m.Text,
            "Error: x\xC2\xA6"
            "CallBackProcess=Evil:Run\xC2\xA6ImageIndex=1");
  EXPECT_EQ(m.Source, "A");
  EXPECT_EQ(m.Document, "A.in");
  EXPECT_EQ(m.CallBackParameters, "A=1");
  a->Line("");
  EXPECT_EQ(State().OutputLines.back(), "---");
}

}  // namespace
}  // namespace morvel::testing
