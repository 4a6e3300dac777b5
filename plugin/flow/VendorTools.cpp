// Vendor tool lookups through the host.
#include "flow/VendorTools.h"

#include <filesystem>
#include <fstream>

#include "flow/ProcessFlow.h"
#include "flow/QuartusVersion.h"
#include "sdk/DriverDispIds.h"
#include "sdk/Errors.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/HostUtil.h"
#include "sdk/Strings.h"

namespace morvel {

namespace {

std::vector<std::string> ReadList(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) throw OleError(E_FAIL, "Cannot read the version list " + file.string());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(Trim(line));
  return lines;
}

bool Listed(const std::vector<std::string>& list, const std::string& text) {
  for (const std::string& entry : list)
    if (SameText(entry, text)) return true;
  return false;
}

std::string FirstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) throw OleError(E_FAIL, "Cannot read " + file.string());
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The Actel designer's version: the first line of "verinfo" in "../adm" next to the tool,
// accepted when the host lists it.
std::optional<std::string> ActelVersion() {
  const std::string tool = ToolPath("Actel", "designer");
  if (tool.empty()) return std::nullopt;
  const auto verinfo = std::filesystem::path(tool).parent_path() / ".." / "adm" / "verinfo";
  std::error_code ec;
  if (!std::filesystem::exists(verinfo, ec)) return std::nullopt;
  const std::string version = Trim(FirstLine(verinfo));
  const auto list = std::filesystem::path(HostSystemFolder()) / "ACTELVersions.Txt";
  if (!std::filesystem::exists(list, ec) || !Listed(ReadList(list), version)) return std::nullopt;
  return version;
}

std::string ManagerText(DISPID id, const std::string& vendor) {
  DispatchPtr manager = VendorToolManager();
  return manager ? Call(manager, id, vendor).AsText() : std::string();
}

bool ManagerFlag(DISPID id, const std::string& vendor) {
  DispatchPtr manager = VendorToolManager();
  return manager && Call(manager, id, vendor).AsBool();
}

}  // namespace

DispatchPtr VendorToolManager() {
  DispatchPtr client = HostClient();
  if (!client) return nullptr;
  DispatchPtr server = Call(client, dispid::client::GetServerModule, "FPGAFlow").AsObject();
  if (!server) return nullptr;
  return Call(server, dispid::fpgaflow::GetVendorToolManager).AsObject();
}

std::string ToolPath(const std::string& vendor, const std::string& tool) {
  DispatchPtr manager = VendorToolManager();
  return manager ? Call(manager, dispid::vendortools::ToolPath, vendor, tool).AsText()
                 : std::string();
}

TQuartusVersion QuartusVersion() {
  TQuartusVersion version;
  const std::string tool = ToolPath("Altera", "Quartus_Cmd");
  if (tool.empty()) return version;
  const auto readme = std::filesystem::path(tool).parent_path().parent_path() / "readme.txt";
  const std::optional<std::string> text = ParseQuartusReadmeLine(FirstLine(readme));
  if (!text) return version;
  version.Text = *text;
  version.Found =
      Listed(ReadList(std::filesystem::path(HostSystemFolder()) / "AlteraVersions.Txt"), *text);
  return version;
}

double QuartusVersionNumberOfHost() {
  const TQuartusVersion version = QuartusVersion();
  return QuartusVersionNumber(version.Found ? std::optional<std::string>(version.Text)
                                            : std::nullopt);
}

std::string VendorToolVersion(const std::string& vendor) {
  if (SameText(vendor, "Altera")) {
    const TQuartusVersion version = QuartusVersion();
    return version.Found ? version.Text : std::string();
  }
  if (SameText(vendor, "Xilinx") || SameText(vendor, "Lattice"))
    return ManagerText(dispid::vendortools::Version, vendor);
  if (SameText(vendor, "Actel")) return ActelVersion().value_or(std::string());
  return {};
}

std::string TFlowStage_WithDriver::VendorToolVersion() {
  if (FDriver == nullptr) return {};
  return morvel::VendorToolVersion(Call(FDriver, dispid::info::GetVendorName).AsText());
}

std::string VendorToolsDescriptor(const std::string& vendor) {
  if (SameText(vendor, "Altera")) return "Altera Quartus II";
  if (SameText(vendor, "Actel")) return "ACTEL LiberoIDE";
  if (SameText(vendor, "Xilinx") || SameText(vendor, "Lattice"))
    return ManagerText(dispid::vendortools::Descriptor, vendor);
  return {};
}

bool VendorToolsPresent(const std::string& vendor) {
  if (SameText(vendor, "Altera")) return !ToolPath("Altera", "Quartus_Cmd").empty();
  if (SameText(vendor, "Actel")) return !ToolPath("Actel", "designer").empty();
  if (SameText(vendor, "Xilinx") || SameText(vendor, "Lattice"))
    return ManagerFlag(dispid::vendortools::Present, vendor);
  return true;
}

bool VendorToolsUpToDate(const std::string& vendor) {
  if (SameText(vendor, "Altera")) return QuartusVersion().Found;
  if (SameText(vendor, "Actel")) return ActelVersion().has_value();
  if (SameText(vendor, "Xilinx") || SameText(vendor, "Lattice"))
    return ManagerFlag(dispid::vendortools::UpToDate, vendor);
  return true;
}

}  // namespace morvel
