// The host utilities against a simulated host: progress commands, dialogs, processes,
// module lookup and path helpers.
#include <gtest/gtest.h>

#include "hosted/HostFixture.h"
#include "sdk/HostDispIds.h"
#include "sdk/HostUtil.h"

namespace morvel::testing {
namespace {

using HostUtil = HostFixture;

int CountSteps(const host::HostState& s) {
  int n = 0;
  for (const auto& c : s.ProgressCommands) n += c.Pane == dispid::progress::Step ? 1 : 0;
  return n;
}

TEST_F(HostUtil, ProgressSendsOneStepCommandPerPercent) {
  struct Case {
    int64_t total;
    std::vector<int> stepsAfterEachStep;  // step commands sent by the n-th ProgressStep
  } cases[] = {
      {50, {2, 2, 2}},
      {200, {0, 1, 1, 0, 0, 1}},  // 0.5 rounds to 0, 1.5 to 2, 2.5 to 2
      {0, {100, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.total);
    State().ProgressCommands.clear();
    ProgressBegin("Programming Device Via JTAG...", c.total);
    ASSERT_EQ(State().ProgressCommands.size(), 2u);
    EXPECT_EQ(State().ProgressCommands[0].Pane, dispid::progress::Reset);
    EXPECT_EQ(State().ProgressCommands[1].Pane, dispid::progress::Caption);
    EXPECT_EQ(State().ProgressCommands[1].Text, "Programming Device Via JTAG...");
    int before = 0;
    for (int expected : c.stepsAfterEachStep) {
      ProgressStep();
      EXPECT_EQ(CountSteps(State()) - before, expected);
      before = CountSteps(State());
    }
    ProgressEnd();
    EXPECT_EQ(State().ProgressCommands[State().ProgressCommands.size() - 2].Pane,
              dispid::progress::Finish);
    EXPECT_EQ(State().ProgressCommands.back().Pane, dispid::progress::End);
    EXPECT_EQ(ProgressDepth(), 0u);
  }
}

TEST_F(HostUtil, ProgressNeverSendsMoreThanOneHundredSteps) {
  ProgressBegin("x", 10);
  for (int i = 0; i < 25; ++i) ProgressStep();
  ProgressEnd();
  EXPECT_EQ(CountSteps(State()), 100);
  ProgressStep();  // no state on the stack: nothing happens
  ProgressEnd();
  EXPECT_EQ(CountSteps(State()), 100);
}

TEST_F(HostUtil, ProgressStackChangesWithoutAHost) {
  StopHost();
  SetHostClientForTesting(nullptr);
  ProgressBegin("x", 3);
  ProgressBegin("y", 3);
  EXPECT_EQ(ProgressDepth(), 2u);
  ProgressStep();
  ProgressEnd();
  ProgressEnd();
  EXPECT_EQ(ProgressDepth(), 0u);
  StartHost();
}

TEST_F(HostUtil, DialogsAreModalWithDefaultCaptions) {
  EXPECT_EQ(ShowError("Unable To Reset Device:"), dispid::dialog::ResultOk);
  ShowWarning("careful");
  ShowInformation("done", "Custom");
  ASSERT_EQ(State().Dialogs.size(), 3u);
  EXPECT_EQ(State().Dialogs[0].Caption, "Error");
  EXPECT_EQ(State().Dialogs[0].Type, dispid::dialog::Error);
  EXPECT_EQ(State().Dialogs[1].Caption, "Warning");
  EXPECT_EQ(State().Dialogs[2].Caption, "Custom");
  EXPECT_EQ(State().Dialogs[2].Type, dispid::dialog::Information);
}

TEST_F(HostUtil, RunProcessPassesTheParameterStringBothWays) {
  State().ProcessActions["FPGAFlow:DeviceAction"] = [](std::string& params, const DispatchPtr&) {
    params += "|Handled=True";
  };
  std::string params = "Target=HardDevice|Action=ResetDevice|Index=1";
  RunProcess("FPGAFlow:DeviceAction", params);
  EXPECT_EQ(params, "Target=HardDevice|Action=ResetDevice|Index=1|Handled=True");
  ASSERT_EQ(State().Processes.size(), 1u);
  EXPECT_EQ(State().Processes[0].Name, "FPGAFlow:DeviceAction");

  StopHost();
  SetHostClientForTesting(nullptr);
  std::string untouched = "A=1";
  RunProcess("FPGAFlow:DeviceAction", untouched);
  EXPECT_EQ(untouched, "A=1");
  StartHost();
}

TEST_F(HostUtil, ModuleLookupUsesLoadedModulesBeforeTheDisk) {
  // The automation runtime is loaded by this process; no file of that name is in System/.
  EXPECT_NE(FindModule("libmorvel-automation.so"), nullptr);
  EXPECT_NE(FindModule("LIBMORVEL-AUTOMATION.SO"), nullptr);
  EXPECT_EQ(FindModule("MorvelManager.dll"), nullptr);
  EXPECT_EQ(HostDeviceManager(), nullptr) << "a missing module is an absent service";
}

TEST_F(HostUtil, PathRules) {
  EXPECT_TRUE(IsRelativePath("Library/Embedded/a.Constraint"));
  EXPECT_FALSE(IsRelativePath("C:\\Altera\\file"));
  EXPECT_FALSE(IsRelativePath("\\\\server\\share\\file"));
  EXPECT_FALSE(IsRelativePath("/usr/share/file"));
  EXPECT_EQ(IncludeTrailingChar("", '\\'), "\\");
  EXPECT_EQ(IncludeTrailingChar("a\\", '\\'), "a\\");
  EXPECT_EQ(IncludeTrailingChar("a", '\\'), "a\\");
  EXPECT_EQ(HostSystemFolder(), (dir.Path() / "System").string() + "/");
}

}  // namespace
}  // namespace morvel::testing
