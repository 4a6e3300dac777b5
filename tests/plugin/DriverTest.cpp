// The driver base through its dispatch interface: defaults, argument passing, the feature
// query, lifetime rules and the answers without a host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/MorvelDriver.h"
#include "driver/Device_Stratix5_Driver.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace morvel {
namespace {

namespace info = dispid::info;
namespace drv = dispid::driver;

// Records what the dispatch layer passes to two operations that take arguments.
class TRecordingDriver : public TMorvelDriver {
 public:
  TRecordingDriver() : TMorvelDriver(".EDN") {}
  DispatchPtr GetDevicePin(int32_t index) override {
    pinIndex = index;
    return nullptr;
  }
  bool SetProcessorRegisterValue(int32_t index, int64_t value) override {
    regIndex = index;
    regValue = value;
    return true;
  }
  int32_t pinIndex = -100;
  int32_t regIndex = -100;
  int64_t regValue = -100;
};

TEST(DriverBase, AnswersEveryDefaultThroughInvoke) {
  TMorvelDriver driver(".EDN");
  IDispatch* d = driver.AsDispatch();
  struct TextCase {
    DISPID id;
    const char* expected;
  } texts[] = {
      {info::GetDeviceName, "Generic Morvel Device"},
      {info::GetDeviceDescription, "Generic Morvel Device"},
      {info::GetDeviceDisplayName, "Generic Morvel Device"},
      {info::GetFamilyName, ""},
      {info::GetPackageTypeId, "Generic"},
      {info::GetPackageTypeName, "Generic"},
      {info::GetPackageTypeDescription, "Un-Classified Packages"},
      {info::GetPackageDimensions, "? x ? mm"},
      {info::GetVendorName, ""},
      {info::GetDownloadFileExtensions, ""},
      {drv::CoreGen_OutputExtension, ".EDN"},
      {drv::VendorToolsDescriptor, ""},
      {drv::GetEmbeddedConstraintFile, ""},
  };
  for (const TextCase& c : texts) {
    SCOPED_TRACE(c.id);
    const Variant v = Call(d, c.id);
    EXPECT_EQ(v.Type(), VT_BSTR);
    EXPECT_EQ(v.AsText(), c.expected);
  }
  struct IntCase {
    DISPID id;
    int32_t expected;
  } ints[] = {
      {info::GetIdCode, 0},
      {info::GetEquivalentGatesForBase, -1},
      {info::GetMaxIOForBase, -1},
      {info::GetInstructionLength, 4},
      {info::GetDevicePinCount, 0},
      {info::GetDeviceIOCount, -1},
      {info::GetDSPMultiplierCount, -1},
      {info::GetConfigMemorySize, -1},
      {info::GetDiffPairCount, -1},
      {info::GetIOStandardCount, 0},
      {drv::GetProcessorRegisterCount, 0},
      {drv::GetRegisterIndex_PC, -1},
      {drv::GetSoftBreakpointAddressByteAlign, 1},
      {drv::GetMemorySpaceCount, 0},
      {drv::GetMemorySpace_Program, -1},
      {drv::GetDeviceState, 0},
      {drv::ReadUserCode, -1},
      {drv::GetBitmapHandle, 0},
  };
  for (const IntCase& c : ints) {
    SCOPED_TRACE(c.id);
    const Variant v = Call(d, c.id);
    EXPECT_EQ(v.Type(), VT_I4);
    EXPECT_EQ(v.Ptr()->lVal, c.expected);
  }
  struct BoolCase {
    DISPID id;
    bool expected;
  } bools[] = {
      {info::GetTerminationSupport, false},
      {drv::Finalize, false},
      {drv::RunDiagnostic, true},
      {drv::LittleEndian, false},
      {drv::ResetDevice, false},
      {drv::Flash_Reset, false},
      {drv::Flash_ResetForBitStream, false},
      {drv::ShowConfiguration, true},
      {drv::InvalidateResources, false},
      {drv::EPM_InititateTest, false},
      // No host, so no vendor name: an unknown vendor needs no tools.
      {drv::VendorToolsPresent, true},
      {drv::VendorToolsUpToDate, true},
      {drv::ProcessorIsUsingReducedInstructionSet, false},
  };
  for (const BoolCase& c : bools) {
    SCOPED_TRACE(c.id);
    const Variant v = Call(d, c.id);
    EXPECT_EQ(v.Type(), VT_BOOL);
    EXPECT_EQ(v.AsBool(), c.expected);
  }
  EXPECT_EQ(Call(d, drv::GetMemorySpaceKind, 0).Ptr()->lVal, 0);
  EXPECT_EQ(Call(d, drv::GetMemorySpaceBytesPerUnit, 3).Ptr()->lVal, 1);
  EXPECT_EQ(Call(d, drv::GetMemorySpaceLength, 0).Type(), VT_I8);
  EXPECT_EQ(Call(d, drv::EPM_GetTestResult, 5).AsInt(), -1);
  EXPECT_TRUE(Call(d, drv::InitDownload, 1).AsBool());
  EXPECT_EQ(Call(d, info::GetDeviceParameter, "ProcessorDeviceName").AsText(), "");
  EXPECT_FALSE(Call(d, drv::FlowStage_Build).AsObject());
  EXPECT_FALSE(Call(d, drv::GetMorvelDevice).AsObject());
  EXPECT_FALSE(Call(d, info::GetBSDLEntity).AsObject());
  EXPECT_EQ(Call(d, drv::GetFolder_Library)
                .AsText()
                .substr(Call(d, drv::GetFolder_Library).AsText().size() - 8),
            "Library/");
}

TEST(DriverBase, ArgumentsReachTheOperationInDeclaredOrder) {
  TRecordingDriver driver;
  Call(driver.AsDispatch(), info::GetDevicePin, 3);
  EXPECT_EQ(driver.pinIndex, 3);
  // The array holds 7 first, then 2.
  VARIANT args[2]{};
  args[0].vt = VT_I4;
  args[0].lVal = 7;
  args[1].vt = VT_I4;
  args[1].lVal = 2;
  DISPPARAMS params{args, nullptr, 2, 0};
  VARIANT result;
  ASSERT_EQ(driver.Invoke(drv::SetProcessorRegisterValue, IID_NULL, 0, DISPATCH_METHOD, &params,
                          &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(driver.regIndex, 2);
  EXPECT_EQ(driver.regValue, 7);
}

TEST(DriverBase, RegistersWithoutRegistersAnswerEmptyWithoutTraffic) {
  TMorvelDriver driver(".EDN");
  IDispatch* d = driver.AsDispatch();
  EXPECT_EQ(Call(d, drv::GetProcessorRegisterValue, 0).AsInt(), 0);
  EXPECT_FALSE(Call(d, drv::SetProcessorRegisterValue, 0, int64_t{1}).AsBool());
  EXPECT_EQ(Call(d, drv::GetProcessorRegisterWideValue, 0).AsText(), "0");
  EXPECT_FALSE(Call(d, drv::SetProcessorRegisterWideValue, 0, "1").AsBool());
  EXPECT_EQ(Call(d, drv::GetProcessorRegisterValue, -1).AsInt(), 0);
}

TEST(DriverBase, FeatureQuery) {
  stratix5::TDevice_Stratix5Driver driver(static_cast<stratix5::TDeviceKind>(0));
  struct Case {
    const char* feature;
    bool expected;
  } cases[] = {
      {"FPGA", true},
      {"fpga", true},
      {"CPLD", false},
      {"PROM", false},
      {"PROC", false},
      {"SPROC", false},
      {"GPROC", false},
      {"Action=PauseProcessor", false},
      {"Target=HardDevice|Action=ResetDevice|Index=1", true},
      {"ResetDevice", true},
      {"resetdevice", true},
      {"CompileProgram", false},
      {"ProcessorMenu", false},
      {"Flash_DownloadDevice", false},
      {"WriteToFlash", true},
      {"VerifyProgram", false},
      {"Action=ResetDevice|ToolchainName=GCC", false},
      {"Action=ResetDevice|ToolchainName= ", true},
      {"SomethingElse", true},
      {"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.feature);
    EXPECT_EQ(Call(driver.AsDispatch(), drv::Supports, c.feature).AsBool(), c.expected);
  }
}

TEST(DriverBase, DebugSequencesFailWithoutAHostDevice) {
  TMorvelDriver driver(".EDN");
  const DISPID sequences[] = {drv::PauseProcessor,     drv::ContinueProcessor,
                              drv::ResetProcessor,     drv::SingleStepProcessor,
                              drv::ProcessorIsRunning, drv::ProcessorIsPaused,
                              drv::ProcessorIsReset,   drv::RunSingleStepInSubstitutionRegister};
  for (DISPID id : sequences) {
    SCOPED_TRACE(id);
    VARIANT result;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(driver.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
              E_UNEXPECTED);
  }
  // Channel operations check for a channel first and do nothing.
  EXPECT_NO_THROW(Call(driver.AsDispatch(), drv::ResetMorvelRegisters));
}

TEST(DriverBase, CustomActionStateClearsFirstAndThirdFlagsOnly) {
  TMorvelDriver driver(".EDN");
  VARIANT_BOOL f1 = VARIANT_TRUE, f2 = VARIANT_TRUE, f3 = VARIANT_TRUE;
  Variant extra1 = Variant::Text("keep"), extra2 = Variant::Int(9);
  auto byref = [](VARIANT_BOOL* p) {
    VARIANT v{};
    v.vt = VT_BYREF | VT_BOOL;
    v.pboolVal = p;
    return v;
  };
  VARIANT args[6] = {*extra2.Ptr(), *extra1.Ptr(), byref(&f3), byref(&f2), byref(&f1), {}};
  args[5].vt = VT_I4;
  args[5].lVal = 4;
  DISPPARAMS params{args, nullptr, 6, 0};
  VARIANT result;
  ASSERT_EQ(driver.Invoke(drv::CustomAction_GetState, IID_NULL, 0, DISPATCH_METHOD, &params,
                          &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(f1, VARIANT_FALSE);
  EXPECT_EQ(f2, VARIANT_TRUE);
  EXPECT_EQ(f3, VARIANT_FALSE);
  EXPECT_EQ(extra1.AsText(), "keep");
  EXPECT_EQ(extra2.AsInt(), 9);
}

TEST(DriverBase, DriversDoNotCountReferences) {
  stratix5::TDevice_Stratix5Driver driver(static_cast<stratix5::TDeviceKind>(5));
  IDispatch* d = driver.AsDispatch();
  EXPECT_EQ(d->AddRef(), static_cast<ULONG>(-1));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(d->Release(), static_cast<ULONG>(-1));
  EXPECT_EQ(Call(d, info::GetDeviceName).AsText(), driver.GetDeviceName());
  void* p = nullptr;
  ASSERT_EQ(d->QueryInterface(IID_IDeviceMemoryAccess, &p), S_OK);
  int32_t r = 5;
  EXPECT_EQ(static_cast<IDeviceMemoryAccess*>(p)->MemoryRead(1, 2, 3, 4, 5, &r), S_OK);
  EXPECT_EQ(r, 0);
  ASSERT_EQ(d->QueryInterface(IID_ISupportService, &p), S_OK);
  ASSERT_EQ(d->QueryInterface(IID_IUnknown, &p), S_OK);
  EXPECT_EQ(p, static_cast<void*>(d));
  const IID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(d->QueryInterface(other, &p), E_NOINTERFACE);
  EXPECT_EQ(d->QueryInterface(other, nullptr), E_POINTER);
}

TEST(DriverBase, ServiceNames) {
  stratix5::TDevice_Stratix5Driver driver(static_cast<stratix5::TDeviceKind>(0));
  IDispatch* d = driver.AsDispatch();
  EXPECT_TRUE(SupportsService(d, "deviceinformation"));
  EXPECT_TRUE(SupportsService(d, "MorvelDriver"));
  EXPECT_FALSE(SupportsService(d, "BSDLEntity"));
  VARIANT result;
  EXPECT_EQ(driver.Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr),
            E_NOTIMPL);
}

TEST(DriverBase, StratixDriverOverridesExtensions) {
  stratix5::TDevice_Stratix5Driver driver(static_cast<stratix5::TDeviceKind>(1336));
  EXPECT_EQ(Call(driver.AsDispatch(), info::GetDownloadFileExtensions).AsText(), "RBF");
  EXPECT_EQ(Call(driver.AsDispatch(), drv::CoreGen_OutputExtension).AsText(), ".VHD");
  EXPECT_TRUE(Call(driver.AsDispatch(), drv::Supports, "FPGA").AsBool());
  EXPECT_EQ(Call(driver.AsDispatch(), info::GetDeviceDescription).AsText(),
            " Stratix5 5SGXMBBR3H43I4N");
}

}  // namespace
}  // namespace morvel
