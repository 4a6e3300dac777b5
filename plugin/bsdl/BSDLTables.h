// The compiled-in boundary-scan records, one per BSDL file of the vendor (212), in device-
// package order. Records of one pin table share its scan-pin and cell tables; texts of those
// tables are offsets into one generated pool.
#pragma once

#include <cstdint>

#include "bsdl/BSDL.h"
#include "data/Catalogue.h"

namespace morvel::stratix5 {

extern const char kBSDLText[];
inline const char* BSDLText(uint32_t offset) {
  return kBSDLText + offset;
}

struct TScanPinParameters {
  uint8_t Direction;  // TPinElectrical
  uint8_t Kind;       // TScanPinKind
  // Name and number; the pin's mapping repeats both.
  uint32_t PinName;
  uint32_t PinNumber;
  int32_t BoundaryCellCount;
  int32_t BoundaryCells[2];
};

struct TBoundaryCellParameters {
  int32_t CellNumber;
  uint8_t CellKind;       // TCellKind
  uint8_t CellFunction;   // TCellFunction
  uint8_t SafeBit;        // TBitValue
  uint8_t DisableValue;   // TBitValue
  uint8_t DisableResult;  // TDisableResult
  uint32_t PortId;        // "*" for cells without a port
  uint32_t PinNumber;     // the pin of the port, or empty
  int32_t ControlCellNumber;
  int32_t TargetCellNumber;
};

struct TOpCodeParameters {
  const char* InstructionName;
  const char* OpCodePattern;
};

struct TRegisterAssociationParameters {
  const char* RegisterName;
  int32_t RegisterLength;
  int32_t OpCodeCount;
  TOpCodeParameters OpCodes[2];
};

struct TBSDLParameters {
  const char* Name;
  int32_t BoundaryLength;
  double ScanClockMaxSpeed;
  TScanClockHaltMode ScanClockHaltMode;
  const char* ConformanceStatement;
  const char* CompliancePattern;
  const char* Filename;
  int32_t Instruction_SAMPLE;
  const char* PinNumber_TDI;
  const char* PinNumber_TDO;
  const char* PinNumber_TMS;
  const char* PinNumber_TCK;
  const char* PinNumber_TRST;
  int32_t PinCount;
  const TScanPinParameters* Pins;
  int32_t BoundaryCellCount;
  const TBoundaryCellParameters* BoundaryCells;
  int32_t OpCodeCount;
  const TOpCodeParameters* OpCodes;
  int32_t RegisterAssociationCount;
  const TRegisterAssociationParameters* RegisterAssociations;
};

extern const TBSDLParameters kBSDLRecords[kDevicePackageCount];

// The record whose file name equals the name without regard to case, or null.
const TBSDLParameters* FindBSDLRecord(std::string_view fileName);

}  // namespace morvel::stratix5
