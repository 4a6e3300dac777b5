// The host driver interface as the plug-in implements it: the abstract device-information and
// driver layers with their dispatch tables, and TMorvelDriver, which answers every operation
// with its default and holds the state every driver shares (host device, flows, picture,
// rack viewer, debug control register).
#pragma once

#include <cstdint>
#include <string>

#include "sdk/ComPtr.h"
#include "sdk/Dispatch.h"
#include "sdk/Objects.h"

namespace morvel {

// Device state as the driver reports it.
enum TDeviceState : uint8_t {
  eDeviceState_None = 0,
  eDeviceState_Reset = 1,
  eDeviceState_Programmed = 2,
};

class TAbstractDeviceInformation : public TAbstractSupportService {
 public:
  virtual uint32_t GetIdCode() = 0;
  virtual std::string GetDeviceName() = 0;
  virtual std::string GetDeviceDescription() = 0;
  virtual std::string GetFamilyName() = 0;
  virtual std::string GetFamilyDescription() = 0;
  virtual std::string GetLibraryName() = 0;
  virtual std::string GetVendorPrimitiveLibraryName() = 0;
  virtual std::string GetBaseName() = 0;
  virtual int32_t GetEquivalentGatesForBase() = 0;
  virtual int32_t GetMaxIOForBase() = 0;
  virtual std::string GetPackageTypeId() = 0;
  virtual std::string GetPackageTypeName() = 0;
  virtual std::string GetPackageTypeDescription() = 0;
  virtual std::string GetPackageId() = 0;
  virtual std::string GetPackageName() = 0;
  virtual std::string GetPackageDescription() = 0;
  virtual std::string GetPackageDimensions() = 0;
  virtual std::string GetTemperatureGradeId() = 0;
  virtual std::string GetTemperatureGradeName() = 0;
  virtual std::string GetTemperatureGradeDescription() = 0;
  virtual std::string GetSpeedGradeId() = 0;
  virtual std::string GetSpeedGradeName() = 0;
  virtual std::string GetSpeedGradeDescription() = 0;
  virtual std::string GetOptionDesignatorId() = 0;
  virtual std::string GetOptionDesignatorName() = 0;
  virtual std::string GetOptionDesignatorDescription() = 0;
  virtual std::string GetBSDLFilename() = 0;
  virtual DispatchPtr GetBSDLEntity() = 0;
  virtual std::string GetVendorName() = 0;
  virtual int32_t GetInstructionLength() = 0;
  virtual int32_t GetDevicePinCount() = 0;
  virtual int32_t GetDeviceIOCount() = 0;
  virtual DispatchPtr GetDevicePin(int32_t index) = 0;
  virtual std::string GetDownloadFileExtensions() = 0;
  virtual int32_t GetDSPMultiplierCount() = 0;
  virtual int32_t GetClockManagerCount() = 0;
  virtual int32_t GetMemorySize() = 0;
  virtual bool GetTerminationSupport() = 0;
  virtual int32_t GetGlobalClockCount() = 0;
  virtual int32_t GetConfigMemorySize() = 0;
  virtual int32_t GetDiffPairCount() = 0;
  virtual int32_t GetHighSpeedDiffPairCount() = 0;
  virtual int32_t GetIOStandardCount() = 0;
  virtual DispatchPtr GetIOStandard(int32_t index) = 0;
  virtual std::string GetDeviceDisplayName() = 0;
  virtual std::string GetDeviceParameter(const std::string& name) = 0;

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

class TAbstractMorvelDriver : public TAbstractDeviceInformation {
 public:
  virtual DispatchPtr GetMorvelDevice() = 0;
  virtual bool SetMorvelDevice(DispatchPtr device) = 0;
  virtual bool Finalize() = 0;
  virtual uint32_t GetBitmapHandle() = 0;
  virtual bool SaveProcessorState() = 0;
  virtual bool RestoreProcessorState() = 0;
  virtual void CreateRackViewer() = 0;
  virtual DispatchPtr GetRackViewer() = 0;
  virtual bool Supports(const std::string& feature) = 0;
  virtual void ShowAboutDialog() = 0;
  virtual std::string VendorToolsDescriptor() = 0;
  virtual bool VendorToolsPresent() = 0;
  virtual bool VendorToolsUpToDate() = 0;
  virtual bool SetProcessorRegisterValue(int32_t index, int64_t value) = 0;
  virtual uint32_t GetProcessorRegisterValue(int32_t index) = 0;
  virtual uint32_t GetProcessorRegisterWidth(int32_t index) = 0;
  virtual std::string GetProcessorRegisterName(int32_t index) = 0;
  virtual std::string GetProcessorRegisterShortName(int32_t index) = 0;
  virtual int32_t GetProcessorRegisterCount() = 0;
  virtual int32_t GetRegisterIndex_PC() = 0;
  virtual int32_t GetRegisterIndex_SP() = 0;
  virtual int32_t GetSoftBreakpointAddressByteAlign() = 0;
  virtual uint32_t GetMemorySpaceWidth(int32_t space) = 0;
  virtual uint8_t GetMemorySpaceKind(int32_t space) = 0;
  virtual uint32_t GetMemorySpaceBytesPerUnit(int32_t space) = 0;
  virtual std::string GetMemorySpaceName(int32_t space) = 0;
  virtual std::string GetMemorySpaceShortName(int32_t space) = 0;
  virtual int32_t GetMemorySpaceCount() = 0;
  virtual int32_t GetMemorySpace_Program() = 0;
  virtual bool InitDownload(int32_t value) = 0;
  virtual bool FinishDownload(int32_t value) = 0;
  virtual bool RunDiagnostic() = 0;
  virtual bool LittleEndian() = 0;
  virtual bool ResetDevice() = 0;
  virtual TDeviceState GetDeviceState() = 0;
  virtual int32_t ProgramDevice(const std::string& fileName) = 0;
  virtual uint32_t ReadUserCode() = 0;
  virtual DispatchPtr FlowStage_Build() = 0;
  virtual DispatchPtr FlowStage_Download() = 0;
  virtual std::string CoreGen_OutputExtension() = 0;
  virtual void ResetMorvelRegisters() = 0;
  virtual void SingleStepProcessor() = 0;
  virtual void RunSingleStepInSubstitutionRegister() = 0;
  virtual void ResetProcessor() = 0;
  virtual void PauseProcessor() = 0;
  virtual void ContinueProcessor() = 0;
  virtual void RunSteps(int32_t count) = 0;
  virtual bool ProcessorIsPaused() = 0;
  virtual bool ProcessorIsReset() = 0;
  virtual bool ProcessorIsRunning() = 0;
  virtual bool ProcessorIsUsingReducedInstructionSet() = 0;
  virtual bool Flash_Reset() = 0;
  virtual int32_t Flash_Program(const std::string& fileName) = 0;
  virtual void Flash_Configure() = 0;
  virtual bool SetProcessorRegisterWideValue(int32_t index, const std::string& value) = 0;
  virtual std::string GetProcessorRegisterWideValue(int32_t index) = 0;
  virtual bool ConfigureFpgaProject(DispatchPtr project) = 0;
  virtual bool ShowConfiguration() = 0;
  virtual void ShowCurrentSensePanel() = 0;
  virtual void ReleaseResources() = 0;
  virtual bool InvalidateResources() = 0;
  virtual void CustomAction_Execute(int32_t action) = 0;
  virtual void CustomAction_GetState(int32_t action, InOut<bool> flag1, InOut<bool> flag2,
                                     InOut<bool> flag3, VARIANT* extra1, VARIANT* extra2) = 0;
  virtual bool EPM_Download(const std::string& a, const std::string& fileName,
                            const std::string& c) = 0;
  virtual bool EPM_InititateTest() = 0;
  virtual int32_t EPM_GetTestResult(int32_t value) = 0;
  virtual void EPM_SetPercentCallBack(DispatchPtr callback) = 0;
  virtual bool Flash_ResetForBitStream() = 0;
  virtual std::string GetEmbeddedConstraintFile() = 0;
  virtual void SetEmbeddedConstraintFile(const std::string& name) = 0;
  virtual uint32_t AddSoftBreakpoint(int32_t space, int64_t address) = 0;
  virtual bool RemoveSoftBreakpoint(int32_t space, int64_t address, int64_t savedWord) = 0;
  virtual int64_t GetMemorySpaceLength(int32_t space) = 0;
  virtual std::string GetFolder_Library() = 0;
  virtual DispatchPtr ClockCoreGenerator() = 0;
  virtual DispatchPtr ClockCoreTemplateGenerator() = 0;
  virtual DispatchPtr ClockGeneratorTargetCore() = 0;
  virtual DispatchPtr CustomCoreGenerator(int32_t value) = 0;

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

// The driver base: a default for every operation. Driver objects do not count references;
// they live until the plug-in is unloaded.
class TMorvelDriver : public TAbstractMorvelDriver, public IDeviceMemoryAccess {
 public:
  explicit TMorvelDriver(const std::string& coreExt);
  ~TMorvelDriver() override;

  HRESULT QueryInterface(REFIID iid, void** out) override { return DoQueryInterface(iid, out); }
  ULONG AddRef() override { return static_cast<ULONG>(-1); }
  ULONG Release() override { return static_cast<ULONG>(-1); }
  HRESULT MemoryRead(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5,
                     int32_t* result) override;
  HRESULT MemoryWrite(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5,
                      int32_t* result) override;

  // Device information defaults.
  uint32_t GetIdCode() override { return 0; }
  std::string GetDeviceName() override { return "Generic Morvel Device"; }
  std::string GetDeviceDescription() override { return GetDeviceName(); }
  std::string GetFamilyName() override { return {}; }
  std::string GetFamilyDescription() override { return {}; }
  std::string GetLibraryName() override { return {}; }
  std::string GetVendorPrimitiveLibraryName() override { return {}; }
  std::string GetBaseName() override { return {}; }
  int32_t GetEquivalentGatesForBase() override { return -1; }
  int32_t GetMaxIOForBase() override { return -1; }
  std::string GetPackageTypeId() override { return "Generic"; }
  std::string GetPackageTypeName() override { return "Generic"; }
  std::string GetPackageTypeDescription() override { return "Un-Classified Packages"; }
  std::string GetPackageId() override { return {}; }
  std::string GetPackageName() override { return {}; }
  std::string GetPackageDescription() override { return {}; }
  std::string GetPackageDimensions() override { return "? x ? mm"; }
  std::string GetTemperatureGradeId() override { return {}; }
  std::string GetTemperatureGradeName() override { return {}; }
  std::string GetTemperatureGradeDescription() override { return {}; }
  std::string GetSpeedGradeId() override { return {}; }
  std::string GetSpeedGradeName() override { return {}; }
  std::string GetSpeedGradeDescription() override { return {}; }
  std::string GetOptionDesignatorId() override { return {}; }
  std::string GetOptionDesignatorName() override { return {}; }
  std::string GetOptionDesignatorDescription() override { return {}; }
  std::string GetBSDLFilename() override { return {}; }
  DispatchPtr GetBSDLEntity() override { return nullptr; }
  std::string GetVendorName() override { return {}; }
  int32_t GetInstructionLength() override { return 4; }
  int32_t GetDevicePinCount() override { return 0; }
  int32_t GetDeviceIOCount() override { return -1; }
  DispatchPtr GetDevicePin(int32_t /*index*/) override { return nullptr; }
  std::string GetDownloadFileExtensions() override { return {}; }
  int32_t GetDSPMultiplierCount() override { return -1; }
  int32_t GetClockManagerCount() override { return -1; }
  int32_t GetMemorySize() override { return -1; }
  bool GetTerminationSupport() override { return false; }
  int32_t GetGlobalClockCount() override { return -1; }
  int32_t GetConfigMemorySize() override { return -1; }
  int32_t GetDiffPairCount() override { return -1; }
  int32_t GetHighSpeedDiffPairCount() override { return -1; }
  int32_t GetIOStandardCount() override { return 0; }
  DispatchPtr GetIOStandard(int32_t /*index*/) override { return nullptr; }
  std::string GetDeviceDisplayName() override { return GetDeviceName(); }
  std::string GetDeviceParameter(const std::string& /*name*/) override { return {}; }

  // Driver operation defaults.
  DispatchPtr GetMorvelDevice() override { return FMorvelDevice; }
  bool SetMorvelDevice(DispatchPtr device) override;
  bool Finalize() override { return false; }
  uint32_t GetBitmapHandle() override;
  bool SaveProcessorState() override { return false; }
  bool RestoreProcessorState() override { return false; }
  void CreateRackViewer() override;
  DispatchPtr GetRackViewer() override { return FRackView; }
  bool Supports(const std::string& feature) override;
  void ShowAboutDialog() override {}
  std::string VendorToolsDescriptor() override;
  bool VendorToolsPresent() override;
  bool VendorToolsUpToDate() override;
  bool SetProcessorRegisterValue(int32_t index, int64_t value) override;
  uint32_t GetProcessorRegisterValue(int32_t index) override;
  uint32_t GetProcessorRegisterWidth(int32_t /*index*/) override { return 0; }
  std::string GetProcessorRegisterName(int32_t /*index*/) override { return {}; }
  std::string GetProcessorRegisterShortName(int32_t index) override {
    return GetProcessorRegisterName(index);
  }
  int32_t GetProcessorRegisterCount() override { return 0; }
  int32_t GetRegisterIndex_PC() override { return -1; }
  int32_t GetRegisterIndex_SP() override { return -1; }
  int32_t GetSoftBreakpointAddressByteAlign() override { return 1; }
  uint32_t GetMemorySpaceWidth(int32_t /*space*/) override { return 0; }
  uint8_t GetMemorySpaceKind(int32_t /*space*/) override { return 0; }
  uint32_t GetMemorySpaceBytesPerUnit(int32_t /*space*/) override { return 1; }
  std::string GetMemorySpaceName(int32_t /*space*/) override { return {}; }
  std::string GetMemorySpaceShortName(int32_t space) override { return GetMemorySpaceName(space); }
  int32_t GetMemorySpaceCount() override { return 0; }
  int32_t GetMemorySpace_Program() override { return -1; }
  bool InitDownload(int32_t /*value*/) override { return true; }
  bool FinishDownload(int32_t /*value*/) override { return true; }
  bool RunDiagnostic() override { return true; }
  bool LittleEndian() override { return false; }
  bool ResetDevice() override { return false; }
  TDeviceState GetDeviceState() override { return eDeviceState_None; }
  int32_t ProgramDevice(const std::string& /*fileName*/) override { return 0; }
  uint32_t ReadUserCode() override { return 0xFFFFFFFFu; }
  DispatchPtr FlowStage_Build() override;
  DispatchPtr FlowStage_Download() override;
  std::string CoreGen_OutputExtension() override { return FCoreExt; }
  void ResetMorvelRegisters() override;
  void SingleStepProcessor() override;
  void RunSingleStepInSubstitutionRegister() override;
  void ResetProcessor() override;
  void PauseProcessor() override;
  void ContinueProcessor() override;
  void RunSteps(int32_t count) override;
  bool ProcessorIsPaused() override;
  bool ProcessorIsReset() override;
  bool ProcessorIsRunning() override;
  bool ProcessorIsUsingReducedInstructionSet() override { return false; }
  bool Flash_Reset() override { return false; }
  int32_t Flash_Program(const std::string& /*fileName*/) override { return 0; }
  void Flash_Configure() override {}
  bool SetProcessorRegisterWideValue(int32_t index, const std::string& value) override;
  std::string GetProcessorRegisterWideValue(int32_t index) override;
  bool ConfigureFpgaProject(DispatchPtr /*project*/) override { return false; }
  bool ShowConfiguration() override { return true; }
  void ShowCurrentSensePanel() override {}
  void ReleaseResources() override;
  bool InvalidateResources() override { return false; }
  void CustomAction_Execute(int32_t /*action*/) override {}
  void CustomAction_GetState(int32_t action, InOut<bool> flag1, InOut<bool> flag2,
                             InOut<bool> flag3, VARIANT* extra1, VARIANT* extra2) override;
  bool EPM_Download(const std::string& a, const std::string& fileName,
                    const std::string& c) override;
  bool EPM_InititateTest() override { return false; }
  int32_t EPM_GetTestResult(int32_t /*value*/) override { return -1; }
  void EPM_SetPercentCallBack(DispatchPtr callback) override { FCallBack = std::move(callback); }
  bool Flash_ResetForBitStream() override { return Flash_Reset(); }
  std::string GetEmbeddedConstraintFile() override;
  void SetEmbeddedConstraintFile(const std::string& name) override { FCustomConstraintFile = name; }
  uint32_t AddSoftBreakpoint(int32_t /*space*/, int64_t /*address*/) override { return 0; }
  bool RemoveSoftBreakpoint(int32_t /*space*/, int64_t /*address*/,
                            int64_t /*savedWord*/) override {
    return false;
  }
  int64_t GetMemorySpaceLength(int32_t /*space*/) override { return 0; }
  std::string GetFolder_Library() override;
  DispatchPtr ClockCoreGenerator() override { return nullptr; }
  DispatchPtr ClockCoreTemplateGenerator() override { return nullptr; }
  DispatchPtr ClockGeneratorTargetCore() override { return nullptr; }
  DispatchPtr CustomCoreGenerator(int32_t /*value*/) override { return nullptr; }

  // Properties over the debug control register.
  bool StepCounterBreakpointEnable() const { return (FControlRegister & 0x80) != 0; }
  bool Reset() const { return (FControlRegister & 0x20) != 0; }
  bool DebugEnable() const { return (FControlRegister & 0x10) != 0; }
  bool DebugAcknowledge() const { return (FControlRegister & 0x08) != 0; }
  bool DebugRequest() const { return (FControlRegister & 0x04) != 0; }
  bool DebugStep() const { return (FControlRegister & 0x02) != 0; }
  bool DebuggerProgramSelect() const { return (FControlRegister & 0x01) != 0; }
  uint8_t ControlRegister() const { return FControlRegister; }

  const std::string& CustomConstraintFile() const { return FCustomConstraintFile; }

 protected:
  void* FindInterface(REFIID iid) override;

  // The driver's register-address table; the base has no registers.
  virtual uint32_t GetProcessorRegisterAddress(int32_t /*index*/) { return 0; }
  virtual uint32_t GetAddressInstruction() { return 3; }
  virtual uint32_t GetDataInstruction() { return 4; }
  // Processor information for the constraint-file search; the base has none.
  virtual bool GetProcessorInformation(std::string& /*name*/) { return false; }
  virtual bool IsCPLD() { return false; }
  virtual bool IsFPGA() { return false; }
  virtual bool IsPROM() { return false; }
  virtual bool IsProcessor() { return false; }
  virtual bool IsSoftProcessor() { return false; }
  virtual bool IsGenericProcessor() { return false; }
  // The factory of the build (kind 0) and download (kind 1) flows; none here.
  virtual DispatchPtr CreateFlowStage(int32_t kind);
  virtual void BeginDeviceAccess();
  virtual void EndDeviceAccess();
  virtual void WriteControlRegister();
  virtual void ReadControlRegister();
  virtual void OpenChannel();
  virtual void CloseChannel();

  // Opens the channel for a debug sequence and closes it however the sequence ends.
  class TChannelBracket {
   public:
    explicit TChannelBracket(TMorvelDriver& driver);
    TChannelBracket(const TChannelBracket&) = delete;
    TChannelBracket& operator=(const TChannelBracket&) = delete;
    ~TChannelBracket();

   private:
    TMorvelDriver& FDriver;
  };

  // The channel of the attached host device, asked afresh on every use; null without one.
  DispatchPtr GetJTagChannel();
  int32_t GetJTagDeviceIndex();

  // The first existing path of the constraint-file search for a name; empty when none.
  std::string FindConstraintFile(const std::string& name);
  bool RegisterInRange(int32_t index);
  uint32_t AccessRegister(const DispatchPtr& channel, int32_t index, bool write, uint32_t value);
  std::string AccessRegisterText(const DispatchPtr& channel, int32_t index, bool write,
                                 const std::string& bits);

  void SetControlBit(uint8_t mask, bool value) {
    FControlRegister =
        static_cast<uint8_t>(value ? (FControlRegister | mask) : (FControlRegister & ~mask));
  }

  DispatchPtr FMorvelDevice;
  uint32_t FDeviceImage = 0;       // shared bitmap handle, built on the first picture request
  uint32_t FDeviceAboutImage = 0;  // no operation of this plug-in makes it
  DispatchPtr FCallBack;
  std::string FCustomConstraintFile;
  DispatchPtr FBuildFlow;
  DispatchPtr FDownloadFlow;
  DispatchPtr FVerifyFlow;
  DispatchPtr FRackView;
  uint8_t FControlRegister = 0;
  std::string FCoreExt;
};

}  // namespace morvel
