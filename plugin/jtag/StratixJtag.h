// The Stratix V JTAG routines over the host's channel: device state, programming from a raw
// bit file with its start-up, reset, and register reads (user code). Every routine brackets
// its traffic with the channel's Open and Close, also when an error ends it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/MorvelDriver.h"
#include "sdk/ComPtr.h"

namespace morvel::stratix5 {

inline constexpr uint32_t kInstructionActiveDisengage = 0x2D0;
inline constexpr uint32_t kInstructionConfigure = 0x002;
inline constexpr uint32_t kInstructionStartUp = 0x003;
inline constexpr uint32_t kInstructionStatus = 0x004;
inline constexpr uint32_t kInstructionUserCode = 0x007;
inline constexpr int32_t kDefaultClockCycles = 175;

// N and K of the status table for a base name (any case) and package id; false, with both 0,
// for a name outside the table.
bool LookupStatusPosition(std::string_view baseName, std::string_view packageId, int32_t& n,
                          int32_t& k);

// The sampled status byte, or 0 when nothing was sampled.
uint8_t SampleStatus(std::string_view baseName, std::string_view packageId,
                     const DispatchPtr& channel, int32_t index);
TDeviceState DeviceState(std::string_view baseName, std::string_view packageId,
                         const DispatchPtr& channel, int32_t index);

// Sends the file and starts the device up; answers the file size in bits (32-bit
// arithmetic), 0 without a channel or file.
int32_t ProgramDevice(TAbstractDeviceInformation& driver, const std::string& fileName,
                      const DispatchPtr& channel, int32_t index);
void StartUp(const DispatchPtr& channel, int32_t index);

bool ResetDevice(std::string_view baseName, std::string_view packageId, const DispatchPtr& channel,
                 int32_t index);
int32_t ReadRegister(const DispatchPtr& channel, int32_t index, uint32_t instruction);
inline int32_t ReadUserCode(const DispatchPtr& channel, int32_t index) {
  return ReadRegister(channel, index, kInstructionUserCode);
}

// The preamble clock count of a family from the "ClockCore" section of the plug-in folders'
// configuration files: the first file of that family with a value; -1 for a value that is not
// an integer; 175 when no file gives one.
int32_t FamilyClockCycles(const std::string& family);

}  // namespace morvel::stratix5
