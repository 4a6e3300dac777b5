// The compiled-in pin sets (one row per device package, sharing twelve generated pin tables)
// and the IO-standard table. Every lookup is an array index.
#pragma once

#include <cstdint>

#include "data/Catalogue.h"

namespace morvel::stratix5 {

enum TPinOption : uint8_t {
  ePinOption_IO,
  ePinOption_VREF,
  ePinOption_CLK,
  ePinOption_Special,
  ePinOption_InputOnly,
  ePinOption_DCIP,
  ePinOption_DCIN,
  ePinOption_DiffP,
  ePinOption_DiffN,
  ePinOption_HDiffP,
  ePinOption_HDiffN,
  ePinOption_TransmitDiff,
  ePinOption_ReceiveDiff,
  ePinOption_ClkDiffP,
  ePinOption_ClkDiffN,
  ePinOption_DLL
};
using TPinOptions = uint16_t;  // bit n for option n

enum TDeviceIOStandardID : uint8_t {
  sLVCMOS12,
  sLVCMOS15,
  sLVCMOS18,
  sLVCMOS25,
  sLVCMOS33,
  sLVTTL12,
  sLVTTL15,
  sLVTTL18,
  sLVTTL25,
  sLVTTL33,
  sDHSTL12I,
  sDHSTL12II,
  sDHSUL12,
  sDSSTL12,
  sDHSTLI,
  sDHSTLII,
  sDSSTL15,
  sDSSTL15I,
  sDSSTL15II,
  sDHSTL18I,
  sDHSTL18II,
  sDSSTL18I,
  sDSSTL18II,
  sDSSTL135,
  sDSSTL125,
  sDSSTL25I,
  sDSSTL25II,
  sHSTLI_12,
  sHSTLII_12,
  sHSTLI,
  sHSTLII,
  sHSTLI_18,
  sHSTLII_18,
  sSSTL2I,
  sSSTL2II,
  sSSTL18I,
  sSSTL18II,
  sSSTL15I,
  sSSTL15II,
  sSSTL15,
  sSSTL135,
  sSSTL125,
  sSSTL12,
  sHSUL12,
  sPCML25,
  sPCML15,
  sPCML14,
  sPCML12,
  sLVDS_E_3R,
  sLVDS,
  sMiniLVDS25_E_3R,
  sMiniLVDS25,
  sRSDS25_E_3R,
  sRSDS25,
  sHCSL,
  sSLVS,
  sLVPECL
};
inline constexpr int kIOStandardCount = 57;
using TDeviceIOStandards = uint64_t;  // bit n for standard n

// A pin: texts are offsets into the generated text pool, the standards an index into the
// few distinct standard sets.
struct TPinParameters {
  uint16_t PinNumber;
  uint16_t Bank;
  uint16_t DiffId;
  uint16_t ClkDiffId;
  TPinOptions Options;
  uint8_t StandardSet;
};

struct TPinSetParameters {
  int32_t PinCount;
  int32_t IOCount;
  int32_t DiffCount;
  int32_t HSpeedDiffCount;
  TDeviceIOStandards Standards;
  const TPinParameters* Pins;  // PinCount entries, in the order of the vendor's pin list
};

extern const TPinSetParameters kPinSets[kDevicePackageCount];
extern const char kPinText[];
extern const uint64_t kPinStandardSets[4];

inline const char* PinText(uint16_t offset) {
  return kPinText + offset;
}
inline TDeviceIOStandards PinStandards(const TPinParameters& pin) {
  return kPinStandardSets[pin.StandardSet];
}

// Slew rates and drive strengths, each a set with bit n for the n-th name.
inline constexpr const char* kSlewRateNames[3] = {"SLOW", "FAST", "VERY_SLOW"};
inline constexpr const char* kDriveStrengthNames[21] = {
    "2mA",  "3mA",  "4mA",  "6mA",   "7mA", "8mA",  "10mA", "12mA", "14mA", "16mA", "17mA",
    "18mA", "20mA", "24mA", "3.5mA", "5mA", "15mA", "21mA", "25mA", "33mA", "35mA"};

struct TDeviceIOStandardParameters {
  const char* DisplayName;
  const char* ParamName;
  bool Differential;
  uint8_t SlewRates;
  uint32_t DriveStrengths;
};

extern const TDeviceIOStandardParameters kIOStandards[kIOStandardCount];

// The index-th member of a bit set counting from 0 in ascending bit order, or -1 when the
// index is negative or not below the number of members.
int NthMember(uint64_t set, int32_t index);
int MemberCount(uint64_t set);

}  // namespace morvel::stratix5
