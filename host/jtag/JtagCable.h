// What the host's JTAG channel objects sit on: a cable to a chain, driven either pin by pin or
// by the channel's high-level operations, which are written once here as sequences of TCK
// cycles so that every kind of cable (the in-process simulated chain, a remote bit-bang
// server) behaves alike.
//
// Conventions:
// - Devices are addressed by index, 0 nearest TDI.
// - Pin level: SetTCK/SetTMS/SetTDI set the levels the next WritePins drives; a rising TCK edge
//   samples TMS and TDI and advances every TAP. ReadPins samples TDO, which shows what the
//   chain put out after the last falling edge; GetTDO answers that sample.
// - High level: every operation runs whole TCK cycles (TCK low, then high) and leaves TCK low,
//   TMS and TDI at their last levels; cycles that do not shift data drive TDI at the level last
//   set. Pin-level and high-level calls may be mixed: both go through the same edges.
// - Data operations address one device and assume every other device has BYPASS loaded (as
//   SetInstruction leaves them): the value goes through the bypass bits of the devices nearer
//   TDO (count - 1 - index of them) first, then the target's bits, least significant first,
//   then the bypass bits of the devices nearer TDI (index of them), so that after the shift
//   the value sits in the target's register; the bypass bits are shifted as zeros and their
//   captured bits are dropped.
// - Text values (ShiftDataText) are written as binary numbers: the last character is the bit
//   nearest TDO, shifted first.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "jtag/TapState.h"

namespace morvel::host::jtag {

// A cable or chain failure: a lost connection, a garbled answer, a chain that cannot be made out.
class JtagError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a chain position holds, as far as the cable knows.
struct ChainPosition {
  std::string Name;                // device name, "generic", or a description of what was found
  std::optional<uint32_t> IdCode;  // none for a bypass-only device
  unsigned IrLength = 0;
};
using ChainLayout = std::vector<ChainPosition>;

// Flags of one TCK cycle in a cycle sequence.
inline constexpr uint8_t kCycleTdi = 1;
inline constexpr uint8_t kCycleTms = 2;
// Take the TDO level before the rising edge: the bit the chain shifts out on that edge.
inline constexpr uint8_t kCycleCapture = 4;

class JtagCable {
 public:
  JtagCable() = default;
  JtagCable(const JtagCable&) = delete;
  JtagCable& operator=(const JtagCable&) = delete;
  virtual ~JtagCable() = default;

  const ChainLayout& Layout() const { return FLayout; }
  size_t DeviceCount() const { return FLayout.size(); }
  // The TAP state as the cable knows it; UNDEFINED until a remote chain has been reset.
  TapState State() const { return FState; }

  // Pin level.
  void SetTCK(bool level) { FTck = level; }
  void SetTMS(bool level) { FTms = level; }
  void SetTDI(bool level) { FTdi = level; }
  // The levels set so far.
  bool TCK() const { return FTck; }
  bool TMS() const { return FTms; }
  bool TDI() const { return FTdi; }
  virtual void WritePins() = 0;
  virtual void ReadPins() = 0;
  virtual bool GetTDO() = 0;
  // Every operation issued so far has taken effect.
  virtual void Flush() = 0;
  // Asserted TRST holds every TAP in RESET; SRST does not touch the TAPs.
  virtual void SetResetLines(bool trst, bool srst) = 0;

  // High level, as the host channel offers them.
  void GotoState(TapState to);
  // Clocks the path from `from` to `to` whatever state the TAP is in.
  void MoveState(TapState from, TapState to);
  void ClockTMS(bool level);
  // Loads the instruction into the device and BYPASS into every other; ends in IDLE.
  void SetInstruction(uint32_t instruction, size_t index);
  // A whole data-register scan from IDLE (reached first when the TAP is elsewhere) back to
  // IDLE; answers the captured bits. Lengths are 1 to 64.
  uint64_t ScanData(uint64_t value, unsigned length, size_t index);
  // Shifts in DRSHIFT (reached first when the TAP is elsewhere); ends in DREXIT1.
  void ShiftData(uint64_t value, unsigned length, size_t index);
  uint64_t ShiftDataCapture(uint64_t value, unsigned length, size_t index);
  std::string ShiftDataText(std::string_view bits, size_t index);

  // Runs TCK cycles given as kCycle* flags and appends the captured TDO levels (0 or 1) to
  // `tdo` when given. The building block of the operations above, open to tools and tests.
  void Run(std::span<const uint8_t> cycles, std::vector<uint8_t>* tdo = nullptr);

 protected:
  // Runs the cycles; TCK ends low. Implementations move FState along.
  virtual void RunCycles(std::span<const uint8_t> cycles, std::vector<uint8_t>* tdo) = 0;

  bool FTck = false;
  bool FTms = false;
  bool FTdi = false;
  TapState FState = TapState::Undefined;
  ChainLayout FLayout;

 private:
  void CheckIndex(size_t index) const;
  void AppendPath(TapState from, TapState to);
  // Appends the shift of `bits` (one per element) laid out around the device as described
  // above, the last cycle with TMS high, capturing only the device's own bits.
  void AppendShift(std::span<const uint8_t> bits, size_t index, bool capture);
  std::vector<uint8_t> ShiftThrough(std::span<const uint8_t> bits, size_t index, bool capture,
                                    bool wholeScan);

  std::vector<uint8_t> FCycles;
};

// What a lookup by IDCODE knows of a device.
struct KnownDevice {
  std::string Name;
  unsigned IrLength = 0;
};
using IdCodeLookup = std::function<std::optional<KnownDevice>(uint32_t idcode)>;

// Works out what a chain holds: resets it, reads the IDCODE (or the bypass bit) of every
// device, measures the instruction registers and splits them with the lengths the lookup knows
// for an IDCODE and, for the others, at the ...01 that every instruction register captures.
// Leaves BYPASS loaded everywhere and the TAP in IDLE. Raises JtagError when the chain cannot
// be made out.
ChainLayout DiscoverChain(JtagCable& cable, const IdCodeLookup& lookup);

}  // namespace morvel::host::jtag
