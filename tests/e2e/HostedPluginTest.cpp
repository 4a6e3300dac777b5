// The real plug-in file loaded by the simulated host from its staged installation, spoken to
// only through Invoke: the answers that depend on the host.
#include <gtest/gtest.h>

#include "core/HostApp.h"
#include "sdk/Bitmap.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"

namespace morvel {
namespace {

namespace info = dispid::info;
namespace drv = dispid::driver;

std::filesystem::path StageFolder() {
  return std::filesystem::path(MORVEL_PLUGIN_FILE).parent_path().parent_path().parent_path();
}

class HostedPlugin : public ::testing::Test {
 protected:
  host::HostApp app{host::HostApp::Options{StageFolder(), true, false, {}}};
};

TEST_F(HostedPlugin, TheVendorComesFromThePluginFolderConfiguration) {
  const DispatchPtr driver = app.ResolveDevice("0").second;
  EXPECT_EQ(Call(driver, info::GetVendorName).AsText(), "Altera");
  EXPECT_EQ(Call(driver, info::GetDeviceDescription).AsText(), "Altera Stratix5 5SEE9F45C2N");
}

TEST_F(HostedPlugin, ThePictureHandleIsReadableByTheHost) {
  const DispatchPtr driver = app.ResolveDevice("539").second;
  const auto handle = static_cast<HBITMAP>(Call(driver, drv::GetBitmapHandle).AsUInt());
  ASSERT_NE(handle, 0u);
  const auto picture = TBitmap::FromHandle(handle);
  ASSERT_TRUE(picture);
  const auto generic = TBitmap::Load((StageFolder() / "System/Generic_Hard_Device.bmp").string());
  ASSERT_TRUE(generic);
  EXPECT_EQ(picture->Width, generic->Width);
  EXPECT_NE(picture->Pixels, generic->Pixels) << "the family picture is drawn on it";
}

TEST_F(HostedPlugin, AttachedDevicesAnswerTheDebugRegisterAndTheHostDeviceCallsTheDriver) {
  const DispatchPtr driver = app.ResolveDevice("0").second;
  auto device = app.AttachDevice(0, driver);
  EXPECT_TRUE(Call(driver, drv::ProcessorIsRunning).AsBool());
  EXPECT_EQ(device->Trace.size(), 2u);
  EXPECT_EQ(Call(device->AsDispatch(), dispid::device::GetDeviceName).AsText(), "5SEE9F45C2N");
  // No chain yet: the driver answers as without a channel.
  EXPECT_FALSE(Call(device->AsDispatch(), dispid::device::ResetDevice).AsBool());
}

}  // namespace
}  // namespace morvel
