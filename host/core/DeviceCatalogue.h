// The plug-in's device kinds as the host knows them: by name to build a chain or resolve a
// device given on the command line, by IDCODE to name what a remote chain holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/PluginLibrary.h"
#include "jtag/ChainSpec.h"
#include "jtag/JtagCable.h"

namespace morvel::host {

class DeviceCatalogue {
 public:
  // Asks one driver of every kind the plug-in offers.
  explicit DeviceCatalogue(PluginLibrary& plugin);

  size_t Count() const { return FDevices.size(); }
  const jtag::ResolvedDevice& Kind(size_t kind) const { return FDevices[kind]; }
  // The kind of a full device name in any letter case.
  std::optional<int32_t> KindOf(std::string_view name) const;
  // The first kind with this IDCODE (the top four revision bits aside).
  std::optional<int32_t> KindOfIdCode(uint32_t idcode) const;
  std::optional<jtag::ResolvedDevice> ByName(std::string_view name) const;
  // Many kinds share a die and so an IDCODE; the name then says how many.
  std::optional<jtag::KnownDevice> ByIdCode(uint32_t idcode) const;

 private:
  std::vector<jtag::ResolvedDevice> FDevices;
};

}  // namespace morvel::host
