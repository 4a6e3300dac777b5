// Device-information layer over the catalogue.
#include "data/DeviceData.h"

#include <unordered_map>

#include "sdk/FamilyRegistry.h"
#include "sdk/Strings.h"

namespace morvel::stratix5 {

TBSDLDataList::TBSDLDataList()
    : FObjects(std::make_unique<std::unique_ptr<TDispatchObject>[]>(kDevicePackageCount)) {}

int TBSDLDataList::IndexOf(std::string_view name) {
  // One case-insensitive index over the constant names, shared by every driver.
  static const auto* index = [] {
    auto* map = new std::unordered_map<std::string_view, int, TextHash, TextEqual>();
    for (int i = 0; i < kDevicePackageCount; ++i) map->emplace(kBSDLNames[i], i);
    return map;
  }();
  const auto it = index->find(name);
  return it == index->end() ? -1 : it->second;
}

void TBSDLDataList::SetObject(int index, std::unique_ptr<TDispatchObject> object) {
  FObjects[index] = std::move(object);
}

TDeviceData::TDeviceData(TDeviceKind kind) : TMorvelDriver(".EDN"), FKind(kind) {}

std::string TDeviceData::GetDeviceDescription() {
  return GetVendorName() + " " + GetFamilyName() + " " + GetDeviceName();
}

std::string TDeviceData::GetVendorName() {
  return VendorOfFamily(GetFamilyName());
}

}  // namespace morvel::stratix5
