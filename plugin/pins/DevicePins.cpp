// Pin and IO-standard objects: dispatch tables, the derived pin operations and the shared
// IO-standard objects.
#include "pins/DevicePins.h"

#include <array>
#include <memory>

#include "sdk/DriverDispIds.h"

namespace morvel {

const DispatchTable& TMorvelAbstractDevicePin::Table() {
  using C = TMorvelAbstractDevicePin;
  namespace id = dispid::pin;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(id::GetPinNumber, C, GetPinNumber), MORVEL_DISP(id::GetIOBank, C, GetIOBank),
      MORVEL_DISP(id::GetIsIOPin, C, GetIsIOPin), MORVEL_DISP(id::GetIsCLKPin, C, GetIsCLKPin),
      MORVEL_DISP(id::GetIsVREFPin, C, GetIsVREFPin),
      MORVEL_DISP(id::GetIsSpecialPin, C, GetIsSpecialPin),
      MORVEL_DISP(id::GetIOStandardCount, C, GetIOStandardCount),
      MORVEL_DISP(id::GetIOStandard, C, GetIOStandard),
      MORVEL_DISP(id::GetIsInputOnlyPin, C, GetIsInputOnlyPin),
      MORVEL_DISP(id::GetIsDCIP_Pin, C, GetIsDCIP_Pin),
      MORVEL_DISP(id::GetIsDCIN_Pin, C, GetIsDCIN_Pin),
      MORVEL_DISP(id::GetIsDiffP_Pin, C, GetIsDiffP_Pin),
      MORVEL_DISP(id::GetIsDiffN_Pin, C, GetIsDiffN_Pin),
      MORVEL_DISP(id::GetIsHDiffP_Pin, C, GetIsHDiffP_Pin),
      MORVEL_DISP(id::GetIsHDiffN_Pin, C, GetIsHDiffN_Pin),
      MORVEL_DISP(id::GetIsTransmitDiffPin, C, GetIsTransmitDiffPin),
      MORVEL_DISP(id::GetIsReceiveDiffPin, C, GetIsReceiveDiffPin),
      MORVEL_DISP(id::GetIsClkDiffP_Pin, C, GetIsClkDiffP_Pin),
      MORVEL_DISP(id::GetIsClkDiffN_Pin, C, GetIsClkDiffN_Pin),
      MORVEL_DISP(id::GetIsDLLPin, C, GetIsDLLPin),
      MORVEL_DISP(id::GetDifferentialId, C, GetDifferentialId),
      MORVEL_DISP(id::GetClkDifferentialId, C, GetClkDifferentialId),
      MORVEL_DISP(id::GetUniqueDifferentialID, C, GetUniqueDifferentialID),
      MORVEL_DISP(id::GetIsPosPinOfDiffPair, C, GetIsPosPinOfDiffPair),
      MORVEL_DISP(id::GetIsNegPinOfDiffPair, C, GetIsNegPinOfDiffPair));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"DevicePin"}, nullptr);
  return table;
}

std::string TMorvelAbstractDevicePin::GetUniqueDifferentialID() {
  return GetIOBank() + "|" + GetDifferentialId() + "|" + GetClkDifferentialId();
}

bool TMorvelAbstractDevicePin::GetIsPosPinOfDiffPair() {
  return GetIsDiffP_Pin() || GetIsHDiffP_Pin() || GetIsDCIP_Pin() || GetIsClkDiffP_Pin();
}

bool TMorvelAbstractDevicePin::GetIsNegPinOfDiffPair() {
  return GetIsDiffN_Pin() || GetIsHDiffN_Pin() || GetIsDCIN_Pin() || GetIsClkDiffN_Pin();
}

const DispatchTable& TMorvelAbstractDeviceIOStandard::Table() {
  using C = TMorvelAbstractDeviceIOStandard;
  namespace id = dispid::iostandard;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::GetDisplayName, C, GetDisplayName),
                      MORVEL_DISP(id::GetParamName, C, GetParamName),
                      MORVEL_DISP(id::GetSlewCount, C, GetSlewCount),
                      MORVEL_DISP(id::GetSlewValue, C, GetSlewValue),
                      MORVEL_DISP(id::GetDriveCount, C, GetDriveCount),
                      MORVEL_DISP(id::GetDriveStrength, C, GetDriveStrength));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"DeviceIOStandard"}, nullptr);
  return table;
}

namespace stratix5 {

namespace {

// Made when the module loads and freed when it unloads; host references do not end them.
struct TIOStandardObjects {
  TIOStandardObjects() {
    for (int id = 0; id < kIOStandardCount; ++id)
      Objects[id] = std::make_unique<TDeviceIOStandardData>(static_cast<TDeviceIOStandardID>(id));
  }
  std::array<std::unique_ptr<TDeviceIOStandardData>, kIOStandardCount> Objects;
};

const TIOStandardObjects gIOStandards;

}  // namespace

TDeviceIOStandardData* IOStandardObject(TDeviceIOStandardID id) {
  return gIOStandards.Objects[id].get();
}

DispatchPtr IOStandardOfSet(TDeviceIOStandards set, int32_t index) {
  const int id = NthMember(set, index);
  if (id < 0 || id >= kIOStandardCount) return nullptr;
  return DispatchPtr(IOStandardObject(static_cast<TDeviceIOStandardID>(id))->AsDispatch());
}

int32_t TDevicePinData::GetIOStandardCount() {
  return MemberCount(PinStandards(Pin()));
}

DispatchPtr TDevicePinData::GetIOStandard(int32_t index) {
  return IOStandardOfSet(PinStandards(Pin()), index);
}

std::string TDeviceIOStandardData::GetSlewValue(int32_t index) {
  const int bit = NthMember(Row().SlewRates, index);
  return bit < 0 ? std::string() : kSlewRateNames[bit];
}

std::string TDeviceIOStandardData::GetDriveStrength(int32_t index) {
  const int bit = NthMember(Row().DriveStrengths, index);
  return bit < 0 ? std::string() : kDriveStrengthNames[bit];
}

}  // namespace stratix5
}  // namespace morvel
