// TAP state names and the table of shortest TMS paths, worked out once by breadth-first search.
#include "jtag/TapState.h"

#include <array>

namespace morvel::host::jtag {

namespace {

constexpr std::string_view kNames[kTapStateCount] = {
    "UNDEFINED", "RESET",   "IDLE",    "DRSELECT", "DRCAPTURE", "DRSHIFT",
    "DREXIT1",   "DRPAUSE", "DREXIT2", "DRUPDATE", "IRSELECT",  "IRCAPTURE",
    "IRSHIFT",   "IREXIT1", "IRPAUSE", "IREXIT2",  "IRUPDATE"};

using PathTable = std::array<std::array<TmsPath, kTapStateCount>, kTapStateCount>;

constexpr PathTable BuildPaths() {
  PathTable table{};
  for (int from = 1; from < kTapStateCount; ++from) {
    std::array<bool, kTapStateCount> seen{};
    std::array<int, kTapStateCount> queue{};
    int head = 0;
    int tail = 0;
    queue[tail++] = from;
    seen[from] = true;
    table[from][from] = {0, 0};
    while (head < tail) {
      const int s = queue[head++];
      // TMS low first, so that of two equally short paths the one that stays put is taken.
      for (int tms = 0; tms < 2; ++tms) {
        const int n = static_cast<int>(NextTapState(static_cast<TapState>(s), tms != 0));
        if (seen[n]) continue;
        seen[n] = true;
        const TmsPath p = table[from][s];
        table[from][n] = {static_cast<uint8_t>(p.Length + 1),
                          static_cast<uint16_t>(p.Bits | (tms << p.Length))};
        queue[tail++] = n;
      }
    }
    table[from][static_cast<int>(TapState::Reset)] = {5, 0x1F};
  }
  return table;
}

constexpr PathTable kPaths = BuildPaths();

static_assert(kPaths[static_cast<int>(TapState::Idle)][static_cast<int>(TapState::DrShift)].Bits ==
              0b001);

}  // namespace

std::string_view TapStateName(TapState state) {
  const auto n = static_cast<size_t>(state);
  return n < kTapStateCount ? kNames[n] : std::string_view("?");
}

std::optional<TapState> TapStateFromNumber(int number) {
  if (number < 1 || number >= kTapStateCount) return std::nullopt;
  return static_cast<TapState>(number);
}

TmsPath ShortestTmsPath(TapState from, TapState to) {
  if (to == TapState::Reset || from == TapState::Undefined) {
    // From an unknown state: reset first, then the path from RESET.
    if (to == TapState::Reset) return {5, 0x1F};
    const TmsPath rest = kPaths[static_cast<int>(TapState::Reset)][static_cast<int>(to)];
    return {static_cast<uint8_t>(5 + rest.Length), static_cast<uint16_t>(0x1F | (rest.Bits << 5))};
  }
  return kPaths[static_cast<int>(from)][static_cast<int>(to)];
}

}  // namespace morvel::host::jtag
