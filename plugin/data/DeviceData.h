// TDeviceData: the device-information layer that answers every information query of a driver
// from the catalogue row of its kind.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "bsdl/EntityBuilder.h"
#include "core/MorvelDriver.h"
#include "data/Catalogue.h"
#include "pins/DevicePins.h"
#include "pins/PinSets.h"
#include "sdk/Strings.h"

namespace morvel::stratix5 {

// The 212 compiled-in boundary-scan file names with a slot per name for the entity built from
// it. The names are shared constants; a driver holds only the slots.
class TBSDLDataList {
 public:
  TBSDLDataList();
  int Count() const { return kDevicePackageCount; }
  const char* Name(int index) const { return kBSDLNames[index]; }
  // Index of a name compared without regard to case, or -1.
  static int IndexOf(std::string_view name);
  TDispatchObject* Object(int index) const { return FObjects[index].get(); }
  void SetObject(int index, std::unique_ptr<TDispatchObject> object);

 private:
  std::unique_ptr<std::unique_ptr<TDispatchObject>[]> FObjects;
};

class TDeviceData : public TMorvelDriver {
 public:
  explicit TDeviceData(TDeviceKind kind);

  TDeviceKind Kind() const { return FKind; }
  const TDeviceParameters& Row() const { return kDevices[FKind]; }
  const TBSDLDataList& BSDLDataList() const { return FBSDLDataList; }

  uint32_t GetIdCode() override { return Row().IdCode; }
  std::string GetDeviceName() override { return Row().FullName; }
  std::string GetDeviceDescription() override;
  std::string GetFamilyName() override { return "Stratix5"; }
  std::string GetFamilyDescription() override { return "Stratix V FPGA"; }
  std::string GetLibraryName() override { return "Altera Stratix V.IntLib"; }
  std::string GetVendorName() override;
  std::string GetBaseName() override { return kBaseNames[Row().BaseName].Name; }
  int32_t GetEquivalentGatesForBase() override {
    return kBaseNames[Row().BaseName].EquivalentGates;
  }
  int32_t GetMaxIOForBase() override { return kBaseNames[Row().BaseName].MaxIO; }
  std::string GetPackageTypeId() override { return kPackageTypeStrings[Row().PackageType].Id; }
  std::string GetPackageTypeName() override { return kPackageTypeStrings[Row().PackageType].Name; }
  std::string GetPackageTypeDescription() override {
    return kPackageTypeStrings[Row().PackageType].Description;
  }
  std::string GetPackageId() override { return kPackageStrings[Row().Package].Id; }
  std::string GetPackageName() override { return kPackageStrings[Row().Package].Name; }
  std::string GetPackageDescription() override {
    return kPackageStrings[Row().Package].Description;
  }
  std::string GetPackageDimensions() override { return kPackageDimensions[Row().Package]; }
  std::string GetTemperatureGradeId() override {
    return kTemperatureGradeStrings[Row().TemperatureGrade].Id;
  }
  std::string GetTemperatureGradeName() override {
    return kTemperatureGradeStrings[Row().TemperatureGrade].Name;
  }
  std::string GetTemperatureGradeDescription() override {
    return kTemperatureGradeStrings[Row().TemperatureGrade].Description;
  }
  std::string GetSpeedGradeId() override { return kSpeedGradeStrings[Row().SpeedGrade].Id; }
  std::string GetSpeedGradeName() override { return kSpeedGradeStrings[Row().SpeedGrade].Name; }
  std::string GetSpeedGradeDescription() override {
    return kSpeedGradeStrings[Row().SpeedGrade].Description;
  }
  std::string GetOptionDesignatorId() override {
    return kOptionDesignatorStrings[Row().OptionDesignator].Id;
  }
  std::string GetOptionDesignatorName() override {
    return kOptionDesignatorStrings[Row().OptionDesignator].Name;
  }
  std::string GetOptionDesignatorDescription() override {
    return kOptionDesignatorStrings[Row().OptionDesignator].Description;
  }
  std::string GetBSDLFilename() override { return Row().BSDL; }
  int32_t GetInstructionLength() override { return Row().InstructionLength; }
  int32_t GetDSPMultiplierCount() override { return Resources().DSPMultiplierCount; }
  int32_t GetClockManagerCount() override { return Resources().ClockManagerCount; }
  int32_t GetMemorySize() override { return Resources().MemorySize; }
  bool GetTerminationSupport() override { return Resources().TerminationSupport; }
  int32_t GetGlobalClockCount() override { return Resources().GlobalClockCount; }
  int32_t GetConfigMemorySize() override { return Resources().ConfigMemorySize; }

  // Pins and IO standards from the pin set of the device row.
  int32_t GetDevicePinCount() override { return PinSet().PinCount; }
  int32_t GetDeviceIOCount() override { return PinSet().IOCount; }
  int32_t GetDiffPairCount() override { return PinSet().DiffCount; }
  int32_t GetHighSpeedDiffPairCount() override { return PinSet().HSpeedDiffCount; }
  // Makes every pin object on the first call; an index outside the pins is an error.
  DispatchPtr GetDevicePin(int32_t index) override;
  int32_t GetIOStandardCount() override { return MemberCount(PinSet().Standards); }
  DispatchPtr GetIOStandard(int32_t index) override {
    return IOStandardOfSet(PinSet().Standards, index);
  }

  // The entity of the device's compiled-in boundary-scan record, built on the first call and
  // answered again afterwards.
  DispatchPtr GetBSDLEntity() override;

 protected:
  bool IsFPGA() override { return true; }

 private:
  const TDevicePackageParameters& Resources() const {
    return DevicePackageParameters(Row().DevicePackage);
  }
  const TPinSetParameters& PinSet() const { return kPinSets[Row().PinSet]; }

  TDeviceKind FKind;
  TBSDLDataList FBSDLDataList;
  std::unique_ptr<TDevicePinData[]> FPins;

 protected:
  // Name indexes used while an entity is built: by pin number, cell number, pin number,
  // instruction name and register name. Their memory lives as long as the driver.
  std::pmr::monotonic_buffer_resource FIndexMemory;
  THashedStringList ScanPins{THashedStringList::allocator_type(&FIndexMemory)};
  THashedStringList BoundaryCells{THashedStringList::allocator_type(&FIndexMemory)};
  THashedStringList PinMappings{THashedStringList::allocator_type(&FIndexMemory)};
  THashedStringList OpCodes{THashedStringList::allocator_type(&FIndexMemory)};
  THashedStringList RegisterAssociations{THashedStringList::allocator_type(&FIndexMemory)};
};

}  // namespace morvel::stratix5
