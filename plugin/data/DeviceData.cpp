// Device-information layer over the catalogue.
#include "data/DeviceData.h"

#include <stdexcept>
#include <unordered_map>

#include "bsdl/BSDLTables.h"
#include "sdk/FamilyRegistry.h"
#include "sdk/Strings.h"

namespace morvel::stratix5 {

TBSDLDataList::TBSDLDataList()
    : FObjects(std::make_unique<std::unique_ptr<TDispatchObject>[]>(kDevicePackageCount)) {}

int TBSDLDataList::IndexOf(std::string_view name) {
  // One case-insensitive index over the constant names, shared by every driver and freed
  // with the module (a leaked one outlives an unloaded plug-in as a leak).
  static const auto index = [] {
    std::unordered_map<std::string_view, int, TextHash, TextEqual> map;
    for (int i = 0; i < kDevicePackageCount; ++i) map.emplace(kBSDLNames[i], i);
    return map;
  }();
  const auto it = index.find(name);
  return it == index.end() ? -1 : it->second;
}

void TBSDLDataList::SetObject(int index, std::unique_ptr<TDispatchObject> object) {
  FObjects[index] = std::move(object);
}

TDeviceData::TDeviceData(TDeviceKind kind) : TMorvelDriver(".EDN"), FKind(kind) {}

std::string TDeviceData::GetDeviceDescription() {
  return GetVendorName() + " " + GetFamilyName() + " " + GetDeviceName();
}

DispatchPtr TDeviceData::GetDevicePin(int32_t index) {
  const int32_t count = GetDevicePinCount();
  if (index < 0 || index >= count)
    throw std::out_of_range("Pin index " + std::to_string(index) + " is outside 0 to " +
                            std::to_string(count - 1));
  if (!FPins) {
    auto pins = std::make_unique<TDevicePinData[]>(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) pins[i].SetPin(Row().PinSet, i);
    FPins = std::move(pins);
  }
  return DispatchPtr(FPins[index].AsDispatch());
}

DispatchPtr TDeviceData::GetBSDLEntity() {
  const int slot = TBSDLDataList::IndexOf(GetBSDLFilename());
  if (slot < 0) return nullptr;
  if (TDispatchObject* built = FBSDLDataList.Object(slot)) return DispatchPtr(built->AsDispatch());
  const TBSDLParameters* record = FindBSDLRecord(GetBSDLFilename());
  if (record == nullptr) return nullptr;
  std::unique_ptr<TBSDLEntity> entity = BuildBSDLEntity(
      *record, {ScanPins, BoundaryCells, PinMappings, OpCodes, RegisterAssociations});
  TBSDLEntity* raw = entity.get();
  FBSDLDataList.SetObject(slot, std::move(entity));
  return DispatchPtr(raw->AsDispatch());
}

std::string TDeviceData::GetVendorName() {
  return VendorOfFamily(GetFamilyName());
}

}  // namespace morvel::stratix5
