// Dispatch identifiers of the host driver interface, shared by the plug-in and the host: the
// SDK a host of these plug-ins ships. Identifiers of other host objects live in HostDispIds.h.
#pragma once

#include "automation/Types.h"

namespace morvel::dispid {

// Device-information operations, in the order of their virtual operations.
namespace info {
inline constexpr DISPID GetIdCode = 503379;
inline constexpr DISPID GetDeviceName = 503380;
inline constexpr DISPID GetDeviceDescription = 503381;
inline constexpr DISPID GetFamilyName = 503382;
inline constexpr DISPID GetFamilyDescription = 503383;
inline constexpr DISPID GetLibraryName = 503384;
inline constexpr DISPID GetVendorPrimitiveLibraryName = 503385;
inline constexpr DISPID GetBaseName = 503386;
inline constexpr DISPID GetEquivalentGatesForBase = 503387;
inline constexpr DISPID GetMaxIOForBase = 503388;
inline constexpr DISPID GetPackageTypeId = 503389;
inline constexpr DISPID GetPackageTypeName = 503390;
inline constexpr DISPID GetPackageTypeDescription = 503391;
inline constexpr DISPID GetPackageId = 503392;
inline constexpr DISPID GetPackageName = 503393;
inline constexpr DISPID GetPackageDescription = 503394;
inline constexpr DISPID GetPackageDimensions = 503395;
inline constexpr DISPID GetTemperatureGradeId = 503396;
inline constexpr DISPID GetTemperatureGradeName = 503397;
inline constexpr DISPID GetTemperatureGradeDescription = 503398;
inline constexpr DISPID GetSpeedGradeId = 503399;
inline constexpr DISPID GetSpeedGradeName = 503400;
inline constexpr DISPID GetSpeedGradeDescription = 503401;
inline constexpr DISPID GetOptionDesignatorId = 503402;
inline constexpr DISPID GetOptionDesignatorName = 503403;
inline constexpr DISPID GetOptionDesignatorDescription = 503404;
inline constexpr DISPID GetBSDLFilename = 503405;
inline constexpr DISPID GetBSDLEntity = 503406;
inline constexpr DISPID GetVendorName = 503407;
inline constexpr DISPID GetInstructionLength = 503408;
inline constexpr DISPID GetDevicePinCount = 503409;
inline constexpr DISPID GetDeviceIOCount = 503410;
inline constexpr DISPID GetDevicePin = 503411;
inline constexpr DISPID GetDownloadFileExtensions = 503412;
inline constexpr DISPID GetDSPMultiplierCount = 503413;
inline constexpr DISPID GetClockManagerCount = 503414;
inline constexpr DISPID GetMemorySize = 503415;
inline constexpr DISPID GetTerminationSupport = 503416;
inline constexpr DISPID GetGlobalClockCount = 503417;
inline constexpr DISPID GetConfigMemorySize = 503418;
inline constexpr DISPID GetDiffPairCount = 503419;
inline constexpr DISPID GetHighSpeedDiffPairCount = 503420;
inline constexpr DISPID GetIOStandardCount = 503421;
inline constexpr DISPID GetIOStandard = 503422;
inline constexpr DISPID GetDeviceDisplayName = 503423;
inline constexpr DISPID GetDeviceParameter = 503424;
}  // namespace info

// Driver operations, in the order of their virtual operations.
namespace driver {
inline constexpr DISPID GetMorvelDevice = 503753;
inline constexpr DISPID SetMorvelDevice = 503754;
inline constexpr DISPID Finalize = 503755;
inline constexpr DISPID GetBitmapHandle = 503756;
inline constexpr DISPID SaveProcessorState = 503757;
inline constexpr DISPID RestoreProcessorState = 503758;
inline constexpr DISPID CreateRackViewer = 503759;
inline constexpr DISPID GetRackViewer = 503760;
inline constexpr DISPID Supports = 503761;
inline constexpr DISPID ShowAboutDialog = 503762;
inline constexpr DISPID VendorToolsDescriptor = 503763;
inline constexpr DISPID VendorToolsPresent = 503764;
inline constexpr DISPID VendorToolsUpToDate = 503765;
inline constexpr DISPID SetProcessorRegisterValue = 503766;
inline constexpr DISPID GetProcessorRegisterValue = 503767;
inline constexpr DISPID GetProcessorRegisterWidth = 503768;
inline constexpr DISPID GetProcessorRegisterName = 503769;
inline constexpr DISPID GetProcessorRegisterShortName = 503770;
inline constexpr DISPID GetProcessorRegisterCount = 503771;
inline constexpr DISPID GetRegisterIndex_PC = 503772;
inline constexpr DISPID GetRegisterIndex_SP = 503773;
inline constexpr DISPID GetSoftBreakpointAddressByteAlign = 503774;
inline constexpr DISPID GetMemorySpaceWidth = 503775;
inline constexpr DISPID GetMemorySpaceKind = 503776;
inline constexpr DISPID GetMemorySpaceBytesPerUnit = 503777;
inline constexpr DISPID GetMemorySpaceName = 503778;
inline constexpr DISPID GetMemorySpaceShortName = 503779;
inline constexpr DISPID GetMemorySpaceCount = 503780;
inline constexpr DISPID GetMemorySpace_Program = 503781;
inline constexpr DISPID InitDownload = 503782;
inline constexpr DISPID FinishDownload = 503783;
inline constexpr DISPID RunDiagnostic = 503784;
inline constexpr DISPID LittleEndian = 503785;
inline constexpr DISPID ResetDevice = 503786;
inline constexpr DISPID GetDeviceState = 503787;
inline constexpr DISPID ProgramDevice = 503788;
inline constexpr DISPID ReadUserCode = 503789;
inline constexpr DISPID FlowStage_Build = 503790;
inline constexpr DISPID FlowStage_Download = 503791;
inline constexpr DISPID CoreGen_OutputExtension = 503792;
inline constexpr DISPID ResetMorvelRegisters = 503793;
inline constexpr DISPID SingleStepProcessor = 503794;
inline constexpr DISPID RunSingleStepInSubstitutionRegister = 503795;
inline constexpr DISPID ResetProcessor = 503796;
inline constexpr DISPID PauseProcessor = 503797;
inline constexpr DISPID ContinueProcessor = 503798;
inline constexpr DISPID RunSteps = 503799;
inline constexpr DISPID ProcessorIsPaused = 503800;
inline constexpr DISPID ProcessorIsReset = 503801;
inline constexpr DISPID ProcessorIsRunning = 503802;
inline constexpr DISPID ProcessorIsUsingReducedInstructionSet = 503803;
inline constexpr DISPID Flash_Reset = 503804;
inline constexpr DISPID Flash_Program = 503805;
inline constexpr DISPID Flash_Configure = 503806;
inline constexpr DISPID SetProcessorRegisterWideValue = 503807;
inline constexpr DISPID GetProcessorRegisterWideValue = 503808;
inline constexpr DISPID ConfigureFpgaProject = 503809;
inline constexpr DISPID ShowConfiguration = 503810;
inline constexpr DISPID ShowCurrentSensePanel = 503811;
inline constexpr DISPID ReleaseResources = 503812;
inline constexpr DISPID InvalidateResources = 503813;
inline constexpr DISPID CustomAction_Execute = 503814;
inline constexpr DISPID CustomAction_GetState = 503815;
inline constexpr DISPID EPM_Download = 503816;
inline constexpr DISPID EPM_InititateTest = 503817;
inline constexpr DISPID EPM_GetTestResult = 503818;
inline constexpr DISPID EPM_SetPercentCallBack = 503819;
inline constexpr DISPID Flash_ResetForBitStream = 503820;
inline constexpr DISPID GetEmbeddedConstraintFile = 503821;
inline constexpr DISPID SetEmbeddedConstraintFile = 503822;
inline constexpr DISPID AddSoftBreakpoint = 508552;
inline constexpr DISPID RemoveSoftBreakpoint = 508553;
inline constexpr DISPID GetMemorySpaceLength = 508554;
inline constexpr DISPID GetFolder_Library = 509312;
inline constexpr DISPID ClockCoreGenerator = 509376;
inline constexpr DISPID ClockCoreTemplateGenerator = 509427;
inline constexpr DISPID ClockGeneratorTargetCore = 509470;
inline constexpr DISPID CustomCoreGenerator = 509981;
}  // namespace driver

// Pin objects, in the order of their virtual operations.
namespace pin {
inline constexpr DISPID GetPinNumber = 503525;
inline constexpr DISPID GetIOBank = 503526;
inline constexpr DISPID GetIsIOPin = 503527;
inline constexpr DISPID GetIsCLKPin = 503528;
inline constexpr DISPID GetIsVREFPin = 503529;
inline constexpr DISPID GetIsSpecialPin = 503530;
inline constexpr DISPID GetIOStandardCount = 503531;
inline constexpr DISPID GetIOStandard = 503532;
inline constexpr DISPID GetIsInputOnlyPin = 503533;
inline constexpr DISPID GetIsDCIP_Pin = 503534;
inline constexpr DISPID GetIsDCIN_Pin = 503535;
inline constexpr DISPID GetIsDiffP_Pin = 503536;
inline constexpr DISPID GetIsDiffN_Pin = 503537;
inline constexpr DISPID GetIsHDiffP_Pin = 503538;
inline constexpr DISPID GetIsHDiffN_Pin = 503539;
inline constexpr DISPID GetIsTransmitDiffPin = 503540;
inline constexpr DISPID GetIsReceiveDiffPin = 503541;
inline constexpr DISPID GetIsClkDiffP_Pin = 503542;
inline constexpr DISPID GetIsClkDiffN_Pin = 503543;
inline constexpr DISPID GetIsDLLPin = 503544;
inline constexpr DISPID GetDifferentialId = 503545;
inline constexpr DISPID GetClkDifferentialId = 503546;
inline constexpr DISPID GetUniqueDifferentialID = 503547;
inline constexpr DISPID GetIsPosPinOfDiffPair = 503548;
inline constexpr DISPID GetIsNegPinOfDiffPair = 503549;
}  // namespace pin

// IO-standard objects.
namespace iostandard {
inline constexpr DISPID GetDisplayName = 503519;
inline constexpr DISPID GetParamName = 503520;
inline constexpr DISPID GetSlewCount = 503521;
inline constexpr DISPID GetSlewValue = 503522;
inline constexpr DISPID GetDriveCount = 503523;
inline constexpr DISPID GetDriveStrength = 503524;
}  // namespace iostandard

// Boundary-scan objects: the operations every element shares, then each element's own.
namespace bsdl {
inline constexpr DISPID GetDescription = 503427;
inline constexpr DISPID GetShortDescription = 503428;
inline constexpr DISPID GetEntity = 503429;

inline constexpr DISPID Entity_GetName = 503458;
inline constexpr DISPID Entity_GetInstructionLength = 503459;
inline constexpr DISPID Entity_GetIdCode = 503460;
inline constexpr DISPID Entity_GetBoundaryLength = 503461;
inline constexpr DISPID Entity_GetPin = 503462;
inline constexpr DISPID Entity_GetPinMapping = 503463;
inline constexpr DISPID Entity_GetBoundaryCell = 503464;
inline constexpr DISPID Entity_GetInstructionOpcode = 503465;
inline constexpr DISPID Entity_GetRegisterAssociation = 503466;
inline constexpr DISPID Entity_GetPinCount = 503467;
inline constexpr DISPID Entity_GetPinMappingCount = 503468;
inline constexpr DISPID Entity_GetBoundaryCellCount = 503469;
inline constexpr DISPID Entity_GetInstructionOpcodeCount = 503470;
inline constexpr DISPID Entity_GetRegisterAssociationCount = 503471;
inline constexpr DISPID Entity_GetPin_TDI = 503472;
inline constexpr DISPID Entity_GetPin_TDO = 503473;
inline constexpr DISPID Entity_GetPin_TMS = 503474;
inline constexpr DISPID Entity_GetPin_TCK = 503475;
inline constexpr DISPID Entity_GetPin_TRST = 503476;
inline constexpr DISPID Entity_GetInstruction_BYPASS = 503477;
inline constexpr DISPID Entity_GetInstruction_EXTEST = 503478;
inline constexpr DISPID Entity_GetInstruction_SAMPLE = 503479;
inline constexpr DISPID Entity_GetInstruction_IDCODE = 503480;
inline constexpr DISPID Entity_GetInstruction_USERCODE = 503481;
inline constexpr DISPID Entity_GetInstruction_CLAMP = 503482;
inline constexpr DISPID Entity_GetInstruction_HIGHZ = 503483;
inline constexpr DISPID Entity_GetScanClockMaxSpeed = 503484;
inline constexpr DISPID Entity_GetScanClockHaltMode = 503485;
inline constexpr DISPID Entity_GetConformanceStatement = 503486;
inline constexpr DISPID Entity_GetCompliancePattern = 503487;
inline constexpr DISPID Entity_GetDesignWarning = 503488;
inline constexpr DISPID Entity_GetFilename = 503489;

inline constexpr DISPID ScanPin_GetDirection = 503490;
inline constexpr DISPID ScanPin_GetPinName = 503491;
inline constexpr DISPID ScanPin_GetPinNumber = 503492;
inline constexpr DISPID ScanPin_GetKind = 503493;
inline constexpr DISPID ScanPin_GetPinMapping = 503494;
inline constexpr DISPID ScanPin_GetBoundaryCellCount = 503495;
inline constexpr DISPID ScanPin_GetBoundaryCell = 503496;
inline constexpr DISPID ScanPin_GetCurrentValue = 503497;

inline constexpr DISPID PinMapping_GetPinName = 503498;
inline constexpr DISPID PinMapping_GetPinNumber = 503499;
inline constexpr DISPID PinMapping_GetScanPin = 503500;

inline constexpr DISPID Cell_GetCellNumber = 503501;
inline constexpr DISPID Cell_GetCellKind = 503502;
inline constexpr DISPID Cell_GetPortId = 503503;
inline constexpr DISPID Cell_GetCellFunction = 503504;
inline constexpr DISPID Cell_GetSafeBit = 503505;
inline constexpr DISPID Cell_GetControlCellNumber = 503506;
inline constexpr DISPID Cell_GetDisableValue = 503507;
inline constexpr DISPID Cell_GetDisableResult = 503508;
inline constexpr DISPID Cell_GetPin = 503509;
inline constexpr DISPID Cell_GetControlCell = 503510;
inline constexpr DISPID Cell_GetTargetCell = 503511;
inline constexpr DISPID Cell_GetCurrentValue = 503512;

inline constexpr DISPID OpCode_GetInstructionName = 503513;
inline constexpr DISPID OpCode_GetOpCodePattern = 503514;

inline constexpr DISPID Register_GetRegisterName = 503515;
inline constexpr DISPID Register_GetRegisterLength = 503516;
inline constexpr DISPID Register_GetInstructionOpcodeCount = 503517;
inline constexpr DISPID Register_GetInstructionOpcode = 503518;

// Scan pins and boundary cells take a write of their live value.
inline constexpr DISPID SetCurrentValue = 509024;
}  // namespace bsdl

}  // namespace morvel::dispid
