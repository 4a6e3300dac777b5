// The driver base's host-facing services against a simulated host: the device picture, the
// constraint-file search, the debug control register sequences and the window attachment.
#include <gtest/gtest.h>

#include "core/MorvelDriver.h"
#include "hosted/HostFixture.h"
#include "sdk/Bitmap.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace morvel::testing {
namespace {

namespace drv = dispid::driver;

// A driver whose library folder, names and programming are the test's to choose.
class TTestDriver : public TMorvelDriver {
 public:
  TTestDriver() : TMorvelDriver(".EDN") {}
  std::string GetFolder_Library() override { return library; }
  std::string GetFamilyName() override { return "Stratix5"; }
  std::string GetDeviceName() override { return "5SGXEA7N2F45C2N"; }
  std::string GetBaseName() override { return "5SGXEA7N2"; }
  bool ResetDevice() override { return resetAnswer; }
  int32_t ProgramDevice(const std::string& file) override {
    programmed.push_back(file);
    return 8;
  }
  TDeviceState GetDeviceState() override { return eDeviceState_Programmed; }

  std::string library;
  bool resetAnswer = false;
  std::vector<std::string> programmed;
};

TBitmap Solid(int32_t w, int32_t h, uint32_t colour) {
  TBitmap b;
  b.Width = w;
  b.Height = h;
  b.Pixels.assign(static_cast<size_t>(w) * h, colour);
  return b;
}

class DriverServices : public HostFixture {
 protected:
  TTestDriver driver;
};

TEST_F(DriverServices, PictureIsTheGenericOneWithTheFamilyPictureCentred) {
  driver.library = (dir.Path() / "Library").string() + "/";
  // No generic picture yet: no picture, and a later call tries again.
  EXPECT_EQ(driver.GetBitmapHandle(), 0u);
  dir.Write("System/Generic_Hard_Device.bmp", "not a bitmap");
  EXPECT_EQ(driver.GetBitmapHandle(), 0u);

  ASSERT_TRUE(Solid(9, 7, 0x00FF00).Save((dir.Path() / "System/Generic_Hard_Device.bmp").string()));
  std::filesystem::create_directories(dir.Path() / "Library/DeviceImages");
  ASSERT_TRUE(
      Solid(4, 4, 0x0000FF).Save((dir.Path() / "Library/DeviceImages/Stratix5.bmp").string()));
  const uint32_t handle = driver.GetBitmapHandle();
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(driver.GetBitmapHandle(), handle) << "the picture is built once";
  const auto picture = TBitmap::FromHandle(handle);
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->Width, 9);
  // Offsets (9-4)/2 = 2 and (7-4)/2 = 1.
  auto at = [&](int x, int y) { return picture->Pixels[static_cast<size_t>(y) * 9 + x]; };
  EXPECT_EQ(at(1, 1), 0x00FF00u);
  EXPECT_EQ(at(2, 1), 0x0000FFu);
  EXPECT_EQ(at(5, 4), 0x0000FFu);
  EXPECT_EQ(at(6, 4), 0x00FF00u);
  EXPECT_EQ(at(2, 5), 0x00FF00u);
}

TEST_F(DriverServices, ConstraintFileSearchOrder) {
  EXPECT_EQ(driver.GetEmbeddedConstraintFile(), "") << "nothing anywhere";
  // The host's installation Library/Embedded folder, then its application folder.
  const auto family = dir.Write("Library/Embedded/Stratix5.Constraint", "f");
  EXPECT_EQ(driver.GetEmbeddedConstraintFile(), family.string());
  const auto base = dir.Write("5SGXEA7N2.Constraint", "b");
  EXPECT_EQ(driver.GetEmbeddedConstraintFile(), base.string()) << "the base name comes first";
  const auto device = dir.Write("Library/Embedded/5SGXEA7N2F45C2N.Constraint", "d");
  EXPECT_EQ(driver.GetEmbeddedConstraintFile(), device.string());
  const auto custom = dir.Write("custom/board.Constraint", "c");
  driver.SetEmbeddedConstraintFile(custom.string());
  EXPECT_EQ(driver.GetEmbeddedConstraintFile(), custom.string());
  driver.SetEmbeddedConstraintFile("missing.Constraint");
  EXPECT_EQ(driver.GetEmbeddedConstraintFile(), device.string())
      << "a custom name not found falls back to the candidates";
}

struct RegisterRun {
  std::vector<host::RegisterAccess> trace;
  bool answer = false;
};

class DebugRegister : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    device = host->AttachDevice(0, DispatchPtr(driver.AsDispatch()));
  }
  std::vector<uint32_t> Writes() const {
    std::vector<uint32_t> writes;
    for (const auto& a : device->Trace)
      if (a.Write) writes.push_back(a.Value);
    return writes;
  }
  TTestDriver driver;
  ComPtr<host::THostDevice> device;
};

TEST_F(DebugRegister, RunStepsZeroNeverSteps) {
  device->Registers[0x40] = 0xFF;
  Call(driver.AsDispatch(), drv::RunSteps, 0);
  const auto writes = Writes();
  ASSERT_EQ(writes.size(), 2u) << "the pause, then one write with request and enable";
  for (uint32_t w : writes) EXPECT_EQ(w & 0x02u, 0u) << "DebugStep is never written";
  EXPECT_EQ(writes[1] & 0x14u, 0x14u);
  EXPECT_EQ(writes[1] & 0x20u, 0u) << "Reset cleared";
  for (const auto& a : device->Trace) {
    EXPECT_EQ(a.Address, 0x40);
    EXPECT_EQ(a.Width, 8);
  }
  device->Trace.clear();
  Call(driver.AsDispatch(), drv::RunSteps, 3);
  const auto steps = Writes();
  ASSERT_EQ(steps.size(), 5u);
  for (size_t i = 2; i < 5; ++i) EXPECT_EQ(steps[i] & 0x02u, 0x02u);
}

TEST_F(DebugRegister, ProcessorIsRunningReadsResetThenPause) {
  struct Case {
    uint32_t reg;
    bool running;
    size_t reads;
  } cases[] = {
      {0x00, true, 2}, {0x20, false, 1}, {0x18, false, 2}, {0x10, true, 2}, {0x08, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reg);
    device->Registers[0x40] = c.reg;
    device->Trace.clear();
    EXPECT_EQ(Call(driver.AsDispatch(), drv::ProcessorIsRunning).AsBool(), c.running);
    EXPECT_EQ(device->Trace.size(), c.reads);
    EXPECT_TRUE(Writes().empty());
  }
}

TEST_F(DebugRegister, SequencesKeepTheBitsTheyDoNotName) {
  device->Registers[0x40] = 0x40;  // bit 6 has no property
  Call(driver.AsDispatch(), drv::ContinueProcessor);
  const auto writes = Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0], 0x54u) << "bit 6 kept, DebugEnable and DebugRequest set";
  EXPECT_EQ(writes[1], 0x50u) << "then DebugRequest cleared";
  device->Trace.clear();
  Call(driver.AsDispatch(), drv::ResetProcessor);
  const auto reset = Writes();
  ASSERT_EQ(reset.size(), 3u);
  EXPECT_EQ(reset[1] & 0x20u, 0x20u);
  EXPECT_EQ(reset[2] & 0x20u, 0u);
}

TEST_F(DebugRegister, EpmDownloadProgramsOnlyAfterASuccessfulReset) {
  EXPECT_FALSE(Call(driver.AsDispatch(), drv::EPM_Download, "a", "top.rbf", "c").AsBool());
  EXPECT_TRUE(driver.programmed.empty());
  driver.resetAnswer = true;
  EXPECT_TRUE(Call(driver.AsDispatch(), drv::EPM_Download, "a", "top.rbf", "c").AsBool());
  ASSERT_EQ(driver.programmed.size(), 1u);
  EXPECT_EQ(driver.programmed[0], "top.rbf");
}

TEST_F(DebugRegister, TheDriverBelongsToTheHostWindowAndKeepsItsDevice) {
  TTestDriver fresh;
  EXPECT_EQ(ApplicationHandle(), 0x00010042);
  EXPECT_EQ(Call(driver.AsDispatch(), drv::GetMorvelDevice).AsObject().Get(), device->AsDispatch());
  EXPECT_TRUE(Call(driver.AsDispatch(), drv::SetMorvelDevice, Variant()).AsBool());
  EXPECT_FALSE(Call(driver.AsDispatch(), drv::GetMorvelDevice).AsObject());
  EXPECT_FALSE(Call(driver.AsDispatch(), drv::GetRackViewer).AsObject());
}

}  // namespace
}  // namespace morvel::testing
