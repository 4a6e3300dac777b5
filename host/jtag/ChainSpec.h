// A chain described as text, such as "5SGXEA7N2F45C2N,5SGSMD5K2F40C2N,generic:8": device names
// resolved by a callback (the host asks the plug-in's drivers), generic bypass-only devices
// with their instruction-register length. Index 0, the first entry, is nearest TDI.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace morvel::host::jtag {

// The board the host simulates when no chain is given.
inline constexpr std::string_view kBuiltInChain = "5SGXEA7N2F45C2N,5SGSMD5K2F40C2N";

// Until the boundary-scan tables say otherwise, a Stratix V device's boundary register has the
// length of the largest package's.
inline constexpr unsigned kDefaultBoundaryLength = 2945;
inline constexpr unsigned kMinIrLength = 2;
inline constexpr unsigned kMaxIrLength = 64;
inline constexpr size_t kMaxChainDevices = 64;

enum class DeviceKind : uint8_t { StratixV, Generic };

struct DeviceSpec {
  DeviceKind Kind = DeviceKind::Generic;
  std::string Name;  // the full device name; "generic" for a generic device
  uint32_t IdCode = 0;
  unsigned IrLength = kMinIrLength;
  std::string BaseName;   // such as "5SGXEA7N2"
  std::string PackageId;  // such as "F45"
  unsigned BoundaryLength = kDefaultBoundaryLength;

  static DeviceSpec Generic(unsigned irLength);
};

// What the resolver knows of a device name.
struct ResolvedDevice {
  std::string Name;
  uint32_t IdCode = 0;
  unsigned IrLength = 0;
  std::string BaseName;
  std::string PackageId;
};
// Answers none for a name it does not know.
using DeviceResolver = std::function<std::optional<ResolvedDevice>(std::string_view name)>;

// A chain text that does not describe a chain: an unknown name, a bad length, an empty entry.
class ChainSpecError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Entries separated by commas, blanks around them ignored; "generic:N" (N from 2 to 64) or a
// device name, in any letter case.
std::vector<DeviceSpec> ParseChainSpec(std::string_view text, const DeviceResolver& resolve);

}  // namespace morvel::host::jtag
