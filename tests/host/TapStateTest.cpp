// The TAP controller: state numbering, transitions and the TMS paths between states.
#include <gtest/gtest.h>

#include "jtag/TapState.h"

namespace morvel::host::jtag {
namespace {

TapState Follow(TapState from, TmsPath path) {
  for (unsigned i = 0; i < path.Length; ++i) from = NextTapState(from, ((path.Bits >> i) & 1) != 0);
  return from;
}

TEST(TapState, NumbersAndNamesAreTheChannels) {
  const std::pair<int, const char*> cases[] = {
      {0, "UNDEFINED"}, {1, "RESET"},      {2, "IDLE"},     {3, "DRSELECT"}, {4, "DRCAPTURE"},
      {5, "DRSHIFT"},   {6, "DREXIT1"},    {7, "DRPAUSE"},  {8, "DREXIT2"},  {9, "DRUPDATE"},
      {10, "IRSELECT"}, {11, "IRCAPTURE"}, {12, "IRSHIFT"}, {13, "IREXIT1"}, {14, "IRPAUSE"},
      {15, "IREXIT2"},  {16, "IRUPDATE"}};
  for (const auto& [number, name] : cases)
    EXPECT_EQ(TapStateName(static_cast<TapState>(number)), name) << number;
  EXPECT_FALSE(TapStateFromNumber(0));
  EXPECT_FALSE(TapStateFromNumber(17));
  EXPECT_FALSE(TapStateFromNumber(-1));
  EXPECT_EQ(TapStateFromNumber(5), TapState::DrShift);
}

TEST(TapState, TransitionsFollowTheStandardGraph) {
  // Each state's successors with TMS low and high, in numbering order from RESET.
  const std::pair<TapState, TapState> next[] = {
      {TapState::Idle, TapState::Reset},         {TapState::Idle, TapState::DrSelect},
      {TapState::DrCapture, TapState::IrSelect}, {TapState::DrShift, TapState::DrExit1},
      {TapState::DrShift, TapState::DrExit1},    {TapState::DrPause, TapState::DrUpdate},
      {TapState::DrPause, TapState::DrExit2},    {TapState::DrShift, TapState::DrUpdate},
      {TapState::Idle, TapState::DrSelect},      {TapState::IrCapture, TapState::Reset},
      {TapState::IrShift, TapState::IrExit1},    {TapState::IrShift, TapState::IrExit1},
      {TapState::IrPause, TapState::IrUpdate},   {TapState::IrPause, TapState::IrExit2},
      {TapState::IrShift, TapState::IrUpdate},   {TapState::Idle, TapState::DrSelect}};
  for (int s = 1; s <= 16; ++s) {
    EXPECT_EQ(NextTapState(static_cast<TapState>(s), false), next[s - 1].first) << s;
    EXPECT_EQ(NextTapState(static_cast<TapState>(s), true), next[s - 1].second) << s;
  }
}

TEST(TapState, ShortestPathsReachTheirTargetFromEveryState) {
  for (int from = 0; from <= 16; ++from) {
    for (int to = 1; to <= 16; ++to) {
      const TmsPath path = ShortestTmsPath(static_cast<TapState>(from), static_cast<TapState>(to));
      if (from == 0) {
        // Unknown: the path must work wherever the TAP really is.
        for (int real = 1; real <= 16; ++real)
          EXPECT_EQ(Follow(static_cast<TapState>(real), path), static_cast<TapState>(to));
        continue;
      }
      EXPECT_EQ(Follow(static_cast<TapState>(from), path), static_cast<TapState>(to))
          << from << " -> " << to;
    }
  }
  // The routines' own moves.
  EXPECT_EQ(ShortestTmsPath(TapState::Idle, TapState::DrShift).Length, 3);
  EXPECT_EQ(ShortestTmsPath(TapState::Idle, TapState::DrShift).Bits, 0b001);
  EXPECT_EQ(ShortestTmsPath(TapState::DrExit1, TapState::Idle).Bits, 0b01);
  EXPECT_EQ(ShortestTmsPath(TapState::Idle, TapState::Idle).Length, 0);
  EXPECT_EQ(ShortestTmsPath(TapState::Reset, TapState::Reset).Length, 5);
}

TEST(TapState, TrackerFindsResetFromAnUnknownState) {
  TapTracker t;
  t.Edge(false);
  EXPECT_EQ(t.State(), TapState::Undefined);
  for (int i = 0; i < 4; ++i) t.Edge(true);
  EXPECT_EQ(t.State(), TapState::Undefined);
  t.Edge(true);
  EXPECT_EQ(t.State(), TapState::Reset);
  t.Edge(false);
  t.Edge(true);
  EXPECT_EQ(t.State(), TapState::DrSelect);
}

}  // namespace
}  // namespace morvel::host::jtag
