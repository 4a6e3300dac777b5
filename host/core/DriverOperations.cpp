// Formatting driver answers for the command line.
#include "core/DriverOperations.h"

#include <cstdio>

#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace morvel::host {

namespace info = dispid::info;
namespace drv = dispid::driver;

const DriverOperation kInformationOperations[] = {
    {info::GetIdCode, "GetIdCode", AnswerKind::Hex},
    {info::GetDeviceName, "GetDeviceName", AnswerKind::Text},
    {info::GetDeviceDescription, "GetDeviceDescription", AnswerKind::Text},
    {info::GetDeviceDisplayName, "GetDeviceDisplayName", AnswerKind::Text},
    {info::GetFamilyName, "GetFamilyName", AnswerKind::Text},
    {info::GetFamilyDescription, "GetFamilyDescription", AnswerKind::Text},
    {info::GetVendorName, "GetVendorName", AnswerKind::Text},
    {info::GetLibraryName, "GetLibraryName", AnswerKind::Text},
    {info::GetVendorPrimitiveLibraryName, "GetVendorPrimitiveLibraryName", AnswerKind::Text},
    {info::GetBaseName, "GetBaseName", AnswerKind::Text},
    {info::GetEquivalentGatesForBase, "GetEquivalentGatesForBase", AnswerKind::Integer},
    {info::GetMaxIOForBase, "GetMaxIOForBase", AnswerKind::Integer},
    {info::GetPackageTypeId, "GetPackageTypeId", AnswerKind::Text},
    {info::GetPackageTypeName, "GetPackageTypeName", AnswerKind::Text},
    {info::GetPackageTypeDescription, "GetPackageTypeDescription", AnswerKind::Text},
    {info::GetPackageId, "GetPackageId", AnswerKind::Text},
    {info::GetPackageName, "GetPackageName", AnswerKind::Text},
    {info::GetPackageDescription, "GetPackageDescription", AnswerKind::Text},
    {info::GetPackageDimensions, "GetPackageDimensions", AnswerKind::Text},
    {info::GetTemperatureGradeId, "GetTemperatureGradeId", AnswerKind::Text},
    {info::GetTemperatureGradeName, "GetTemperatureGradeName", AnswerKind::Text},
    {info::GetTemperatureGradeDescription, "GetTemperatureGradeDescription", AnswerKind::Text},
    {info::GetSpeedGradeId, "GetSpeedGradeId", AnswerKind::Text},
    {info::GetSpeedGradeName, "GetSpeedGradeName", AnswerKind::Text},
    {info::GetSpeedGradeDescription, "GetSpeedGradeDescription", AnswerKind::Text},
    {info::GetOptionDesignatorId, "GetOptionDesignatorId", AnswerKind::Text},
    {info::GetOptionDesignatorName, "GetOptionDesignatorName", AnswerKind::Text},
    {info::GetOptionDesignatorDescription, "GetOptionDesignatorDescription", AnswerKind::Text},
    {info::GetBSDLFilename, "GetBSDLFilename", AnswerKind::Text},
    {info::GetBSDLEntity, "GetBSDLEntity", AnswerKind::Object},
    {info::GetInstructionLength, "GetInstructionLength", AnswerKind::Integer},
    {info::GetDevicePinCount, "GetDevicePinCount", AnswerKind::Integer},
    {info::GetDeviceIOCount, "GetDeviceIOCount", AnswerKind::Integer},
    {info::GetDiffPairCount, "GetDiffPairCount", AnswerKind::Integer},
    {info::GetHighSpeedDiffPairCount, "GetHighSpeedDiffPairCount", AnswerKind::Integer},
    {info::GetIOStandardCount, "GetIOStandardCount", AnswerKind::Integer},
    {info::GetDSPMultiplierCount, "GetDSPMultiplierCount", AnswerKind::Integer},
    {info::GetClockManagerCount, "GetClockManagerCount", AnswerKind::Integer},
    {info::GetMemorySize, "GetMemorySize", AnswerKind::Integer},
    {info::GetTerminationSupport, "GetTerminationSupport", AnswerKind::Boolean},
    {info::GetGlobalClockCount, "GetGlobalClockCount", AnswerKind::Integer},
    {info::GetConfigMemorySize, "GetConfigMemorySize", AnswerKind::Integer},
    {info::GetDownloadFileExtensions, "GetDownloadFileExtensions", AnswerKind::Text},
    {drv::CoreGen_OutputExtension, "CoreGen_OutputExtension", AnswerKind::Text},
};
const size_t kInformationOperationCount = std::size(kInformationOperations);

std::string FormatAnswer(const DispatchPtr& driver, const DriverOperation& op) {
  const Variant answer = Call(driver, op.Id);
  switch (op.Kind) {
    case AnswerKind::Text: return answer.AsText();
    case AnswerKind::Integer: return std::to_string(answer.AsInt());
    case AnswerKind::Hex: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "0x%08X", answer.AsUInt());
      return buf;
    }
    case AnswerKind::Boolean: return answer.AsBool() ? "true" : "false";
    case AnswerKind::Object: return answer.AsObject() ? "(object)" : "(none)";
  }
  return {};
}

}  // namespace morvel::host
