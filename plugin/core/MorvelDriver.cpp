// The driver base: dispatch tables of the host driver interface and the defaults and shared
// services of TMorvelDriver.
#include "core/MorvelDriver.h"

#include <array>
#include <optional>
#include <vector>

#include "flow/VendorTools.h"
#include "sdk/Bitmap.h"
#include "sdk/DriverDispIds.h"
#include "sdk/FamilyRegistry.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/HostUtil.h"
#include "sdk/Param.h"
#include "sdk/Platform.h"
#include "sdk/Strings.h"

namespace morvel {

const DispatchTable& TAbstractDeviceInformation::Table() {
  using C = TAbstractDeviceInformation;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(dispid::info::GetIdCode, C, GetIdCode),
      MORVEL_DISP(dispid::info::GetDeviceName, C, GetDeviceName),
      MORVEL_DISP(dispid::info::GetDeviceDescription, C, GetDeviceDescription),
      MORVEL_DISP(dispid::info::GetFamilyName, C, GetFamilyName),
      MORVEL_DISP(dispid::info::GetFamilyDescription, C, GetFamilyDescription),
      MORVEL_DISP(dispid::info::GetLibraryName, C, GetLibraryName),
      MORVEL_DISP(dispid::info::GetVendorPrimitiveLibraryName, C, GetVendorPrimitiveLibraryName),
      MORVEL_DISP(dispid::info::GetBaseName, C, GetBaseName),
      MORVEL_DISP(dispid::info::GetEquivalentGatesForBase, C, GetEquivalentGatesForBase),
      MORVEL_DISP(dispid::info::GetMaxIOForBase, C, GetMaxIOForBase),
      MORVEL_DISP(dispid::info::GetPackageTypeId, C, GetPackageTypeId),
      MORVEL_DISP(dispid::info::GetPackageTypeName, C, GetPackageTypeName),
      MORVEL_DISP(dispid::info::GetPackageTypeDescription, C, GetPackageTypeDescription),
      MORVEL_DISP(dispid::info::GetPackageId, C, GetPackageId),
      MORVEL_DISP(dispid::info::GetPackageName, C, GetPackageName),
      MORVEL_DISP(dispid::info::GetPackageDescription, C, GetPackageDescription),
      MORVEL_DISP(dispid::info::GetPackageDimensions, C, GetPackageDimensions),
      MORVEL_DISP(dispid::info::GetTemperatureGradeId, C, GetTemperatureGradeId),
      MORVEL_DISP(dispid::info::GetTemperatureGradeName, C, GetTemperatureGradeName),
      MORVEL_DISP(dispid::info::GetTemperatureGradeDescription, C, GetTemperatureGradeDescription),
      MORVEL_DISP(dispid::info::GetSpeedGradeId, C, GetSpeedGradeId),
      MORVEL_DISP(dispid::info::GetSpeedGradeName, C, GetSpeedGradeName),
      MORVEL_DISP(dispid::info::GetSpeedGradeDescription, C, GetSpeedGradeDescription),
      MORVEL_DISP(dispid::info::GetOptionDesignatorId, C, GetOptionDesignatorId),
      MORVEL_DISP(dispid::info::GetOptionDesignatorName, C, GetOptionDesignatorName),
      MORVEL_DISP(dispid::info::GetOptionDesignatorDescription, C, GetOptionDesignatorDescription),
      MORVEL_DISP(dispid::info::GetBSDLFilename, C, GetBSDLFilename),
      MORVEL_DISP(dispid::info::GetBSDLEntity, C, GetBSDLEntity),
      MORVEL_DISP(dispid::info::GetVendorName, C, GetVendorName),
      MORVEL_DISP(dispid::info::GetInstructionLength, C, GetInstructionLength),
      MORVEL_DISP(dispid::info::GetDevicePinCount, C, GetDevicePinCount),
      MORVEL_DISP(dispid::info::GetDeviceIOCount, C, GetDeviceIOCount),
      MORVEL_DISP(dispid::info::GetDevicePin, C, GetDevicePin),
      MORVEL_DISP(dispid::info::GetDownloadFileExtensions, C, GetDownloadFileExtensions),
      MORVEL_DISP(dispid::info::GetDSPMultiplierCount, C, GetDSPMultiplierCount),
      MORVEL_DISP(dispid::info::GetClockManagerCount, C, GetClockManagerCount),
      MORVEL_DISP(dispid::info::GetMemorySize, C, GetMemorySize),
      MORVEL_DISP(dispid::info::GetTerminationSupport, C, GetTerminationSupport),
      MORVEL_DISP(dispid::info::GetGlobalClockCount, C, GetGlobalClockCount),
      MORVEL_DISP(dispid::info::GetConfigMemorySize, C, GetConfigMemorySize),
      MORVEL_DISP(dispid::info::GetDiffPairCount, C, GetDiffPairCount),
      MORVEL_DISP(dispid::info::GetHighSpeedDiffPairCount, C, GetHighSpeedDiffPairCount),
      MORVEL_DISP(dispid::info::GetIOStandardCount, C, GetIOStandardCount),
      MORVEL_DISP(dispid::info::GetIOStandard, C, GetIOStandard),
      MORVEL_DISP(dispid::info::GetDeviceDisplayName, C, GetDeviceDisplayName),
      MORVEL_DISP(dispid::info::GetDeviceParameter, C, GetDeviceParameter));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"DeviceInformation"}, nullptr);
  return table;
}

const DispatchTable& TAbstractMorvelDriver::Table() {
  using C = TAbstractMorvelDriver;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(dispid::driver::GetMorvelDevice, C, GetMorvelDevice),
      MORVEL_DISP(dispid::driver::SetMorvelDevice, C, SetMorvelDevice),
      MORVEL_DISP(dispid::driver::Finalize, C, Finalize),
      MORVEL_DISP(dispid::driver::GetBitmapHandle, C, GetBitmapHandle),
      MORVEL_DISP(dispid::driver::SaveProcessorState, C, SaveProcessorState),
      MORVEL_DISP(dispid::driver::RestoreProcessorState, C, RestoreProcessorState),
      MORVEL_DISP(dispid::driver::CreateRackViewer, C, CreateRackViewer),
      MORVEL_DISP(dispid::driver::GetRackViewer, C, GetRackViewer),
      MORVEL_DISP(dispid::driver::Supports, C, Supports),
      MORVEL_DISP(dispid::driver::ShowAboutDialog, C, ShowAboutDialog),
      MORVEL_DISP(dispid::driver::VendorToolsDescriptor, C, VendorToolsDescriptor),
      MORVEL_DISP(dispid::driver::VendorToolsPresent, C, VendorToolsPresent),
      MORVEL_DISP(dispid::driver::VendorToolsUpToDate, C, VendorToolsUpToDate),
      MORVEL_DISP(dispid::driver::SetProcessorRegisterValue, C, SetProcessorRegisterValue),
      MORVEL_DISP(dispid::driver::GetProcessorRegisterValue, C, GetProcessorRegisterValue),
      MORVEL_DISP(dispid::driver::GetProcessorRegisterWidth, C, GetProcessorRegisterWidth),
      MORVEL_DISP(dispid::driver::GetProcessorRegisterName, C, GetProcessorRegisterName),
      MORVEL_DISP(dispid::driver::GetProcessorRegisterShortName, C, GetProcessorRegisterShortName),
      MORVEL_DISP(dispid::driver::GetProcessorRegisterCount, C, GetProcessorRegisterCount),
      MORVEL_DISP(dispid::driver::GetRegisterIndex_PC, C, GetRegisterIndex_PC),
      MORVEL_DISP(dispid::driver::GetRegisterIndex_SP, C, GetRegisterIndex_SP),
      MORVEL_DISP(dispid::driver::GetSoftBreakpointAddressByteAlign, C,
                  GetSoftBreakpointAddressByteAlign),
      MORVEL_DISP(dispid::driver::GetMemorySpaceWidth, C, GetMemorySpaceWidth),
      MORVEL_DISP(dispid::driver::GetMemorySpaceKind, C, GetMemorySpaceKind),
      MORVEL_DISP(dispid::driver::GetMemorySpaceBytesPerUnit, C, GetMemorySpaceBytesPerUnit),
      MORVEL_DISP(dispid::driver::GetMemorySpaceName, C, GetMemorySpaceName),
      MORVEL_DISP(dispid::driver::GetMemorySpaceShortName, C, GetMemorySpaceShortName),
      MORVEL_DISP(dispid::driver::GetMemorySpaceCount, C, GetMemorySpaceCount),
      MORVEL_DISP(dispid::driver::GetMemorySpace_Program, C, GetMemorySpace_Program),
      MORVEL_DISP(dispid::driver::InitDownload, C, InitDownload),
      MORVEL_DISP(dispid::driver::FinishDownload, C, FinishDownload),
      MORVEL_DISP(dispid::driver::RunDiagnostic, C, RunDiagnostic),
      MORVEL_DISP(dispid::driver::LittleEndian, C, LittleEndian),
      MORVEL_DISP(dispid::driver::ResetDevice, C, ResetDevice),
      MORVEL_DISP(dispid::driver::GetDeviceState, C, GetDeviceState),
      MORVEL_DISP(dispid::driver::ProgramDevice, C, ProgramDevice),
      MORVEL_DISP(dispid::driver::ReadUserCode, C, ReadUserCode),
      MORVEL_DISP(dispid::driver::FlowStage_Build, C, FlowStage_Build),
      MORVEL_DISP(dispid::driver::FlowStage_Download, C, FlowStage_Download),
      MORVEL_DISP(dispid::driver::CoreGen_OutputExtension, C, CoreGen_OutputExtension),
      MORVEL_DISP(dispid::driver::ResetMorvelRegisters, C, ResetMorvelRegisters),
      MORVEL_DISP(dispid::driver::SingleStepProcessor, C, SingleStepProcessor),
      MORVEL_DISP(dispid::driver::RunSingleStepInSubstitutionRegister, C,
                  RunSingleStepInSubstitutionRegister),
      MORVEL_DISP(dispid::driver::ResetProcessor, C, ResetProcessor),
      MORVEL_DISP(dispid::driver::PauseProcessor, C, PauseProcessor),
      MORVEL_DISP(dispid::driver::ContinueProcessor, C, ContinueProcessor),
      MORVEL_DISP(dispid::driver::RunSteps, C, RunSteps),
      MORVEL_DISP(dispid::driver::ProcessorIsPaused, C, ProcessorIsPaused),
      MORVEL_DISP(dispid::driver::ProcessorIsReset, C, ProcessorIsReset),
      MORVEL_DISP(dispid::driver::ProcessorIsRunning, C, ProcessorIsRunning),
      MORVEL_DISP(dispid::driver::ProcessorIsUsingReducedInstructionSet, C,
                  ProcessorIsUsingReducedInstructionSet),
      MORVEL_DISP(dispid::driver::Flash_Reset, C, Flash_Reset),
      MORVEL_DISP(dispid::driver::Flash_Program, C, Flash_Program),
      MORVEL_DISP(dispid::driver::Flash_Configure, C, Flash_Configure),
      MORVEL_DISP(dispid::driver::SetProcessorRegisterWideValue, C, SetProcessorRegisterWideValue),
      MORVEL_DISP(dispid::driver::GetProcessorRegisterWideValue, C, GetProcessorRegisterWideValue),
      MORVEL_DISP(dispid::driver::ConfigureFpgaProject, C, ConfigureFpgaProject),
      MORVEL_DISP(dispid::driver::ShowConfiguration, C, ShowConfiguration),
      MORVEL_DISP(dispid::driver::ShowCurrentSensePanel, C, ShowCurrentSensePanel),
      MORVEL_DISP(dispid::driver::ReleaseResources, C, ReleaseResources),
      MORVEL_DISP(dispid::driver::InvalidateResources, C, InvalidateResources),
      MORVEL_DISP(dispid::driver::CustomAction_Execute, C, CustomAction_Execute),
      MORVEL_DISP(dispid::driver::CustomAction_GetState, C, CustomAction_GetState),
      MORVEL_DISP(dispid::driver::EPM_Download, C, EPM_Download),
      MORVEL_DISP(dispid::driver::EPM_InititateTest, C, EPM_InititateTest),
      MORVEL_DISP(dispid::driver::EPM_GetTestResult, C, EPM_GetTestResult),
      MORVEL_DISP(dispid::driver::EPM_SetPercentCallBack, C, EPM_SetPercentCallBack),
      MORVEL_DISP(dispid::driver::Flash_ResetForBitStream, C, Flash_ResetForBitStream),
      MORVEL_DISP(dispid::driver::GetEmbeddedConstraintFile, C, GetEmbeddedConstraintFile),
      MORVEL_DISP(dispid::driver::SetEmbeddedConstraintFile, C, SetEmbeddedConstraintFile),
      MORVEL_DISP(dispid::driver::AddSoftBreakpoint, C, AddSoftBreakpoint),
      MORVEL_DISP(dispid::driver::RemoveSoftBreakpoint, C, RemoveSoftBreakpoint),
      MORVEL_DISP(dispid::driver::GetMemorySpaceLength, C, GetMemorySpaceLength),
      MORVEL_DISP(dispid::driver::GetFolder_Library, C, GetFolder_Library),
      MORVEL_DISP(dispid::driver::ClockCoreGenerator, C, ClockCoreGenerator),
      MORVEL_DISP(dispid::driver::ClockCoreTemplateGenerator, C, ClockCoreTemplateGenerator),
      MORVEL_DISP(dispid::driver::ClockGeneratorTargetCore, C, ClockGeneratorTargetCore),
      MORVEL_DISP(dispid::driver::CustomCoreGenerator, C, CustomCoreGenerator));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"MorvelDriver"},
                                   &TAbstractDeviceInformation::Table());
  return table;
}

TMorvelDriver::TMorvelDriver(const std::string& coreExt) : FCoreExt(coreExt) {
  // The plug-in's forms and dialogs belong to the host's main window.
  AttachApplicationToHost();
}

TMorvelDriver::~TMorvelDriver() {
  if (FDeviceImage != 0) DeleteObject(FDeviceImage);
  if (FDeviceAboutImage != 0) DeleteObject(FDeviceAboutImage);
  try {
    ReleaseResources();
  } catch (...) {
    // Destruction goes on; the host objects are released with the fields.
  }
}

void* TMorvelDriver::FindInterface(REFIID iid) {
  if (iid == IID_IDeviceMemoryAccess) return static_cast<IDeviceMemoryAccess*>(this);
  return TAbstractMorvelDriver::FindInterface(iid);
}

HRESULT TMorvelDriver::MemoryRead(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t* result) {
  if (result == nullptr) return E_POINTER;
  *result = 0;
  return S_OK;
}

HRESULT TMorvelDriver::MemoryWrite(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t* result) {
  if (result == nullptr) return E_POINTER;
  *result = 0;
  return S_OK;
}

bool TMorvelDriver::SetMorvelDevice(DispatchPtr device) {
  FMorvelDevice = std::move(device);
  if (!FMorvelDevice) ReleaseResources();
  return true;
}

uint32_t TMorvelDriver::GetBitmapHandle() {
  if (FDeviceImage != 0) return FDeviceImage;
  // Without the generic picture there is no picture; a later call tries again.
  std::optional<TBitmap> picture = TBitmap::Load(HostSystemFolder() + "Generic_Hard_Device.bmp");
  if (!picture) return 0;
  const std::string familyFile = GetFolder_Library() + "DeviceImages/" + GetFamilyName() + ".bmp";
  if (std::optional<TBitmap> family = TBitmap::Load(familyFile)) {
    // Offsets are half the differences, truncated toward zero.
    picture->Draw(*family, (picture->Width - family->Width) / 2,
                  (picture->Height - family->Height) / 2);
  }
  FDeviceImage = picture->CreateHandle();
  return FDeviceImage;
}

void TMorvelDriver::CreateRackViewer() {}

void TMorvelDriver::ReleaseResources() {
  FRackView = nullptr;
}

std::string TMorvelDriver::VendorToolsDescriptor() {
  return morvel::VendorToolsDescriptor(GetVendorName());
}
bool TMorvelDriver::VendorToolsPresent() {
  return morvel::VendorToolsPresent(GetVendorName());
}
bool TMorvelDriver::VendorToolsUpToDate() {
  return morvel::VendorToolsUpToDate(GetVendorName());
}

namespace {
// The feature-query action table; entries answered false are the processor, debug,
// program-compile and flash-device actions.
constexpr std::array<const char*, 32> kActions = {"None",
                                                  "PauseProcessor",
                                                  "ContinueProcessor",
                                                  "ResetProcessor",
                                                  "SingleStepProcessor",
                                                  "CompileProgram",
                                                  "DownloadProgram",
                                                  "StartDebug",
                                                  "StartAttach",
                                                  "EndDebug",
                                                  "ShowAboutDialog",
                                                  "ResetDevice",
                                                  "DownloadToDevice",
                                                  "ShowViewer",
                                                  "ChooseAndDownload",
                                                  "ProcessorMenu",
                                                  "ConfigureJTAGIdMapping",
                                                  "Flash_ResetDevice",
                                                  "Flash_ConfigureDevice",
                                                  "Flash_DownloadDevice",
                                                  "Flash_ChooseAndDownload",
                                                  "WriteToFlash",
                                                  "ConfigureFpgaProject",
                                                  "ShowConfiguration",
                                                  "ShowCurrentSense",
                                                  "ShowBoardRegistration",
                                                  "CustomAction",
                                                  "OnDblClick",
                                                  "HideViewer",
                                                  "UpdateFirmware",
                                                  "ToggleFirmwareAutoUpdate",
                                                  "VerifyProgram"};

bool ActionSupported(size_t entry) {
  return !((entry >= 1 && entry <= 9) || entry == 15 || (entry >= 17 && entry <= 20) ||
           entry == 31);
}
}  // namespace

bool TMorvelDriver::Supports(const std::string& feature) {
  if (SameText(feature, "CPLD")) return IsCPLD();
  if (SameText(feature, "FPGA")) return IsFPGA();
  if (SameText(feature, "PROM")) return IsPROM();
  if (SameText(feature, "PROC")) return IsProcessor();
  if (SameText(feature, "SPROC")) return IsSoftProcessor();
  if (SameText(feature, "GPROC")) return IsGenericProcessor();
  const TParameterList params(feature);
  std::string value;
  if (params.GetState_ParameterAsString("ToolchainName", value) && !value.empty()) return false;
  std::string action = feature;
  if (params.GetState_ParameterAsString("Action", value)) action = value;
  size_t entry = 0;
  for (size_t i = 0; i < kActions.size(); ++i)
    if (SameText(kActions[i], action)) {
      entry = i;
      break;
    }
  return ActionSupported(entry);
}

DispatchPtr TMorvelDriver::CreateFlowStage(int32_t /*kind*/) {
  return nullptr;
}

DispatchPtr TMorvelDriver::FlowStage_Build() {
  if (!FBuildFlow) FBuildFlow = CreateFlowStage(0);
  return FBuildFlow;
}

DispatchPtr TMorvelDriver::FlowStage_Download() {
  if (!FDownloadFlow) FDownloadFlow = CreateFlowStage(1);
  return FDownloadFlow;
}

DispatchPtr TMorvelDriver::GetJTagChannel() {
  if (!FMorvelDevice) return nullptr;
  return Call(FMorvelDevice, dispid::device::GetJTagChannel).AsObject();
}

int32_t TMorvelDriver::GetJTagDeviceIndex() {
  if (!FMorvelDevice) return 0;
  return Call(FMorvelDevice, dispid::device::GetJTagDeviceIndex).AsInt();
}

void TMorvelDriver::OpenChannel() {
  if (DispatchPtr channel = GetJTagChannel()) Call(channel, dispid::jtag::Open);
}

void TMorvelDriver::CloseChannel() {
  if (DispatchPtr channel = GetJTagChannel()) Call(channel, dispid::jtag::Close);
}

void TMorvelDriver::BeginDeviceAccess() {
  OpenChannel();
  if (FMorvelDevice) Call(FMorvelDevice, dispid::device::BeginAccess);
}

void TMorvelDriver::EndDeviceAccess() {
  if (FMorvelDevice) Call(FMorvelDevice, dispid::device::EndAccess);
  CloseChannel();
}

namespace {
constexpr int32_t kControlRegisterAddress = 0x40;
constexpr uint8_t kStepCounterBreakpointEnable = 0x80;
constexpr uint8_t kReset = 0x20;
constexpr uint8_t kDebugEnable = 0x10;
constexpr uint8_t kDebugAcknowledge = 0x08;
constexpr uint8_t kDebugRequest = 0x04;
constexpr uint8_t kDebugStep = 0x02;
constexpr uint8_t kDebuggerProgramSelect = 0x01;

}  // namespace

TMorvelDriver::TChannelBracket::TChannelBracket(TMorvelDriver& driver) : FDriver(driver) {
  FDriver.OpenChannel();
}

TMorvelDriver::TChannelBracket::~TChannelBracket() {
  try {
    FDriver.CloseChannel();
  } catch (...) {
    // An error already on its way out wins over a failing close.
  }
}

void TMorvelDriver::ReadControlRegister() {
  if (!FMorvelDevice) throw OleError(E_POINTER, "No host device is attached to the driver");
  FControlRegister = static_cast<uint8_t>(
      Call(FMorvelDevice, dispid::device::ReadRegister, kControlRegisterAddress, 8).AsUInt());
}

void TMorvelDriver::WriteControlRegister() {
  if (!FMorvelDevice) throw OleError(E_POINTER, "No host device is attached to the driver");
  Call(FMorvelDevice, dispid::device::WriteRegister, kControlRegisterAddress, 8,
       static_cast<int32_t>(FControlRegister));
}

void TMorvelDriver::PauseProcessor() {
  const TChannelBracket bracket(*this);
  ReadControlRegister();
  SetControlBit(kStepCounterBreakpointEnable | kReset | kDebugAcknowledge | kDebugStep |
                    kDebuggerProgramSelect,
                false);
  SetControlBit(kDebugEnable | kDebugRequest, true);
  WriteControlRegister();
  ReadControlRegister();
}

void TMorvelDriver::ContinueProcessor() {
  const TChannelBracket bracket(*this);
  ReadControlRegister();
  SetControlBit(kStepCounterBreakpointEnable | kReset | kDebugEnable | kDebugAcknowledge |
                    kDebugRequest | kDebugStep | kDebuggerProgramSelect,
                false);
  SetControlBit(kDebugEnable | kDebugRequest, true);
  WriteControlRegister();
  SetControlBit(kDebugRequest, false);
  WriteControlRegister();
  ReadControlRegister();
}

void TMorvelDriver::ResetProcessor() {
  const TChannelBracket bracket(*this);
  PauseProcessor();
  SetControlBit(kReset, true);
  WriteControlRegister();
  SetControlBit(kReset, false);
  WriteControlRegister();
  ReadControlRegister();
}

void TMorvelDriver::SingleStepProcessor() {
  const TChannelBracket bracket(*this);
  PauseProcessor();
  ReadControlRegister();
  SetControlBit(kReset, false);
  SetControlBit(kDebugRequest | kDebugEnable, true);
  WriteControlRegister();
  SetControlBit(kDebugStep, true);
  WriteControlRegister();
  ReadControlRegister();
}

void TMorvelDriver::RunSingleStepInSubstitutionRegister() {
  const TChannelBracket bracket(*this);
  ReadControlRegister();
  SetControlBit(kReset, false);
  SetControlBit(kDebugRequest | kDebugEnable, true);
  WriteControlRegister();
  SetControlBit(kDebuggerProgramSelect, true);
  WriteControlRegister();
  SetControlBit(kDebugStep, true);
  WriteControlRegister();
  SetControlBit(kDebuggerProgramSelect | kDebugStep, false);
  WriteControlRegister();
  ReadControlRegister();
}

void TMorvelDriver::RunSteps(int32_t count) {
  const TChannelBracket bracket(*this);
  ReadControlRegister();
  PauseProcessor();
  SetControlBit(kReset, false);
  SetControlBit(kDebugRequest | kDebugEnable, true);
  WriteControlRegister();
  SetControlBit(kDebugStep, true);
  for (int32_t i = 0; i < count; ++i) WriteControlRegister();
  ReadControlRegister();
}

bool TMorvelDriver::ProcessorIsPaused() {
  const TChannelBracket bracket(*this);
  ReadControlRegister();
  return DebugEnable() && DebugAcknowledge();
}

bool TMorvelDriver::ProcessorIsReset() {
  const TChannelBracket bracket(*this);
  ReadControlRegister();
  return Reset();
}

bool TMorvelDriver::ProcessorIsRunning() {
  if (ProcessorIsReset()) return false;
  return !ProcessorIsPaused();
}

void TMorvelDriver::ResetMorvelRegisters() {
  DispatchPtr channel = GetJTagChannel();
  if (!channel) return;
  const TChannelBracket bracket(*this);
  Call(channel, dispid::jtag::SetInstruction, 2, GetJTagDeviceIndex());
}

// Register access over the debug address and data registers. The base has no registers, so
// with it every index is out of range and nothing reaches the channel.
bool TMorvelDriver::RegisterInRange(int32_t index) {
  return index >= 0 && index < GetProcessorRegisterCount();
}

uint32_t TMorvelDriver::AccessRegister(const DispatchPtr& channel, int32_t index, bool write,
                                       uint32_t value) {
  const int32_t device = GetJTagDeviceIndex();
  const uint32_t address = GetProcessorRegisterAddress(index) | (write ? 0x80u : 0u);
  Call(channel, dispid::jtag::SetInstruction, GetAddressInstruction(), device);
  Call(channel, dispid::jtag::MoveState, 2, 5);
  Call(channel, dispid::jtag::ShiftData, address, 8, device);
  Call(channel, dispid::jtag::MoveState, 6, 2);
  Call(channel, dispid::jtag::SetInstruction, GetDataInstruction(), device);
  Call(channel, dispid::jtag::MoveState, 2, 5);
  const uint32_t captured = Call(channel, dispid::jtag::ShiftDataCapture, write ? value : 0u,
                                 GetProcessorRegisterWidth(index), device)
                                .AsUInt();
  Call(channel, dispid::jtag::MoveState, 6, 2);
  return captured;
}

std::string TMorvelDriver::AccessRegisterText(const DispatchPtr& channel, int32_t index, bool write,
                                              const std::string& bits) {
  const int32_t device = GetJTagDeviceIndex();
  const uint32_t address = GetProcessorRegisterAddress(index) | (write ? 0x80u : 0u);
  Call(channel, dispid::jtag::SetInstruction, GetAddressInstruction(), device);
  Call(channel, dispid::jtag::MoveState, 2, 5);
  Call(channel, dispid::jtag::ShiftData, address, 8, device);
  Call(channel, dispid::jtag::MoveState, 6, 2);
  Call(channel, dispid::jtag::SetInstruction, GetDataInstruction(), device);
  Call(channel, dispid::jtag::MoveState, 2, 5);
  // The text is as long as the register: cut a longer one, pad a shorter one with zeros.
  std::string text = write ? bits : std::string();
  text.resize(GetProcessorRegisterWidth(index), '0');
  std::string captured = Call(channel, dispid::jtag::ShiftDataText, text, device).AsText();
  Call(channel, dispid::jtag::MoveState, 6, 2);
  return captured;
}

bool TMorvelDriver::SetProcessorRegisterValue(int32_t index, int64_t value) {
  if (!RegisterInRange(index)) return false;
  DispatchPtr channel = GetJTagChannel();
  if (!channel) return false;
  AccessRegister(channel, index, true, static_cast<uint32_t>(value));
  return true;
}

uint32_t TMorvelDriver::GetProcessorRegisterValue(int32_t index) {
  if (!RegisterInRange(index)) return 0;
  DispatchPtr channel = GetJTagChannel();
  if (!channel) return 0;
  return AccessRegister(channel, index, false, 0);
}

bool TMorvelDriver::SetProcessorRegisterWideValue(int32_t index, const std::string& value) {
  if (!RegisterInRange(index)) return false;
  DispatchPtr channel = GetJTagChannel();
  if (!channel) return false;
  AccessRegisterText(channel, index, true, value);
  return true;
}

std::string TMorvelDriver::GetProcessorRegisterWideValue(int32_t index) {
  if (!RegisterInRange(index)) return "0";
  DispatchPtr channel = GetJTagChannel();
  if (!channel) return "0";
  return AccessRegisterText(channel, index, false, std::string());
}

void TMorvelDriver::CustomAction_GetState(int32_t /*action*/, InOut<bool> flag1,
                                          InOut<bool> /*flag2*/, InOut<bool> flag3,
                                          VARIANT* /*extra1*/, VARIANT* /*extra2*/) {
  flag1.Set(false);
  flag3.Set(false);
}

bool TMorvelDriver::EPM_Download(const std::string& /*a*/, const std::string& fileName,
                                 const std::string& /*c*/) {
  if (!ResetDevice()) return false;
  ProgramDevice(fileName);
  return GetDeviceState() == eDeviceState_Programmed;
}

std::string TMorvelDriver::FindConstraintFile(const std::string& name) {
  if (name.empty()) return {};
  std::vector<std::string> candidates{name, PluginFolder() + "Library/Embedded/" + name};
  if (DispatchPtr api = HostClientAPI()) {
    candidates.push_back(
        IncludeTrailingPathDelimiter(Call(api, dispid::clientapi::GetApplicationFolder).AsText()) +
        name);
    candidates.push_back(
        IncludeTrailingPathDelimiter(Call(api, dispid::clientapi::GetInstallationFolder).AsText()) +
        "Library/Embedded/" + name);
  }
  for (const std::string& path : candidates)
    if (FileExists(path)) return path;
  return {};
}

std::string TMorvelDriver::GetEmbeddedConstraintFile() {
  if (!FCustomConstraintFile.empty()) {
    std::string found = FindConstraintFile(FCustomConstraintFile);
    if (!found.empty()) return found;
  }
  std::vector<std::string> names{GetDeviceName() + ".Constraint",
                                 GetDeviceParameter("ProcessorDeviceName") + ".Constraint",
                                 GetBaseName() + ".Constraint", GetFamilyName() + ".Constraint"};
  std::string processor;
  if (GetProcessorInformation(processor)) names.push_back(processor + ".Constraint");
  for (const std::string& name : names) {
    std::string found = FindConstraintFile(name);
    if (!found.empty()) return found;
  }
  return {};
}

std::string TMorvelDriver::GetFolder_Library() {
  return ModuleFolder() + "Library/";
}

}  // namespace morvel
