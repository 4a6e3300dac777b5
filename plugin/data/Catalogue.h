// The compiled-in Stratix V catalogue: enumerations with their strings, the base-name, device
// and resource tables. Every lookup is an array index; nothing is built or searched at run time.
#pragma once

#include <cstdint>

#include "data/CatalogueEnums.h"  // generated: TBaseNameId, TDeviceKind, TDevicePinSet, ...

namespace morvel::stratix5 {

enum TPackage : uint8_t {
  ePackage_F35,
  ePackage_F40,
  ePackage_F43,
  ePackage_F45,
  ePackage_H29,
  ePackage_H40,
  ePackage_H43
};
enum TPackageType : uint8_t { ePackageType_F, ePackageType_H };
enum TTemperatureGrade : uint8_t { eTemperatureGrade_C, eTemperatureGrade_I };
enum TSpeedGrade : uint8_t { eSpeedGrade_1, eSpeedGrade_2, eSpeedGrade_3, eSpeedGrade_4 };
enum TOptionDesignator : uint8_t {
  eOptionDesignator_ESN,
  eOptionDesignator_LN,
  eOptionDesignator_N,
  eOptionDesignator_None
};

// Id, name and description of an enumeration value.
struct TEnumStrings {
  const char* Id;
  const char* Name;
  const char* Description;
};

extern const TEnumStrings kPackageStrings[7];
extern const char* const kPackageDimensions[7];
extern const TEnumStrings kPackageTypeStrings[2];
extern const TEnumStrings kTemperatureGradeStrings[2];
extern const TEnumStrings kSpeedGradeStrings[4];
extern const TEnumStrings kOptionDesignatorStrings[4];

struct TBaseNameIdParameters {
  const char* Name;
  int32_t EquivalentGates;
  int32_t MaxIO;
};

struct TDeviceParameters {
  TDeviceKind Kind;
  const char* FullName;
  uint32_t IdCode;
  TBaseNameId BaseName;
  TPackage Package;
  TPackageType PackageType;
  TTemperatureGrade TemperatureGrade;
  TSpeedGrade SpeedGrade;
  TOptionDesignator OptionDesignator;
  const char* BSDL;
  TDevicePinSet PinSet;
  int32_t InstructionLength;
  TDevicePackage DevicePackage;
};

struct TDevicePackageParameters {
  int32_t DSPMultiplierCount;
  int32_t ClockManagerCount;
  int32_t MemorySize;
  bool TerminationSupport;
  int32_t GlobalClockCount;
  int32_t ConfigMemorySize;
};

extern const TBaseNameIdParameters kBaseNames[kBaseNameCount];
extern const TDeviceParameters kDevices[kDeviceKindCount];
// The resource table holds 15 distinct rows; each device package names its row.
extern const TDevicePackageParameters kResourceRows[kResourceRowCount];
extern const uint8_t kDevicePackageResourceRow[kDevicePackageCount];
extern const char* const kDevicePackageNames[kDevicePackageCount];  // base name + package id
// The 212 boundary-scan file names in device-package order.
extern const char* const kBSDLNames[kDevicePackageCount];

inline const TDevicePackageParameters& DevicePackageParameters(TDevicePackage p) {
  return kResourceRows[kDevicePackageResourceRow[p]];
}

inline bool IsValidKind(int32_t kind) {
  return kind >= 0 && kind < kDeviceKindCount;
}

}  // namespace morvel::stratix5
