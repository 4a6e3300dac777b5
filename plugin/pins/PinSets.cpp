// The IO-standard table and the generated pin tables.
#include "pins/PinSets.h"

#include <bit>
#include <initializer_list>

namespace morvel::stratix5 {

namespace {

enum : uint8_t { kSlow = 1, kFast = 2 };
enum DriveBit { d2, d3, d4, d6, d7, d8, d10, d12, d14, d16 };

constexpr uint32_t Drive(std::initializer_list<DriveBit> bits) {
  uint32_t set = 0;
  for (DriveBit b : bits) set |= 1u << b;
  return set;
}

constexpr uint32_t kLow = Drive({d2, d4, d6, d8});
constexpr uint32_t kMid = Drive({d2, d4, d6, d8, d10, d12});
constexpr uint32_t kHigh = Drive({d4, d8, d12, d16});
constexpr uint32_t kClassI = Drive({d4, d6, d8, d10, d12});
constexpr uint32_t kClassII = Drive({d16});
constexpr uint32_t kSstl2I = Drive({d8, d10, d12});
constexpr uint8_t kBoth = kSlow | kFast;

}  // namespace

// Names and flags as the vendor tools spell them, including "Differential 1.3-V SSTL" for
// DSSTL12, the repeated "Class I" of DSSTL25II and the non-differential DSSTL15, PCML15/14/12
// and HCSL.
const TDeviceIOStandardParameters kIOStandards[kIOStandardCount] = {
    {"LVCMOS 1.2V", "LVCMOS12", false, kBoth, kLow},
    {"LVCMOS 1.5V", "LVCMOS15", false, kBoth, kMid},
    {"LVCMOS 1.8V", "LVCMOS18", false, kBoth, kMid},
    {"LVCMOS 2.5V", "LVCMOS25", false, kBoth, kHigh},
    {"LVCMOS 3.3V", "LVCMOS33", false, kBoth, kHigh},
    {"LVTTL 1.2V", "LVTTL12", false, kBoth, kLow},
    {"LVTTL 1.5V", "LVTTL15", false, kBoth, kMid},
    {"LVTTL 1.8V", "LVTTL18", false, kBoth, kMid},
    {"LVTTL 2.5V", "LVTTL25", false, kBoth, kHigh},
    {"LVTTL 3.3V", "LVTTL33", false, kBoth, kHigh},
    {"DHSTL12I", "DHSTL12I", true, kBoth, kClassI},
    {"DHSTL12II", "DHSTL12II", true, kBoth, kClassII},
    {"Differential 1.2-V HSUL", "DHSUL12", true, kBoth, 0},
    {"Differential 1.3-V SSTL", "DSSTL12", true, kFast, 0},
    {"DHSTL Class I", "DHSTLI", true, kBoth, kClassI},
    {"DHSTL Class II", "DHSTLII", true, kBoth, kClassII},
    {"DSSTL 1.5V", "DSSTL15", false, kFast, 0},
    {"Differential SSTL Class I 1.5V", "DSSTL15I", true, kBoth, kClassI},
    {"Differential SSTL Class II 1.5V", "DSSTL15II", true, kBoth, kClassII},
    {"DHSTL 1.8V Class I", "DHSTL18I", true, kBoth, kClassI},
    {"DHSTL 1.8V Class II", "DHSTL18II", true, kBoth, kClassII},
    {"Differential SSTL 1.8V Class I", "DSSTL18I", true, kBoth, kClassI},
    {"Differential SSTL 1.8V Class II", "DSSTL18II", true, kBoth, kClassII},
    {"Differential 1.35-V SSTL", "DSSTL135", true, kFast, 0},
    {"Differential 1.25-V SSTL", "DSSTL125", true, kFast, 0},
    {"Differential 2.5-V SSTL Class I", "DSSTL25I", true, kBoth, kSstl2I},
    {"Differential 2.5-V SSTL Class I", "DSSTL25II", true, kBoth, kClassII},
    {"HSTL Class I 1.2V", "HSTLI_12", false, kBoth, kClassI},
    {"HSTLII_12", "HSTLII_12", false, kBoth, kClassII},
    {"HSTL Class I", "HSTLI", false, kBoth, kClassI},
    {"HSTL Class II", "HSTLII", false, kBoth, kClassII},
    {"HSTL Class I 1.8V", "HSTLI_18", false, kBoth, kClassI},
    {"HSTL Class II 1.8V", "HSTLII_18", false, kBoth, kClassII},
    {"SSTL2 Class I", "SSTL2I", false, kBoth, kSstl2I},
    {"SSTL2 Class II", "SSTL2II", false, kBoth, kClassII},
    {"SSTL18 Class I", "SSTL18I", false, kBoth, kClassI},
    {"SSTL18 Class II", "SSTL18II", false, kBoth, kClassII},
    {"SSTL Class I 1.5V", "SSTL15I", false, kBoth, kClassI},
    {"SSTL Class II 1.5V", "SSTL15II", false, kBoth, kClassII},
    {"SSTL 1.5V", "SSTL15", false, kFast, 0},
    {"SSTL-135", "SSTL135", false, kFast, 0},
    {"SSTL-125", "SSTL125", false, kFast, 0},
    {"SSTL-12", "SSTL12", false, kFast, 0},
    {"1.2-V HSUL", "HSUL12", false, kFast, 0},
    {"Differential 2.5-V Pseudo Current Mode Logic", "PCML25", true, 0, 0},
    {"PCML15", "PCML15", false, 0, 0},
    {"PCML14", "PCML14", false, 0, 0},
    {"PCML12", "PCML12", false, 0, 0},
    {"LVDS External Three-Resistor Network", "LVDS_E_3R", true, kBoth, 0},
    {"LVDS", "LVDS", true, 0, 0},
    {"MiniLVDS25 External Three-Resistor Network", "MiniLVDS25_E_3R", true, kBoth, 0},
    {"Mini LVDS 2.5V", "MiniLVDS25", true, 0, 0},
    {"RSDS25 External Three-Resistor Network", "RSDS25_E_3R", true, kBoth, 0},
    {"RSDS 2.5V", "RSDS25", true, 0, 0},
    {"HCSL", "HCSL", false, 0, 0},
    {"SLVS", "SLVS", true, 0, 0},
    {"LVPECL", "LVPECL", true, 0, 0},
};

int NthMember(uint64_t set, int32_t index) {
  if (index < 0) return -1;
  for (int bit = 0; bit < 64; ++bit) {
    if ((set & (uint64_t{1} << bit)) == 0) continue;
    if (index-- == 0) return bit;
  }
  return -1;
}

int MemberCount(uint64_t set) {
  return std::popcount(set);
}

#include "pins/PinTables.inc"

}  // namespace morvel::stratix5
