// The concrete Stratix V driver.
#include "driver/Device_Stratix5_Driver.h"

#include "flow/DownloadStage.h"
#include "flow/QuartusFlow.h"
#include "jtag/StratixJtag.h"

namespace morvel::stratix5 {

TDevice_Stratix5Driver::TDevice_Stratix5Driver(TDeviceKind kind) : TDeviceData(kind) {
  FCoreExt = ".VHD";
}

TDeviceState TDevice_Stratix5Driver::GetDeviceState() {
  const DispatchPtr channel = GetJTagChannel();
  return stratix5::DeviceState(GetBaseName(), GetPackageId(), channel, GetJTagDeviceIndex());
}

int32_t TDevice_Stratix5Driver::ProgramDevice(const std::string& fileName) {
  const DispatchPtr channel = GetJTagChannel();
  return stratix5::ProgramDevice(*this, fileName, channel, GetJTagDeviceIndex());
}

bool TDevice_Stratix5Driver::ResetDevice() {
  const DispatchPtr channel = GetJTagChannel();
  return stratix5::ResetDevice(GetBaseName(), GetPackageId(), channel, GetJTagDeviceIndex());
}

uint32_t TDevice_Stratix5Driver::ReadUserCode() {
  const DispatchPtr channel = GetJTagChannel();
  return static_cast<uint32_t>(stratix5::ReadUserCode(channel, GetJTagDeviceIndex()));
}

DispatchPtr TDevice_Stratix5Driver::CreateFlowStage(int32_t kind) {
  // The flows hold the driver uncounted: the driver keeps them for its lifetime.
  switch (kind) {
    case 0:
      return DispatchPtr(
          ComPtr<TProcessFlow_AlteraFPGA>(new TProcessFlow_AlteraFPGA(AsDispatch()))->AsDispatch());
    case 1:
      return DispatchPtr(
          ComPtr<TFlowStage_DownloadFPGA>(new TFlowStage_DownloadFPGA(".RBF", AsDispatch()))
              ->AsDispatch());
    default: return nullptr;
  }
}

}  // namespace morvel::stratix5
