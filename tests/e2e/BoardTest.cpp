// The real plug-in on a board of the simulated host, spoken to only through Invoke: device
// state, programming, reset and user code through the host's device objects and channel.
#include <gtest/gtest.h>

#include <thread>

#include "core/HostApp.h"
#include "jtag/ChainFactory.h"
#include "jtag/ConfigStream.h"
#include "jtag/RemoteBitbangServer.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "support/TempDir.h"

namespace morvel {
namespace {

namespace drv = dispid::driver;
namespace dev = dispid::device;

std::filesystem::path StageFolder() {
  return std::filesystem::path(MORVEL_PLUGIN_FILE).parent_path().parent_path().parent_path();
}

class Board : public ::testing::Test {
 protected:
  void Attach(const std::string& spec) {
    const host::DeviceCatalogue& catalogue = app.Catalogue();
    app.AttachChain(host::jtag::BuildSimulatedChain(
                        spec, [&](std::string_view n) { return catalogue.ByName(n); }),
                    "simulated chain");
  }
  std::string File(uint32_t userCode, size_t bytes = 1024) {
    std::vector<uint8_t> payload(bytes);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i);
    const auto file = dir / "design.rbf";
    host::jtag::WriteRawBitFile(file, userCode, payload);
    return file.string();
  }
  IDispatch* Device(size_t index) { return app.DeviceAt(index)->AsDispatch(); }

  host::HostApp app{host::HostApp::Options{StageFolder(), true, false, {}}};
  testing::TempDir dir;
};

TEST_F(Board, ProgramThenStateEndsProgrammedWithTheUserCode) {
  Attach("5SGXEA7N2F45C2N,5SGSMD5K2F40C2N,5SGXEA3K2F35C2N");
  for (size_t index : {0u, 2u}) {
    SCOPED_TRACE(index);
    const DispatchPtr driver = app.DeviceAt(index)->Driver();
    EXPECT_EQ(Call(Device(index), dev::GetDeviceState).AsInt(), 1);
    EXPECT_EQ(Call(driver, drv::ReadUserCode).AsInt(), -1) << "all ones before configuration";
    EXPECT_EQ(Call(Device(index), dev::ProgramDevice, File(0xC0DE0000u + index)).AsInt(),
              static_cast<int32_t>((1024 + host::jtag::kRawBitPayloadOffset) * 8));
    EXPECT_EQ(Call(Device(index), dev::GetDeviceState).AsInt(), 2);
    EXPECT_EQ(Call(driver, drv::ReadUserCode).AsUInt(), 0xC0DE0000u + index);
    EXPECT_EQ(app.Channel()->OpenCount(), 0) << "every routine closes what it opens";
  }
  EXPECT_EQ(Call(Device(1), dev::GetDeviceState).AsInt(), 1) << "the device between untouched";
  // Reset enters configuration mode: the device drops its configuration and reads ready.
  EXPECT_TRUE(Call(Device(0), dev::ResetDevice).AsBool());
  EXPECT_EQ(Call(app.DeviceAt(0)->Driver(), drv::ReadUserCode).AsInt(), -1);
  // EPM_Download is reset, program and state in one.
  EXPECT_TRUE(Call(app.DeviceAt(1)->Driver(), drv::EPM_Download, "", File(7), "").AsBool());
  EXPECT_EQ(Call(app.DeviceAt(1)->Driver(), drv::ReadUserCode).AsInt(), 7);
}

TEST_F(Board, AChannelThatFailsIsClosedAndTheProgressEnded) {
  // A remote chain whose server goes away before the routine runs.
  auto chain = host::jtag::BuildSimulatedChain(
      std::nullopt, [&](std::string_view n) { return app.Catalogue().ByName(n); });
  auto server = std::make_unique<host::jtag::RemoteBitbangServer>(*chain, 0);
  std::thread serving([&] { server->Serve(); });
  host::jtag::ChainSource source;
  source.Remote = server->Endpoint().ToString();
  source.Spec = std::string(host::jtag::kBuiltInChain);
  source.Resolve = [&](std::string_view n) { return app.Catalogue().ByName(n); };
  source.Timeout = std::chrono::milliseconds(2000);
  app.AttachChain(host::jtag::OpenChain(source), "remote");
  EXPECT_EQ(Call(Device(0), dev::GetDeviceState).AsInt(), 1) << "the remote chain answers";
  server->Stop();
  serving.join();
  server.reset();
  EXPECT_THROW(Call(Device(0), dev::ProgramDevice, File(1)), OleError);
  EXPECT_EQ(app.Channel()->OpenCount(), 0);
  EXPECT_EQ(app.Data().ProgressCommands.empty() ? dispid::progress::End
                                                : app.Data().ProgressCommands.back().Pane,
            dispid::progress::End);
  EXPECT_THROW(Call(Device(0), dev::GetDeviceState), OleError);
  EXPECT_EQ(app.Channel()->OpenCount(), 0);
}

TEST_F(Board, TheChannelAnswersTheHostsQueries) {
  Attach("5SGXEA7N2F45C2N,generic:8");
  const DispatchPtr channel = DispatchOf(app.Channel());
  EXPECT_EQ(Call(channel, dispid::jtag::GetDeviceCount).AsInt(), 2);
  const DispatchPtr generic = Call(channel, dispid::jtag::GetDevice, 1).AsObject();
  EXPECT_EQ(Call(generic, dispid::jtagdevice::GetName).AsText(), "generic");
  EXPECT_EQ(Call(generic, dispid::jtagdevice::GetInstructionLength).AsInt(), 8);
  EXPECT_THROW(Call(channel, dispid::jtag::GetDevice, 2), OleError);
  EXPECT_THROW(Call(channel, dispid::jtag::SetInstruction, 6, 5), OleError);
  EXPECT_THROW(Call(channel, dispid::jtag::GotoState, 17), OleError);
  // Mixed levels: a high-level scan, then pins, then a scan again.
  Call(channel, dispid::jtag::SetInstruction, 6, 0);
  EXPECT_EQ(Call(channel, dispid::jtag::ScanData, 0, 32, 0).AsUInt(), 0x029030DDu);
  EXPECT_EQ(Call(Device(0), dev::GetDeviceState).AsInt(), 1);
  Call(channel, dispid::jtag::SetInstruction, 6, 0);
  EXPECT_EQ(Call(channel, dispid::jtag::ScanData, 0, 32, 0).AsUInt(), 0x029030DDu);
  EXPECT_FALSE(app.DeviceAt(1)->Driver()) << "no driver serves a generic device";
}

}  // namespace
}  // namespace morvel
