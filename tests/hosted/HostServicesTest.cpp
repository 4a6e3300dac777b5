// The simulated host's own services as a plug-in meets them: timers fired from the event
// loop, notifications, the device manager in System/, projects and option storage.
#include <gtest/gtest.h>

#include <thread>

#include "hosted/HostFixture.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/Objects.h"

namespace morvel::testing {
namespace {

// A handler the host calls back: records timer events and notifications.
class TRecordingHandler : public TAbstractSupportService {
 public:
  void HandleTimerEvent(int32_t id) { timers.push_back(id); }
  void HandleNotification(int32_t kind) { notifications.push_back(kind); }
  static const DispatchTable& Table() {
    using C = TRecordingHandler;
    static constexpr auto kEntries =
        DispatchEntries(MORVEL_DISP(dispid::handler::HandleTimerEvent, C, HandleTimerEvent),
                        MORVEL_DISP(dispid::handler::HandleNotification, C, HandleNotification));
    static const DispatchTable table(kEntries, {"TimerHandler", "NotificationHandler"}, nullptr);
    return table;
  }
  const DispatchTable& GetDispatchTable() const override { return Table(); }
  std::vector<int32_t> timers;
  std::vector<int32_t> notifications;
};

using HostServices = HostFixture;

TEST_F(HostServices, TimersFireFromTheEventLoopWhileEnabled) {
  ComPtr<TRecordingHandler> handler(new TRecordingHandler);
  const DispatchPtr timers = Call(host->Client(), dispid::client::GetTimerManager).AsObject();
  const int32_t on = Call(timers, dispid::timer::AddTimer, handler->AsDispatch(), 1, true).AsInt();
  const int32_t off =
      Call(timers, dispid::timer::AddTimer, handler->AsDispatch(), 1, false).AsInt();
  EXPECT_NE(on, off);
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  host->ProcessMessages();
  EXPECT_EQ(handler->timers, std::vector<int32_t>{on});
  Call(timers, dispid::timer::EnableTimer, on, false);
  Call(timers, dispid::timer::EnableTimer, off, true);
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  host->ProcessMessages();
  EXPECT_EQ(handler->timers, (std::vector<int32_t>{on, off}));
  Call(timers, dispid::timer::RemoveTimer, off);
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  host->ProcessMessages();
  EXPECT_EQ(handler->timers.size(), 2u);
  EXPECT_THROW(Call(timers, dispid::timer::AddTimer, Variant(), 5, true), OleError);
}

TEST_F(HostServices, NotificationsReachRegisteredHandlersOnly) {
  ComPtr<TRecordingHandler> handler(new TRecordingHandler);
  Call(host->Client(), dispid::client::RegisterNotificationHandler, handler->AsDispatch());
  host->Notify(Variant::Int(7));
  Call(host->Client(), dispid::client::UnregisterNotificationHandler, handler->AsDispatch());
  host->Notify(Variant::Int(8));
  EXPECT_EQ(handler->notifications, std::vector<int32_t>{7});
}

TEST_F(HostServices, ProjectsDocumentsAndOptionStorage) {
  auto project = host->Workspace()->AddProject(dir / "counter.PrjFpg");
  project->AddDocument(dir / "counter.vhd");
  const DispatchPtr workspace = host::DispatchOf(host->Workspace());
  const DispatchPtr found =
      Call(workspace, dispid::workspace::GetProjectByPath, (dir / "counter.PrjFpg").string())
          .AsObject();
  ASSERT_TRUE(found);
  EXPECT_EQ(Call(found, dispid::project::GetDocumentCount).AsInt(), 1);
  Call(found, dispid::options::Write, "Fit DesignQuartus_Fit", "Effort", "High");
  EXPECT_EQ(Call(found, dispid::options::Read, "fit designquartus_fit", "EFFORT", "x").AsText(),
            "High");
  Call(found, dispid::options::Remove, "Fit DesignQuartus_Fit", "Effort");
  EXPECT_EQ(Call(found, dispid::options::Read, "Fit DesignQuartus_Fit", "Effort", "x").AsText(),
            "x");
  EXPECT_FALSE(
      Call(workspace, dispid::workspace::GetProjectByPath, "/elsewhere.PrjFpg").AsObject());
  Call(workspace, dispid::workspace::OutputLine, "hello", false, false);
  EXPECT_EQ(State().OutputLines.back(), "hello");
}

TEST_F(HostServices, MessagesFromParameterStrings) {
  const DispatchPtr messages =
      Call(host::DispatchOf(host->Workspace()), dispid::workspace::GetMessagesManager).AsObject();
  Call(messages, dispid::messages::AddMessageFromParameters,
       "Class=ProcessFlowInfo|Text=Running|Source=Fit|ImageIndex=71", "ShowInOutput=3");
  Call(messages, dispid::messages::AddMessageFromParameters,
       "Class=ProcessFlowInfo|Text=Done|ReplaceLastMessageIfSameClass=True", "");
  ASSERT_EQ(State().Messages.size(), 1u);
  EXPECT_EQ(State().Messages[0].Text, "Done");
  Call(messages, dispid::messages::AddMessage, "ProcessFlowError", "Error: x", "", "", "", "", 73);
  EXPECT_EQ(State().Messages.size(), 2u);
  EXPECT_EQ(State().Messages[1].ImageIndex, 73);
}

// The staged installation: MorvelManager.dll waits in System/ until a plug-in looks for it.
class StagedHost : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<host::HostApp>(host::HostApp::Options{
        std::filesystem::path(MORVEL_HOST_EXE).parent_path(), true, false, {}});
    SetHostClientForTesting(host->Client());
  }
  void TearDown() override {
    ResetHostCaches();
    host.reset();
  }
  std::unique_ptr<host::HostApp> host;
};

TEST_F(StagedHost, TheDeviceManagerIsFoundInSystemWithItsFamilies) {
  ASSERT_TRUE(HostWorkspace()) << "the workspace module is loaded at start-up";
  const DispatchPtr devices = HostDeviceManager();
  ASSERT_TRUE(devices);
  const DispatchPtr family = Call(devices, dispid::devices::GetDeviceFamily, "Stratix5").AsObject();
  ASSERT_TRUE(family);
  EXPECT_TRUE(Call(family, dispid::family::HasParameter, "ND_ActiveDisengage").AsBool());
  EXPECT_FALSE(Call(family, dispid::family::GetParameter, "ND_ActiveDisengage").AsBool());
  EXPECT_EQ(Call(family, dispid::family::GetParameter, "ND_ProgramBitsToIgnore").AsInt(), 0);
  EXPECT_FALSE(Call(devices, dispid::devices::GetDeviceFamily, "NoSuchFamily").AsObject());
}

}  // namespace
}  // namespace morvel::testing
