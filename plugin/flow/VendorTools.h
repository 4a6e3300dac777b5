// The vendor tool lookups: tool paths through the host's vendor tool manager, the installed
// Quartus version and whether the host lists it, and a driver's vendor-tool answers.
#pragma once

#include <optional>
#include <string>

#include "sdk/ComPtr.h"

namespace morvel {

// The host's vendor tool manager ("FPGAFlow" server, module operation 509009); null without.
DispatchPtr VendorToolManager();
// The full path of a vendor's tool, or empty.
std::string ToolPath(const std::string& vendor, const std::string& tool);

struct TQuartusVersion {
  bool Found = false;  // a version was read and the host lists it
  std::string Text;    // the version text read, listed or not
};
// Reads "readme.txt" one folder above the Quartus tools and checks "AlteraVersions.Txt" in
// the host's System folder. Raises OleError when either file cannot be read.
TQuartusVersion QuartusVersion();
// 100000000.0 when no listed version is found.
double QuartusVersionNumberOfHost();

// The version of the installed tools of a vendor, empty when none is known.
std::string VendorToolVersion(const std::string& vendor);

// A driver's answers by its vendor name.
std::string VendorToolsDescriptor(const std::string& vendor);
bool VendorToolsPresent(const std::string& vendor);
bool VendorToolsUpToDate(const std::string& vendor);

}  // namespace morvel
