// Test support for the JTAG chain: device descriptions without the plug-in, and the plug-in's
// device routines as they drive a cable (sampling the status bit, programming pin by pin).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jtag/ChainSpec.h"
#include "jtag/JtagCable.h"
#include "jtag/StatusTable.h"

namespace morvel::host::jtag::test {

inline DeviceSpec StratixV(const char* name, uint32_t idcode, const char* baseName,
                           const char* package) {
  DeviceSpec spec;
  spec.Kind = DeviceKind::StratixV;
  spec.Name = name;
  spec.IdCode = idcode;
  spec.IrLength = 10;
  spec.BaseName = baseName;
  spec.PackageId = package;
  return spec;
}

// The built-in board's devices and one with a package-dependent status layout.
inline DeviceSpec EA7() {
  return StratixV("5SGXEA7N2F45C2N", 0x029030DD, "5SGXEA7N2", "F45");
}
inline DeviceSpec SMD5() {
  return StratixV("5SGSMD5K2F40C2N", 0x029070DD, "5SGSMD5K2", "F40");
}
inline DeviceSpec EA3F35() {
  return StratixV("5SGXEA3K2F35C2N", 0x029470DD, "5SGXEA3K2", "F35");
}
inline DeviceSpec EA3F40() {
  return StratixV("5SGXEA3K2F40C2N", 0x029470DD, "5SGXEA3K2", "F40");
}

// The status sampling routine: instruction 4, into DRSHIFT, (N - K) x 3 + count - index
// clocks with TDI low, one TDO sample, back to IDLE. `extra` clocks more or fewer show
// what a routine a bit off would read.
inline bool SampleStatus(JtagCable& c, const DeviceSpec& device, size_t index, int extra = 0) {
  const StatusBitLayout layout = *FindStatusBitLayout(device.BaseName, device.PackageId);
  c.SetInstruction(4, index);
  c.MoveState(TapState::Idle, TapState::DrShift);
  const int count = (layout.N - layout.K) * 3 + static_cast<int>(c.DeviceCount()) -
                    static_cast<int>(index) + extra;
  c.SetTDI(false);
  for (int i = 0; i < count; ++i) c.ClockTMS(false);
  c.ReadPins();
  c.Flush();
  const bool bit = c.GetTDO();
  c.ClockTMS(true);
  c.MoveState(TapState::DrExit1, TapState::Idle);
  return bit;
}

// The programming sequence through the pins: instruction 2, `preamble` cycles of ones, the
// file's bytes from `skip` on, least significant bit first, with an extra low step per bit
// from index 1 on, 128 trailing ones, index clocks to push them through, and start-up with
// `startup` cycles in IDLE.
// Cable may be the concrete class, so that a benchmark binds the pin calls at compile time.
template <class Cable = JtagCable>
void Program(Cable& c, std::span<const uint8_t> file, size_t index, int preamble = 175,
             size_t skip = 0, int startup = 400) {
  const auto low = [&] {
    c.SetTCK(false);
    c.WritePins();
  };
  const auto high = [&] {
    c.SetTCK(true);
    c.WritePins();
  };
  const auto data = [&](bool bit) {
    c.SetTCK(false);
    c.SetTDI(bit);
    c.WritePins();
  };
  c.Flush();
  c.GotoState(TapState::Idle);
  c.SetInstruction(2, index);
  c.SetTDI(true);
  c.WritePins();
  c.MoveState(TapState::Idle, TapState::DrShift);
  for (int i = 0; i < preamble; ++i) {
    low();
    high();
  }
  c.SetTDI(false);
  c.SetTMS(false);
  c.SetTCK(false);
  c.WritePins();
  for (size_t p = skip; p < file.size(); ++p) {
    for (int j = 0; j < 8; ++j) {
      if (index >= 1) low();
      data(((file[p] >> j) & 1) != 0);
      high();
    }
  }
  for (int i = 0; i < 128; ++i) {
    data(true);
    high();
  }
  if (index == 0) low();
  c.SetTDI(false);
  c.WritePins();
  c.SetTCK(false);
  c.WritePins();
  for (size_t i = 0; i < index; ++i) c.ClockTMS(false);
  c.ClockTMS(true);
  c.MoveState(TapState::DrExit1, TapState::Idle);
  c.SetInstruction(3, index);
  for (int i = 0; i < startup / 2; ++i) {
    c.SetTDI(false);
    c.WritePins();
    c.ClockTMS(false);
    c.SetTDI(true);
    c.WritePins();
    c.ClockTMS(false);
  }
  c.GotoState(TapState::Idle);
}

inline uint32_t ReadRegister(JtagCable& c, uint32_t instruction, size_t index) {
  c.GotoState(TapState::Idle);
  c.SetInstruction(instruction, index);
  return static_cast<uint32_t>(c.ScanData(0, 32, index));
}

}  // namespace morvel::host::jtag::test
