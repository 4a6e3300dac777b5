// The status-bit table of the Stratix V devices, one list of base names per N and K.
#include "jtag/StatusTable.h"

#include <span>

#include "sdk/Strings.h"

namespace morvel::host::jtag {

namespace {

constexpr std::string_view kRows1165_424[] = {
    "5SEE9",     "5SEEB",     "5SGXEA9K1", "5SGXEA9K2", "5SGXEA9K3", "5SGXEA9N1", "5SGXEA9N2",
    "5SGXEA9N3", "5SGXEABK1", "5SGXEABK2", "5SGXEABK3", "5SGXEABN1", "5SGXEABN2", "5SGXEABN3",
    "5SGXEB9R1", "5SGXEB9R2", "5SGXEB9R3", "5SGXEBBR1", "5SGXEBBR2", "5SGXEBBR3", "5SGXMA9K1",
    "5SGXMA9K2", "5SGXMA9K3", "5SGXMA9N1", "5SGXMA9N2", "5SGXMA9N3", "5SGXMABK1", "5SGXMABK2",
    "5SGXMABK3", "5SGXMABN1", "5SGXMABN2", "5SGXMABN3", "5SGXMB9R1", "5SGXMB9R2", "5SGXMB9R3",
    "5SGXMBBR1", "5SGXMBBR2", "5SGXMBBR3"};
constexpr std::string_view kRows1081_424[] = {
    "5SGSED6K1", "5SGSED6K2", "5SGSED6K3", "5SGSED6N1", "5SGSED6N2", "5SGSED6N3", "5SGSED8K1",
    "5SGSED8K2", "5SGSED8K3", "5SGSED8N1", "5SGSED8N2", "5SGSED8N3", "5SGSMD6K1", "5SGSMD6K2",
    "5SGSMD6K3", "5SGSMD6N1", "5SGSMD6N2", "5SGSMD6N3", "5SGSMD8K1", "5SGSMD8K2", "5SGSMD8K3",
    "5SGSMD8N1", "5SGSMD8N2", "5SGSMD8N3", "5SGTMC5K2", "5SGTMC5K3", "5SGTMC7K2", "5SGTMC7K3",
    "5SGXEA5H1", "5SGXEA5H2", "5SGXEA5H3", "5SGXEA5K1", "5SGXEA5K2", "5SGXEA5K3", "5SGXEA5N1",
    "5SGXEA5N2", "5SGXEA5N3", "5SGXEA7H1", "5SGXEA7H2", "5SGXEA7H3", "5SGXEA7K1", "5SGXEA7K2",
    "5SGXEA7K3", "5SGXEA7N1", "5SGXEA7N2", "5SGXEA7N3", "5SGXMA5H1", "5SGXMA5H2", "5SGXMA5H3",
    "5SGXMA5K1", "5SGXMA5K2", "5SGXMA5K3", "5SGXMA5N1", "5SGXMA5N2", "5SGXMA5N3", "5SGXMA7H1",
    "5SGXMA7H2", "5SGXMA7H3", "5SGXMA7K1", "5SGXMA7K2", "5SGXMA7K3", "5SGXMA7N1", "5SGXMA7N2",
    "5SGXMA7N3"};
constexpr std::string_view kRows1025_424[] = {
    "5SGSMD4K1", "5SGSMD4K2", "5SGSMD4K3", "5SGSMD5H1", "5SGSMD5H2", "5SGSMD5H3", "5SGSMD5K1",
    "5SGSMD5K2", "5SGSMD5K3", "5SGXEA4H1", "5SGXEA4H2", "5SGXEA4H3", "5SGXEA4K1", "5SGXEA4K2",
    "5SGXEA4K3", "5SGXMA4H1", "5SGXMA4H2", "5SGXMA4H3", "5SGXMA4K1", "5SGXMA4K2", "5SGXMA4K3"};
constexpr std::string_view kRows777_328[] = {
    "5SGSMD3E1", "5SGSMD3E2", "5SGSMD3E3", "5SGSMD3H1", "5SGSMD3H2", "5SGSMD3H3", "5SGSMD4E1",
    "5SGSMD4E2", "5SGSMD4E3", "5SGSMD4H1", "5SGSMD4H2", "5SGSMD4H3", "5SGXEA3H1", "5SGXEA3H2",
    "5SGXEA3H3", "5SGXMA3E1", "5SGXMA3E2", "5SGXMA3E3", "5SGXMA3H1", "5SGXMA3H2", "5SGXMA3H3"};
constexpr std::string_view kRows925_304[] = {"5SGXEB5R1", "5SGXEB5R2", "5SGXEB5R3", "5SGXEB6R1",
                                             "5SGXEB6R2", "5SGXEB6R3", "5SGXMB5R1", "5SGXMB5R2",
                                             "5SGXMB5R3", "5SGXMB6R1", "5SGXMB6R2", "5SGXMB6R3"};
// These base names come in two packages whose dies differ in their status-register layout.
constexpr std::string_view kRowsByPackage[] = {"5SGXEA3K1", "5SGXEA3K2", "5SGXEA3K3",
                                               "5SGXMA3K1", "5SGXMA3K2", "5SGXMA3K3"};

struct Group {
  StatusBitLayout Layout;
  std::span<const std::string_view> Names;
};

constexpr Group kGroups[] = {
    {{1165, 424}, kRows1165_424}, {{1081, 424}, kRows1081_424}, {{1025, 424}, kRows1025_424},
    {{777, 328}, kRows777_328},   {{925, 304}, kRows925_304},
};

bool Contains(std::span<const std::string_view> names, std::string_view name) {
  for (const std::string_view n : names)
    if (SameText(n, name)) return true;
  return false;
}

}  // namespace

std::optional<StatusBitLayout> FindStatusBitLayout(std::string_view baseName,
                                                   std::string_view packageId) {
  if (Contains(kRowsByPackage, baseName))
    return SameText(packageId, "F35") ? StatusBitLayout{777, 328} : StatusBitLayout{1025, 424};
  for (const Group& g : kGroups)
    if (Contains(g.Names, baseName)) return g.Layout;
  return std::nullopt;
}

}  // namespace morvel::host::jtag
