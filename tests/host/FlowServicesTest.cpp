// The host services a build flow and a download stage reach: the synthesis service, the
// file-open dialog answered from the command line's choice, the device's answers forwarded to
// its driver, and the panels' hooks that let the command line follow a run.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/HostApp.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "support/TempDir.h"

namespace morvel::testing {
namespace {

// A driver with only the device answers that the host device passes on.
class TFakeDriver : public TAbstractSupportService {
 public:
  std::string Name() { return "5SGXEA7N2F45C2N"; }
  std::string Description() { return "Altera Stratix5 5SGXEA7N2F45C2N"; }
  std::string Vendor() { return "Altera"; }
  std::string Extensions() { return "RBF"; }
  static const DispatchTable& Table() {
    using C = TFakeDriver;
    static constexpr auto kEntries =
        DispatchEntries(MORVEL_DISP(dispid::info::GetDeviceName, C, Name),
                        MORVEL_DISP(dispid::info::GetDeviceDescription, C, Description),
                        MORVEL_DISP(dispid::info::GetVendorName, C, Vendor),
                        MORVEL_DISP(dispid::info::GetDownloadFileExtensions, C, Extensions));
    static const DispatchTable table(kEntries, {"MorvelDriver"}, nullptr);
    return table;
  }
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

class FlowServices : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "System");
    host = std::make_unique<host::HostApp>(host::HostApp::Options{dir.Path(), false, false, {}});
  }
  host::HostState& State() { return host->Data(); }
  DispatchPtr Gui() { return Call(host->Client(), dispid::client::GetGUIManager).AsObject(); }

  TempDir dir;
  std::unique_ptr<host::HostApp> host;
};

TEST_F(FlowServices, SynthesizerAnswersWhatTheProjectFileChose) {
  int folder = 0;
  for (const char* synthesizer : {"Altera Quartus II", "Morvel VHDL Synthesizer", ""}) {
    SCOPED_TRACE(synthesizer);
    const auto file = dir.Write(
        "p" + std::to_string(++folder) + "/Top.PrjFpg",
        std::string("[Project]\nSynthesizer=") + synthesizer + "\nOutputPath=Output/top.edf\n");
    host->Workspace()->OpenProject(file);
    // The plug-in finds the project through the workspace, and asks the module's object.
    const DispatchPtr found =
        Call(host->Workspace()->AsDispatch(), dispid::workspace::GetProjectByPath, file.string())
            .AsObject();
    const DispatchPtr service = host->ModuleObject("GetEditVHDLSynthesizer");
    ASSERT_TRUE(service);
    EXPECT_EQ(Call(service, dispid::synthesizer::GetProjectSynthesizer, found).AsText(),
              synthesizer);
  }
  EXPECT_THROW(Call(host->ModuleObject("GetEditVHDLSynthesizer"),
                    dispid::synthesizer::GetProjectSynthesizer, Variant()),
               OleError)
      << "no project is an error, not an answer";
}

TEST_F(FlowServices, FileOpenDialogAnswersTheChoiceOrCancels) {
  std::vector<host::DialogRecord> shown;
  State().OnDialog = [&](const host::DialogRecord& d) { shown.push_back(d); };
  const std::string filter = "RBF files (*.rbf)|*.RBF|All files (*.*)|*.*";
  EXPECT_EQ(Call(Gui(), dispid::gui::FileOpenDialog, "Choose", filter, 1, "").AsText(), "");
  State().ChosenFile = "/tmp/top.rbf";
  EXPECT_EQ(Call(Gui(), dispid::gui::FileOpenDialog, "Choose again", filter, 2, "x.rbf").AsText(),
            "/tmp/top.rbf");
  ASSERT_EQ(State().Dialogs.size(), 2u);
  ASSERT_EQ(shown.size(), 2u) << "every request is shown as it happens";
  const host::DialogRecord& cancelled = State().Dialogs[0];
  EXPECT_EQ(cancelled.Type, host::kFileOpenDialog);
  EXPECT_EQ(cancelled.Caption, "Choose");
  EXPECT_EQ(cancelled.Filter, filter);
  EXPECT_EQ(cancelled.FilterIndex, 1);
  EXPECT_EQ(cancelled.Answer, "");
  EXPECT_NE(cancelled.Text.find("cancelled"), std::string::npos) << cancelled.Text;
  EXPECT_EQ(State().Dialogs[1].FilterIndex, 2);
  EXPECT_EQ(State().Dialogs[1].Answer, "/tmp/top.rbf");
  EXPECT_EQ(State().Dialogs[1].Text, "open file, filter 2 of \"" + filter + "\" -> /tmp/top.rbf");
}

TEST_F(FlowServices, DeviceAnswersComeFromItsDriver) {
  ComPtr<TFakeDriver> driver(new TFakeDriver);
  const auto device =
      host::MakeHostObject<host::THostDevice>(host->State(), 0, DispatchPtr(driver->AsDispatch()));
  const auto none = host::MakeHostObject<host::THostDevice>(host->State(), 1, nullptr);
  const struct {
    DISPID id;
    const char* answer;
  } cases[] = {{dispid::info::GetDeviceName, "5SGXEA7N2F45C2N"},
               {dispid::device::GetDeviceName, "5SGXEA7N2F45C2N"},
               {dispid::info::GetDeviceDescription, "Altera Stratix5 5SGXEA7N2F45C2N"},
               {dispid::info::GetVendorName, "Altera"},
               {dispid::info::GetDownloadFileExtensions, "RBF"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(Call(device->AsDispatch(), c.id).AsText(), c.answer);
    EXPECT_EQ(Call(none->AsDispatch(), c.id).AsText(), "") << "without a driver";
  }
}

TEST_F(FlowServices, PanelsTellTheirHooksAsTextArrives) {
  std::vector<std::string> seen;
  State().OnOutputLine = [&](const std::string& line) { seen.push_back("line " + line); };
  State().OnMessage = [&](const host::MessageRecord& m) { seen.push_back(m.Class + " " + m.Text); };
  int idle = 0;
  State().OnIdle = [&] { ++idle; };
  const DispatchPtr workspace(host->Workspace()->AsDispatch());
  const DispatchPtr messages = Call(workspace, dispid::workspace::GetMessagesManager).AsObject();
  Call(workspace, dispid::workspace::OutputLine, "Error: no top level", false, false);
  Call(messages, dispid::messages::AddMessageFromParameters,
       "Class=ProcessFlowError|Text=Error: no top level|ImageIndex=73", "");
  Call(messages, dispid::messages::AddMessage, "ProcessFlowInfo", "Downloading via JTAG", "", "",
       "", "", 71);
  // A message that replaces the one before is still news to the terminal.
  Call(messages, dispid::messages::AddMessageFromParameters,
       "Class=ProcessFlowInfo|Text=50%|ReplaceLastMessageIfSameClass=True", "");
  host->ProcessMessages();
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "line Error: no top level", "ProcessFlowError Error: no top level",
                      "ProcessFlowInfo Downloading via JTAG", "ProcessFlowInfo 50%"}));
  EXPECT_EQ(State().Messages.size(), 2u);
  EXPECT_EQ(idle, 1);
}

}  // namespace
}  // namespace morvel::testing
