// The simulated chain as the plug-in's routines and other JTAG tools see it: registers and their
// lengths, the status bit where the sampling routine looks, configuration through the pins, and
// pin-level and high-level calls on one TAP.
#include <gtest/gtest.h>

#include <random>

#include "ChainTestSupport.h"
#include "jtag/SimulatedChain.h"

namespace morvel::host::jtag {
namespace {

using test::EA3F35;
using test::EA3F40;
using test::EA7;
using test::SMD5;
using Configuration = SimulatedDevice::Configuration;

// Bits from TDI to TDO through the data registers selected now, without capturing anew when
// already in DRSHIFT.
size_t DataPathLength(JtagCable& c) {
  if (c.State() != TapState::DrShift) c.GotoState(TapState::DrShift);
  std::vector<uint8_t> cycles(8000, kCycleCapture);
  cycles[4000] |= kCycleTdi;
  std::vector<uint8_t> tdo;
  c.Run(std::span(cycles).first(4000));
  c.Run(std::span(cycles).subspan(4000), &tdo);
  c.GotoState(TapState::Idle);
  return static_cast<size_t>(std::find(tdo.begin(), tdo.end(), 1) - tdo.begin());
}

std::vector<uint8_t> Payload(size_t size) {
  std::mt19937 random(5);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

TEST(SimulatedChain, InstructionRegistersCaptureZeroOne) {
  SimulatedChain chain({EA7(), DeviceSpec::Generic(8), DeviceSpec::Generic(3), SMD5()});
  chain.GotoState(TapState::IrShift);
  std::vector<uint8_t> cycles(40, kCycleTdi | kCycleCapture);
  std::vector<uint8_t> tdo;
  chain.Run(cycles, &tdo);
  // Nearest TDO first: 10, 3, 8 and 10 bits, each 1 then zeros; then the ones shifted in.
  std::string seen;
  for (const uint8_t b : tdo) seen += b != 0 ? '1' : '0';
  EXPECT_EQ(seen,
            "1000000000"
            "100"
            "10000000"
            "1000000000"
            "111111111");
}

TEST(SimulatedChain, InstructionsSelectRegistersOfTheirLength) {
  SimulatedChain chain({EA7(), DeviceSpec::Generic(8), EA3F40()});
  struct Case {
    uint32_t Instruction;
    size_t Index;
    size_t Length;  // of the whole path: the selected register and one bit per other device
  };
  const Case cases[] = {
      {stratix::kBypass, 0, 3},
      {stratix::kIdCode, 0, 32 + 2},
      {stratix::kUserCode, 2, 32 + 2},
      {stratix::kSamplePreload, 0, kDefaultBoundaryLength + 2},
      {stratix::kStatus, 2, 3 * 1025 + 2},
      {stratix::kStatus, 0, 3 * 1081 + 2},
      {stratix::kConfigure, 0, 3},
      {stratix::kActiveDisengage, 2, 3},
      {0x155, 0, 3},
      {stratix::kIdCode, 1, 3},  // a generic device has BYPASS only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.Instruction << " at " << c.Index);
    chain.SetInstruction(c.Instruction, c.Index);
    EXPECT_EQ(chain.State(), TapState::Idle);
    EXPECT_EQ(DataPathLength(chain), c.Length);
  }
  // RESET loads IDCODE into the Stratix V devices, BYPASS into the generic one.
  chain.GotoState(TapState::Reset);
  EXPECT_EQ(DataPathLength(chain), 32 + 1 + 32u);
}

TEST(SimulatedChain, RegistersReadThroughScanData) {
  SimulatedChain chain({EA7(), DeviceSpec::Generic(8), SMD5()});
  EXPECT_EQ(test::ReadRegister(chain, stratix::kIdCode, 0), 0x029030DDu);
  EXPECT_EQ(test::ReadRegister(chain, stratix::kIdCode, 2), 0x029070DDu);
  EXPECT_EQ(test::ReadRegister(chain, stratix::kUserCode, 0), 0xFFFFFFFFu);
  EXPECT_EQ(test::ReadRegister(chain, stratix::kUserCode, 2), 0xFFFFFFFFu);
  // A second scan reads the same, not what the first shifted in: each captures anew.
  EXPECT_EQ(chain.ScanData(0x12345678, 32, 2), 0xFFFFFFFFu);
  EXPECT_EQ(chain.ScanData(0x12345678, 32, 2), 0xFFFFFFFFu);
  // The bypass bit captures 0 and passes the value on one clock later.
  chain.SetInstruction(stratix::kBypass, 0);
  EXPECT_EQ(chain.ScanData(1, 1, 0), 0u);
  SimulatedChain single({EA7()});
  single.SetInstruction(stratix::kBypass, 0);
  EXPECT_EQ(single.ScanData(0b1011, 4, 0), 0b0110u);

  // The boundary register captures the levels set for it, bit 0 nearest TDO.
  std::vector<uint8_t> levels(kDefaultBoundaryLength, 0);
  levels[0] = levels[5] = levels[kDefaultBoundaryLength - 1] = 1;
  chain.Device(2).SetBoundaryCapture(levels);
  chain.SetInstruction(stratix::kSamplePreload, 2);
  chain.MoveState(TapState::Idle, TapState::DrShift);
  const std::string text = chain.ShiftDataText(std::string(kDefaultBoundaryLength, '0'), 2);
  EXPECT_EQ(text.size(), kDefaultBoundaryLength);
  EXPECT_EQ(std::count(text.begin(), text.end(), '1'), 3);
  EXPECT_EQ(text.back(), '1');
  EXPECT_EQ(text[text.size() - 1 - 5], '1');
  EXPECT_EQ(text.front(), '1');
}

// The plug-in samples (N - K) x 3 + count - index clocks into the status register; the bit
// must be there for every position on the chain, and only there.
TEST(SimulatedChain, StatusBitPositionCountsBypassedDevices) {
  struct Case {
    std::vector<DeviceSpec> Chain;
    size_t Index;
  };
  const Case cases[] = {
      {{EA7()}, 0},
      {{EA7(), SMD5()}, 0},
      {{EA7(), SMD5()}, 1},
      {{EA3F35(), DeviceSpec::Generic(8), EA3F40()}, 0},
      {{EA3F35(), DeviceSpec::Generic(8), EA3F40()}, 2},
      {{DeviceSpec::Generic(5), EA3F35(), DeviceSpec::Generic(2)}, 1},
  };
  for (const Case& c : cases) {
    SimulatedChain chain(c.Chain);
    const DeviceSpec& device = c.Chain[c.Index];
    SCOPED_TRACE(device.Name + " at " + std::to_string(c.Index) + " of " +
                 std::to_string(c.Chain.size()));
    for (const bool ready : {false, true}) {
      if (ready) chain.SetInstruction(stratix::kConfigure, c.Index);
      EXPECT_EQ(test::SampleStatus(chain, device, c.Index), ready);
      EXPECT_EQ(test::SampleStatus(chain, device, c.Index, -1), !ready);
      EXPECT_EQ(test::SampleStatus(chain, device, c.Index, +1), !ready);
      EXPECT_EQ(chain.State(), TapState::Idle);
    }
  }
}

struct ProgramCase {
  const char* What;
  size_t Devices;  // 2: EA7, SMD5; 3: EA7, generic:8, SMD5
  size_t Index;
  enum { Header, NoHeader, Empty } File;
  size_t Skip;
  int Preamble;
  uint32_t UserCode;
  bool Intact;
};

TEST(SimulatedChain, ProgrammingThroughThePinsConfiguresTheDevice) {
  const std::vector<uint8_t> payload = Payload(5000);
  const std::vector<uint8_t> withHeader = BuildRawBitFile(0x1234ABCD, payload);
  const ProgramCase cases[] = {
      {"index 0 of 2", 2, 0, ProgramCase::Header, 0, 175, 0x1234ABCD, true},
      {"index 1 of 2", 2, 1, ProgramCase::Header, 0, 175, 0x1234ABCD, true},
      {"index 2 of 3", 3, 2, ProgramCase::Header, 0, 175, 0x1234ABCD, true},
      {"index 2, no preamble", 3, 2, ProgramCase::Header, 0, 0, 0x1234ABCD, true},
      {"four bytes left out", 2, 0, ProgramCase::Header, 4, 175, 0x1234ABCD, true},
      {"header left out", 3, 2, ProgramCase::Header, 40, 175, 0xFFFFFFFF, false},
      {"no header", 2, 0, ProgramCase::NoHeader, 0, 175, 0xFFFFFFFF, false},
      {"empty file", 3, 2, ProgramCase::Empty, 0, 175, 0xFFFFFFFF, false},
  };
  for (const ProgramCase& c : cases) {
    SCOPED_TRACE(c.What);
    std::vector<DeviceSpec> specs = {EA7(), SMD5()};
    if (c.Devices == 3) specs.insert(specs.begin() + 1, DeviceSpec::Generic(8));
    SimulatedChain chain(specs);
    const std::vector<uint8_t> file = c.File == ProgramCase::Header     ? withHeader
                                      : c.File == ProgramCase::NoHeader ? payload
                                                                        : std::vector<uint8_t>{};
    test::Program(chain, file, c.Index, c.Preamble, c.Skip);

    const SimulatedDevice& device = chain.Device(c.Index);
    EXPECT_EQ(device.State(), Configuration::Configured);
    EXPECT_EQ(device.Stream().PayloadIntact(), c.Intact);
    // Preamble, the data, the trailer, the zero clocked on the way out; before the device
    // the captured bypass bits of the devices nearer TDI.
    EXPECT_EQ(device.Stream().BitCount(),
              c.Index + c.Preamble + (file.size() - c.Skip) * 8 + 128 + 1);
    EXPECT_EQ(test::ReadRegister(chain, stratix::kUserCode, c.Index), c.UserCode);
    EXPECT_TRUE(test::SampleStatus(chain, specs[c.Index], c.Index));
    for (size_t other = 0; other < specs.size(); ++other) {
      if (other == c.Index || specs[other].Kind != DeviceKind::StratixV) continue;
      EXPECT_EQ(chain.Device(other).State(), Configuration::PowerUp);
      EXPECT_FALSE(test::SampleStatus(chain, specs[other], other));
    }
  }
}

TEST(SimulatedChain, StartupNeedsItsClocksAndAStream) {
  SimulatedChain chain({EA7(), SMD5()});
  // Start-up outside configuration mode changes nothing.
  chain.SetInstruction(stratix::kStartup, 0);
  for (unsigned i = 0; i < kStartupClocks; ++i) chain.ClockTMS(false);
  EXPECT_EQ(chain.Device(0).State(), Configuration::PowerUp);

  // Nothing received: the start-up ends in the error state, status 0.
  chain.SetInstruction(stratix::kConfigure, 0);
  EXPECT_EQ(chain.Device(0).State(), Configuration::Ready);
  chain.SetInstruction(stratix::kStartup, 0);
  for (unsigned i = 0; i + 1 < kStartupClocks; ++i) chain.ClockTMS(false);
  EXPECT_EQ(chain.Device(0).State(), Configuration::Ready);
  chain.ClockTMS(false);
  EXPECT_EQ(chain.Device(0).State(), Configuration::Error);
  EXPECT_FALSE(test::SampleStatus(chain, EA7(), 0));

  // Configured, then back into configuration mode: configuration and user code are dropped.
  test::Program(chain, BuildRawBitFile(0x0000BEEF, Payload(100)), 0);
  EXPECT_EQ(test::ReadRegister(chain, stratix::kUserCode, 0), 0x0000BEEFu);
  chain.GotoState(TapState::Reset);  // test logic reset leaves the configuration alone
  EXPECT_EQ(chain.Device(0).State(), Configuration::Configured);
  chain.SetInstruction(stratix::kConfigure, 0);
  EXPECT_EQ(chain.Device(0).State(), Configuration::Ready);
  EXPECT_EQ(chain.Device(0).Stream().BitCount(), 0u);
  EXPECT_EQ(test::ReadRegister(chain, stratix::kUserCode, 0), 0xFFFFFFFFu);
  EXPECT_TRUE(test::SampleStatus(chain, EA7(), 0));

  chain.PowerCycle();
  EXPECT_EQ(chain.Device(0).State(), Configuration::PowerUp);
  EXPECT_EQ(chain.State(), TapState::Reset);
}

TEST(SimulatedChain, PinAndHighLevelCallsShareOneTap) {
  SimulatedChain chain({EA7(), SMD5()});
  chain.SetInstruction(stratix::kIdCode, 1);
  chain.MoveState(TapState::Idle, TapState::DrShift);
  // Device 1 is nearest TDO: its IDCODE comes out first, bit 0 first, one bit per cycle.
  uint32_t id = 0;
  for (int i = 0; i < 32; ++i) {
    chain.ReadPins();
    const bool bit = chain.GetTDO();
    id |= static_cast<uint32_t>(bit) << i;
    chain.SetTCK(true);
    chain.WritePins();
    chain.ReadPins();
    EXPECT_EQ(chain.GetTDO(), bit) << "TDO changes only on the falling edge";
    chain.SetTCK(false);
    chain.WritePins();
  }
  EXPECT_EQ(id, 0x029070DDu);
  EXPECT_EQ(chain.State(), TapState::DrShift);
  chain.ClockTMS(true);
  EXPECT_EQ(chain.State(), TapState::DrExit1);
  chain.MoveState(TapState::DrExit1, TapState::Idle);
  // One pin-level edge with TMS high, then a high-level scan from where that left the TAP.
  chain.SetTMS(true);
  chain.SetTCK(true);
  chain.WritePins();
  EXPECT_EQ(chain.State(), TapState::DrSelect);
  chain.WritePins();  // TCK stays high: no edge
  EXPECT_EQ(chain.State(), TapState::DrSelect);
  EXPECT_EQ(chain.ScanData(0, 32, 1), 0x029070DDu);
  EXPECT_EQ(chain.State(), TapState::Idle);
}

TEST(SimulatedChain, ShiftDataPutsTheValueIntoTheAddressedDevice) {
  SimulatedChain chain({DeviceSpec::Generic(4), EA7(), DeviceSpec::Generic(6)});
  chain.SetInstruction(stratix::kIdCode, 1);
  chain.MoveState(TapState::Idle, TapState::DrShift);
  EXPECT_EQ(chain.ShiftDataCapture(0x12345678, 32, 1), 0x029030DDu);
  EXPECT_EQ(chain.State(), TapState::DrExit1);
  // Back into DRSHIFT through PAUSE, without a capture: the register holds what went in.
  chain.MoveState(TapState::DrExit1, TapState::DrPause);
  chain.MoveState(TapState::DrPause, TapState::DrShift);
  EXPECT_EQ(chain.ShiftDataText("00000000000000000000000011111111", 1),
            "00010010001101000101011001111000");
  chain.MoveState(TapState::DrExit1, TapState::DrPause);
  chain.MoveState(TapState::DrPause, TapState::DrShift);
  chain.ShiftData(0, 32, 1);
  EXPECT_EQ(chain.State(), TapState::DrExit1);
  chain.MoveState(TapState::DrExit1, TapState::Idle);
}

TEST(SimulatedChain, BadArgumentsAreRefusedWithoutClocking) {
  SimulatedChain chain({EA7(), SMD5()});
  chain.GotoState(TapState::Idle);
  EXPECT_THROW(chain.SetInstruction(6, 2), std::invalid_argument);
  EXPECT_THROW(chain.ScanData(0, 0, 0), std::invalid_argument);
  EXPECT_THROW(chain.ScanData(0, 65, 0), std::invalid_argument);
  EXPECT_THROW(chain.ShiftDataCapture(0, 8, 5), std::invalid_argument);
  EXPECT_THROW(chain.ShiftDataText("0102", 0), std::invalid_argument);
  EXPECT_THROW(chain.ShiftDataText("", 0), std::invalid_argument);
  EXPECT_THROW(chain.GotoState(TapState::Undefined), std::invalid_argument);
  EXPECT_THROW(chain.MoveState(TapState::Undefined, TapState::Idle), std::invalid_argument);
  EXPECT_EQ(chain.State(), TapState::Idle);
}

TEST(SimulatedChain, TrstHoldsTheTapsInReset) {
  SimulatedChain chain({EA7()});
  chain.SetInstruction(stratix::kUserCode, 0);
  chain.GotoState(TapState::DrPause);
  chain.SetResetLines(true, false);
  EXPECT_EQ(chain.State(), TapState::Reset);
  chain.ClockTMS(false);
  EXPECT_EQ(chain.State(), TapState::Reset);
  chain.SetResetLines(false, true);  // SRST alone leaves the TAPs be
  chain.ClockTMS(false);
  EXPECT_EQ(chain.State(), TapState::Idle);
  EXPECT_EQ(chain.Device(0).Instruction(), stratix::kIdCode);
}

TEST(ChainDiscovery, FindsEveryDeviceWithOrWithoutKnownLengths) {
  SimulatedChain chain(
      {DeviceSpec::Generic(5), EA7(), DeviceSpec::Generic(8), DeviceSpec::Generic(3), SMD5()});
  const IdCodeLookup knows = [](uint32_t idcode) -> std::optional<KnownDevice> {
    if (idcode == 0x029030DD) return KnownDevice{"the EA7", 10};
    return std::nullopt;
  };
  for (const IdCodeLookup& lookup : {IdCodeLookup(), knows}) {
    chain.SetInstruction(stratix::kUserCode, 4);
    const ChainLayout found = DiscoverChain(chain, lookup);
    ASSERT_EQ(found.size(), 5u);
    for (size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].IdCode, chain.Layout()[i].IdCode) << i;
      EXPECT_EQ(found[i].IrLength, chain.Layout()[i].IrLength) << i;
      // Left with BYPASS everywhere.
      EXPECT_EQ(chain.Device(i).Instruction(), (1u << found[i].IrLength) - 1) << i;
    }
    EXPECT_EQ(found[0].Name, "bypass-only device");
    EXPECT_EQ(found[1].Name, lookup ? "the EA7" : "unknown device");
    EXPECT_EQ(chain.State(), TapState::Idle);
  }
  const IdCodeLookup wrong = [](uint32_t) { return KnownDevice{"wrong", 12}; };
  EXPECT_THROW(DiscoverChain(chain, wrong), JtagError);
}

}  // namespace
}  // namespace morvel::host::jtag
