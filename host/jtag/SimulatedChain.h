// The bit-accurate simulated JTAG chain: Stratix V devices with their configuration behaviour
// and generic bypass-only devices, driven through the cable interface, pin by pin or by the
// channel's high-level operations.
//
// Stratix V instructions (10 bits): BYPASS 0x3FF, IDCODE 0x006, USERCODE 0x007, SAMPLE/PRELOAD
// 0x005 (the boundary register, capturing the levels set with SetBoundaryCapture, zeros until
// then), status 0x004, configuration 0x002, start-up 0x003, active disengage 0x2D0 (a no-op
// over BYPASS); any other instruction selects BYPASS. Every instruction register captures
// 0...01; RESET loads IDCODE (BYPASS in a generic device).
//
// Configuration: loading 0x002 enters configuration mode: the device drops its configuration
// and user code and becomes ready (status bit 1); every bit shifted into it while 0x002 is
// loaded is configuration stream (the bit also comes out one clock later, as through BYPASS).
// Loading 0x003 and then kStartupClocks rising edges in IDLE complete the start-up: a device
// that received any stream is configured (status 1) with the user code of the stream's header
// (see ConfigStream.h), all ones without one; a device that received nothing goes to an error
// state (status 0). 0x003 outside configuration mode changes nothing. At power-up the status
// bit is 0 and USERCODE reads all ones.
//
// The status register (0x004) is 3 x N bits long and holds the status bit at position
// (N - K) x 3 + 1 counted from 0 at the TDO end, N and K from the device's row of the status
// table. Every other bit holds the opposite level, so that a reader that is a bit off reads the
// wrong state rather than the right one by chance.
//
// All TAPs see the same TCK, TMS and TRST and power up in RESET, so their controllers never
// disagree: the chain runs one controller for all of them.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "jtag/ChainSpec.h"
#include "jtag/ConfigStream.h"
#include "jtag/JtagCable.h"
#include "jtag/StatusTable.h"

namespace morvel::host::jtag {

namespace stratix {
inline constexpr uint32_t kBypass = 0x3FF;
inline constexpr uint32_t kIdCode = 0x006;
inline constexpr uint32_t kUserCode = 0x007;
inline constexpr uint32_t kSamplePreload = 0x005;
inline constexpr uint32_t kStatus = 0x004;
inline constexpr uint32_t kConfigure = 0x002;
inline constexpr uint32_t kStartup = 0x003;
inline constexpr uint32_t kActiveDisengage = 0x2D0;
}  // namespace stratix

// Rising edges in IDLE with 0x003 loaded that complete a start-up; the plug-in gives 400.
inline constexpr unsigned kStartupClocks = 200;

// A shift register in O(1) per bit: a ring whose head is the bit nearest TDO.
class BitRing {
 public:
  void Resize(unsigned length);
  unsigned Length() const { return FLength; }
  bool Shift(bool in) {
    uint64_t& word = FWords[FHead >> 6];
    const unsigned at = FHead & 63;
    const uint64_t out = (word >> at) & 1;
    word ^= (out ^ static_cast<uint64_t>(in)) << at;
    if (++FHead == FLength) FHead = 0;
    return out != 0;
  }
  bool Peek() const { return ((FWords[FHead >> 6] >> (FHead & 63)) & 1) != 0; }
  bool Bit(unsigned i) const;
  // Loads the register, bit 0 (nearest TDO) from bit 0 of the first word.
  void Load(const uint64_t* words);
  void Load(uint64_t value) { Load(&value); }

 private:
  std::vector<uint64_t> FWords;
  unsigned FLength = 0;
  unsigned FHead = 0;
};

class SimulatedDevice {
 public:
  enum class Configuration : uint8_t { PowerUp, Ready, Configured, Error };

  SimulatedDevice() = default;
  SimulatedDevice(const SimulatedDevice&) = delete;
  SimulatedDevice& operator=(const SimulatedDevice&) = delete;

  const DeviceSpec& Spec() const { return FSpec; }
  uint32_t Instruction() const { return FInstruction; }
  Configuration State() const { return FConfig; }
  bool StatusBit() const {
    return FConfig == Configuration::Ready || FConfig == Configuration::Configured;
  }
  uint32_t UserCode() const { return FUserCode; }
  // The configuration stream of the last configuration mode; complete once the instruction
  // has changed or start-up has run.
  const ConfigStreamSink& Stream() const { return FStream; }
  const std::optional<StatusBitLayout>& StatusLayout() const { return FStatusLayout; }
  // The levels the boundary register captures, element 0 nearest TDO.
  void SetBoundaryCapture(const std::vector<uint8_t>& levels);

 private:
  friend class SimulatedChain;
  enum class Register : uint8_t { Bypass, IdCode, UserCode, Boundary, Status };

  void Init(const DeviceSpec& spec);
  void PowerUp();
  bool ShiftDr(bool in) {
    const bool out = FDr->Shift(in);
    if (FSink != nullptr) FSink->Bit(in);
    return out;
  }
  bool ShiftIr(bool in) {
    const bool out = (FIrShift & 1) != 0;
    FIrShift = (FIrShift >> 1) | (static_cast<uint64_t>(in) << (FSpec.IrLength - 1));
    return out;
  }
  bool DrOut() const { return FDr->Peek(); }
  bool IrOut() const { return (FIrShift & 1) != 0; }
  void CaptureDr();
  void CaptureIr() { FIrShift = 1; }
  void UpdateIr();
  void TestLogicReset();
  void Select(uint32_t instruction);
  // One rising edge in IDLE; answers whether a start-up is still under way.
  bool IdleClock();

  DeviceSpec FSpec;
  bool FStratix = false;
  std::optional<StatusBitLayout> FStatusLayout;
  uint64_t FIrShift = 1;
  uint32_t FInstruction = 0;
  Register FSelected = Register::Bypass;
  BitRing* FDr = &FBypass;
  ConfigStreamSink* FSink = nullptr;
  BitRing FBypass;
  BitRing FIdCode;
  BitRing FUserCodeRegister;
  BitRing FBoundary;
  BitRing FStatus;
  std::vector<uint64_t> FBoundaryCapture;
  Configuration FConfig = Configuration::PowerUp;
  uint32_t FUserCode = 0xFFFFFFFFu;
  unsigned FStartupCount = 0;
  bool FStartupArmed = false;
  ConfigStreamSink FStream;
};

class SimulatedChain final : public JtagCable {
 public:
  // Raises ChainSpecError for an empty chain, a bad instruction-register length or a Stratix V
  // base name that the status table does not hold.
  explicit SimulatedChain(const std::vector<DeviceSpec>& devices);

  SimulatedDevice& Device(size_t index) { return FDevices[index]; }
  const SimulatedDevice& Device(size_t index) const { return FDevices[index]; }

  void WritePins() override {
    if (FTck && !FDrivenTck) RisingEdge(FTms, FTdi);
    FDrivenTck = FTck;
  }
  // Rising edges given as kCycle* flags, driven as pin writes would drive them one by one,
  // then TCK left at `tckHigh`. Lets a caller collect the edges of pin-level writes and hand
  // them over in blocks.
  void DriveEdges(std::span<const uint8_t> edges, bool tckHigh) {
    const size_t n = edges.size();
    size_t i = 0;
    while (i < n) {
      if (FState == TapState::DrShift && FLineMode && (edges[i] & kCycleTms) == 0) {
        // A run of shifts through one-bit registers: the delay line alone, as in a tight loop.
        uint64_t line = FLine;
        ConfigStreamSink* const sink = FLineSink;
        const unsigned at = FLineSinkAt;
        do {
          line = (line << 1) | static_cast<uint64_t>(edges[i] & kCycleTdi);
          if (sink != nullptr) sink->Bit(((line >> at) & 1) != 0);
          ++i;
        } while (i < n && (edges[i] & kCycleTms) == 0);
        FLine = line;
        FTdoLatched = static_cast<bool>(static_cast<unsigned>(line >> FCount) & 1u);
        continue;
      }
      RisingEdge((edges[i] & kCycleTms) != 0, (edges[i] & kCycleTdi) != 0);
      ++i;
    }
    FDrivenTck = tckHigh;
  }
  void ReadPins() override { FTdoSample = Tdo(); }
  bool GetTDO() override { return FTdoSample; }
  void Flush() override {}
  void SetResetLines(bool trst, bool srst) override;
  // What TDO shows now.
  bool Tdo() const;
  // Every device back to its power-up state, the TAP in RESET, the pins low.
  void PowerCycle();

 protected:
  void RunCycles(std::span<const uint8_t> cycles, std::vector<uint8_t>* tdo) override;

 private:
  void RisingEdge(bool tms, bool tdi) {
    // Data shifting is the hot path of programming: kept inline and free of calls.
    if (FState == TapState::DrShift) {
      if (FLineMode) {
        const uint64_t line = (FLine << 1) | static_cast<uint64_t>(tdi);
        FLine = line;
        // Computed in a register and stored once: a store followed by a masking of the same
        // byte in memory was half the cost of an edge.
        FTdoLatched = static_cast<bool>(static_cast<unsigned>(line >> FCount) & 1u);
        if (FLineSink != nullptr) FLineSink->Bit(((FLine >> FLineSinkAt) & 1) != 0);
      } else {
        bool bit = tdi;
        for (size_t i = 0; i < FCount; ++i) bit = FDevices[i].ShiftDr(bit);
        FTdoLatched = bit;
      }
      if (tms) Enter(TapState::DrExit1);
      return;
    }
    OtherEdge(tms, tdi);
  }
  void OtherEdge(bool tms, bool tdi);
  void Enter(TapState next);
  void ChooseDrMode();

  std::unique_ptr<SimulatedDevice[]> FDevices;
  size_t FCount = 0;
  bool FDrivenTck = false;
  // TDO between a rising and the next falling edge: the bit the rising edge shifted out.
  bool FTdoLatched = true;
  bool FTdoSample = true;
  bool FTrst = false;
  bool FStartupWatch = false;
  // While every device has a one-bit data register selected (BYPASS, or configuration with
  // at most one device taking a stream) the data path is a delay line: bit k holds device k's
  // register after the edge, and the stream device takes its bit from there. Data registers
  // are captured before every shift, so nothing of the line needs to go back to the devices.
  bool FLineMode = false;
  uint64_t FLine = 0;
  ConfigStreamSink* FLineSink = nullptr;
  unsigned FLineSinkAt = 0;
};

}  // namespace morvel::host::jtag
