// Parsing of chain texts.
#include "jtag/ChainSpec.h"

#include "sdk/Strings.h"

namespace morvel::host::jtag {

DeviceSpec DeviceSpec::Generic(unsigned irLength) {
  DeviceSpec spec;
  spec.Kind = DeviceKind::Generic;
  spec.Name = "generic";
  spec.IrLength = irLength;
  spec.BoundaryLength = 0;
  return spec;
}

namespace {

DeviceSpec ParseGeneric(const std::string& entry, std::string_view lengthText) {
  const std::string text = Trim(lengthText);
  unsigned length = 0;
  bool ok = !text.empty() && text.size() <= 3;
  for (const char c : text) {
    ok = ok && c >= '0' && c <= '9';
    if (ok) length = length * 10 + static_cast<unsigned>(c - '0');
  }
  if (!ok || length < kMinIrLength || length > kMaxIrLength)
    throw ChainSpecError("'" + entry + "': a generic device needs an instruction-register length" +
                         " from " + std::to_string(kMinIrLength) + " to " +
                         std::to_string(kMaxIrLength) + ", as in generic:8");
  return DeviceSpec::Generic(length);
}

}  // namespace

std::vector<DeviceSpec> ParseChainSpec(std::string_view text, const DeviceResolver& resolve) {
  std::vector<DeviceSpec> chain;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string entry =
        Trim(text.substr(start, comma == std::string_view::npos ? text.npos : comma - start));
    if (entry.empty())
      throw ChainSpecError(Trim(text).empty()
                               ? std::string("the chain is empty")
                               : "the chain '" + std::string(text) + "' has an empty entry");
    if (StartsWithText(entry, "generic:")) {
      chain.push_back(ParseGeneric(entry, std::string_view(entry).substr(8)));
    } else {
      const std::optional<ResolvedDevice> found = resolve ? resolve(entry) : std::nullopt;
      if (!found)
        throw ChainSpecError("unknown device '" + entry +
                             "' in the chain (a device name such as 5SGXEA7N2F45C2N, or "
                             "generic:N)");
      DeviceSpec spec;
      spec.Kind = DeviceKind::StratixV;
      spec.Name = found->Name;
      spec.IdCode = found->IdCode;
      spec.IrLength = found->IrLength;
      spec.BaseName = found->BaseName;
      spec.PackageId = found->PackageId;
      chain.push_back(std::move(spec));
    }
    if (chain.size() > kMaxChainDevices)
      throw ChainSpecError("a chain holds at most " + std::to_string(kMaxChainDevices) +
                           " devices");
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return chain;
}

}  // namespace morvel::host::jtag
