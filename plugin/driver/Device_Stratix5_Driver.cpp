// The concrete Stratix V driver.
#include "driver/Device_Stratix5_Driver.h"

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

}  // namespace morvel::stratix5
