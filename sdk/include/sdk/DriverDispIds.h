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

}  // namespace morvel::dispid
