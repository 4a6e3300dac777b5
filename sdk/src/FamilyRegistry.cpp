// The device-family registry.
#include "sdk/FamilyRegistry.h"

#include <map>
#include <memory>

#include "sdk/HostUtil.h"
#include "sdk/IniFile.h"
#include "sdk/Strings.h"

namespace morvel {

namespace {

struct Row {
  const char* Family;
  const char* Vendor;
  const char* Edif;  // nullptr: the family name in upper case
};

// The families this SDK knows without any configuration file. The EDIF name is the family
// name in upper case unless the row names it.
constexpr Row kRows[] = {
    {"ProASICPlus", "Actel", nullptr},
    {"ProASIC3", "Actel", nullptr},
    {"ProASIC3E", "Actel", nullptr},
    {"IGLOO", "Actel", nullptr},
    {"IGLOOE", "Actel", nullptr},
    {"IGLOOnano", "Actel", "IGLOOnano"},
    {"IGLOOPLUS", "Actel", nullptr},
    {"Fusion", "Actel", nullptr},
    {"SmartFusion", "Actel", nullptr},
    {"MAX3000A", "Altera", nullptr},
    {"MAX7000AE", "Altera", nullptr},
    {"MAX7000B", "Altera", nullptr},
    {"MAX7000S", "Altera", nullptr},
    {"MAX2", "Altera", nullptr},
    {"MAX5", "Altera", nullptr},
    {"Cyclone", "Altera", nullptr},
    {"Cyclone2", "Altera", nullptr},
    {"Cyclone3", "Altera", nullptr},
    {"Cyclone4E", "Altera", nullptr},
    {"Cyclone4GX", "Altera", nullptr},
    {"Stratix", "Altera", nullptr},
    {"StratixGX", "Altera", nullptr},
    {"Stratix2", "Altera", nullptr},
    {"Stratix2GX", "Altera", nullptr},
    {"Stratix3", "Altera", nullptr},
    {"Stratix4", "Altera", nullptr},
    {"ArriaGX", "Altera", nullptr},
    {"Arria2GX", "Altera", nullptr},
    {"Arria2GZ", "Altera", nullptr},
    {"EC", "Lattice", nullptr},
    {"ECP", "Lattice", nullptr},
    {"ECP2", "Lattice", nullptr},
    {"ECP2M", "Lattice", nullptr},
    {"XP", "Lattice", nullptr},
    {"XP2", "Lattice", nullptr},
    {"MachXO", "Lattice", nullptr},
    {"MachXO2", "Lattice", nullptr},
    {"SC", "Lattice", nullptr},
    {"SCM", "Lattice", nullptr},
    {"ispXPLD5000MX", "Lattice", nullptr},
    {"ispMACH4000B", "Lattice", "ispMACH4000B"},
    {"ispMACH4000C", "Lattice", "ispMACH4000C"},
    {"ispMACH4000V", "Lattice", "ispMACH4000V"},
    {"ispMACH4000Z", "Lattice", "ispMACH4000Z"},
    {"XC9500", "Xilinx", nullptr},
    {"XC9500XL", "Xilinx", nullptr},
    {"XA9500XL", "Xilinx", nullptr},
    {"XC9500XV", "Xilinx", nullptr},
    {"CoolRunner2", "Xilinx", nullptr},
    {"XACoolRunner2", "Xilinx", nullptr},
    {"CoolRunnerXPLA3", "Xilinx", nullptr},
    {"Spartan2", "Xilinx", nullptr},
    {"Spartan2E", "Xilinx", nullptr},
    {"Spartan3", "Xilinx", nullptr},
    {"Spartan3E", "Xilinx", nullptr},
    {"XASpartan3E", "Xilinx", nullptr},
    {"Spartan3L", "Xilinx", nullptr},
    {"Spartan3A", "Xilinx", nullptr},
    {"XASpartan3A", "Xilinx", nullptr},
    {"Spartan3ADSP", "Xilinx", nullptr},
    {"XASpartan3ADSP", "Xilinx", nullptr},
    {"Spartan3AN", "Xilinx", nullptr},
    {"Spartan6", "Xilinx", nullptr},
    {"Virtex", "Xilinx", nullptr},
    {"VirtexE", "Xilinx", nullptr},
    {"Virtex2", "Xilinx", nullptr},
    {"Virtex2P", "Xilinx", nullptr},
    {"Virtex4", "Xilinx", nullptr},
    {"Virtex5", "Xilinx", nullptr},
    {"Virtex6", "Xilinx", nullptr},
    {"XC17V00", "Xilinx", ""},
    {"XC18V00", "Xilinx", ""},
    {"XCF", "Xilinx", ""},
    {"BLUESTREAK", "Sharp", ""},
    {"PPC405", "AMCC", ""},
    {"Stellaris", "TexasInstruments", ""},
    {"STM32", "STMicroelectronics", ""},
};
static_assert(std::size(kRows) == 77);

using Registry = std::map<std::string, TDeviceFamilyInfo>;  // exact-case keys

std::unique_ptr<Registry>& Instance() {
  static std::unique_ptr<Registry> registry;
  return registry;
}

Registry& Build() {
  std::unique_ptr<Registry>& registry = Instance();
  if (registry) return *registry;
  registry = std::make_unique<Registry>();
  for (const Row& row : kRows)
    (*registry)[row.Family] = {row.Vendor, row.Edif != nullptr ? row.Edif : UpperCase(row.Family)};
  // Each enabled plug-in folder may add or replace families; the last in the host's order wins.
  for (const PluginRegistryItem& item : PluginRegistryItems()) {
    if (item.Disabled || item.Folder.empty()) continue;
    const TIniFile ini(item.Folder + "MorvelConfig.ini");
    if (!ini.Exists()) continue;
    const std::string family = ini.ReadString("General", "DeviceFamily");
    if (family.empty()) continue;
    const std::string vendor = ini.ReadString("General", "DeviceVendor");
    if (vendor.empty()) continue;
    const std::string edif = ini.ReadString("General", "EDIF");
    if (edif.empty()) continue;
    (*registry)[family] = {vendor, edif};
  }
  return *registry;
}

}  // namespace

bool FindFamilyInfo(const std::string& family, TDeviceFamilyInfo& info) {
  const Registry& registry = Build();
  const auto it = registry.find(family);
  if (it == registry.end()) return false;
  info = it->second;
  return true;
}

std::string VendorOfFamily(const std::string& family) {
  TDeviceFamilyInfo info;
  return FindFamilyInfo(family, info) ? info.VendorName : std::string();
}

void ResetFamilyRegistryForTesting() {
  Instance().reset();
}

}  // namespace morvel
