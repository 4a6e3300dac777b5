// The IEEE 1149.1 TAP controller: its sixteen states in the host channel's numbering, the
// transition on each TCK rising edge, and the shortest TMS paths between states.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace morvel::host::jtag {

// The numbers are those of the host's channel operations (GotoState, MoveState); 0 is a state
// that is not known, never a state a controller is in.
enum class TapState : uint8_t {
  Undefined = 0,
  Reset = 1,
  Idle = 2,
  DrSelect = 3,
  DrCapture = 4,
  DrShift = 5,
  DrExit1 = 6,
  DrPause = 7,
  DrExit2 = 8,
  DrUpdate = 9,
  IrSelect = 10,
  IrCapture = 11,
  IrShift = 12,
  IrExit1 = 13,
  IrPause = 14,
  IrExit2 = 15,
  IrUpdate = 16,
};

inline constexpr int kTapStateCount = 17;

// "UNDEFINED", "RESET", "IDLE", "DRSELECT", ... "IRUPDATE".
std::string_view TapStateName(TapState state);
// A state number 1 to 16; anything else is not a state a TAP can be moved to.
std::optional<TapState> TapStateFromNumber(int number);

// The state after one rising TCK edge with TMS at the level. Undefined stays undefined: only
// five edges with TMS high (see TapTracker) or TRST bring a TAP of unknown state to RESET.
constexpr TapState NextTapState(TapState state, bool tms) {
  constexpr TapState kNext[kTapStateCount][2] = {
      {TapState::Undefined, TapState::Undefined}, {TapState::Idle, TapState::Reset},
      {TapState::Idle, TapState::DrSelect},       {TapState::DrCapture, TapState::IrSelect},
      {TapState::DrShift, TapState::DrExit1},     {TapState::DrShift, TapState::DrExit1},
      {TapState::DrPause, TapState::DrUpdate},    {TapState::DrPause, TapState::DrExit2},
      {TapState::DrShift, TapState::DrUpdate},    {TapState::Idle, TapState::DrSelect},
      {TapState::IrCapture, TapState::Reset},     {TapState::IrShift, TapState::IrExit1},
      {TapState::IrShift, TapState::IrExit1},     {TapState::IrPause, TapState::IrUpdate},
      {TapState::IrPause, TapState::IrExit2},     {TapState::IrShift, TapState::IrUpdate},
      {TapState::Idle, TapState::DrSelect},
  };
  return kNext[static_cast<int>(state)][tms ? 1 : 0];
}

constexpr bool IsShiftState(TapState state) {
  return state == TapState::DrShift || state == TapState::IrShift;
}

// The TMS levels that move a TAP from one state to another in the fewest edges, first level in
// bit 0. To RESET this is always five edges with TMS high, which reaches RESET from wherever
// the TAP really is; from an unknown state it is those five edges and then the path from RESET.
struct TmsPath {
  uint8_t Length;
  uint16_t Bits;
};
TmsPath ShortestTmsPath(TapState from, TapState to);

// Follows a TAP from the edges it is given, also from an unknown state: five edges with TMS
// high reach RESET from anywhere.
class TapTracker {
 public:
  explicit TapTracker(TapState initial = TapState::Undefined) : FState(initial) {}
  TapState State() const { return FState; }
  void Reset() {
    FState = TapState::Reset;
    FOnes = 0;
  }
  void Edge(bool tms) {
    FOnes = tms ? static_cast<uint8_t>(FOnes < 5 ? FOnes + 1 : 5) : 0;
    FState = FOnes == 5 ? TapState::Reset : NextTapState(FState, tms);
  }

 private:
  TapState FState;
  uint8_t FOnes = 0;
};

}  // namespace morvel::host::jtag
