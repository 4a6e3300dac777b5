// The device-family registry: family name to vendor and EDIF library name, from a compiled-in
// table and the "MorvelConfig.ini" files of the host's plug-in folders.
#pragma once

#include <string>

namespace morvel {

struct TDeviceFamilyInfo {
  std::string VendorName;
  std::string EDIF;
};

// The vendor of a family (names compared with exact case); empty when not registered. The
// registry is built on the first lookup and kept for the life of the plug-in.
std::string VendorOfFamily(const std::string& family);
// The registry's entry, or nothing.
bool FindFamilyInfo(const std::string& family, TDeviceFamilyInfo& info);

// Forgets the registry so that the next lookup builds it again (tests only).
void ResetFamilyRegistryForTesting();

}  // namespace morvel
