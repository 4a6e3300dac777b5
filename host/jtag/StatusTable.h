// Where a Stratix V device keeps its configuration status bit: the N and K of its base name
// (and for a few base names its package), as the device hardware lays out its status register.
#pragma once

#include <optional>
#include <string_view>

namespace morvel::host::jtag {

struct StatusBitLayout {
  int N;
  int K;
  // The status register is 3 x N bits long.
  int RegisterLength() const { return 3 * N; }
  // The status bit's position, 0 being the bit nearest TDO.
  int BitPosition() const { return (N - K) * 3 + 1; }
};

// The layout for a base name such as "5SGXEA7N2" with its package id such as "F45", both
// compared without regard to case; none for a base name the table does not hold.
std::optional<StatusBitLayout> FindStatusBitLayout(std::string_view baseName,
                                                   std::string_view packageId);

}  // namespace morvel::host::jtag
