// The Stratix V JTAG routines as call sequences on a recording channel: the status sample,
// programming with its pin steps, start-up and family parameters, reset and the user code.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "driver/Device_Stratix5_Driver.h"
#include "hosted/FakeChannel.h"
#include "hosted/HostFixture.h"
#include "jtag/StratixJtag.h"
#include "sdk/Clock.h"
#include "sdk/HostDispIds.h"

namespace morvel::testing {
namespace {

using namespace morvel::stratix5;

// Time that passes only when asked, so the programming waits cost nothing.
class TStepClock : public TClock {
 public:
  uint64_t TickCount() override { return ++now; }
  void Yield() override {}
  uint64_t now = 0;
};

class StratixJtag : public HostFixture {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "System");
    std::filesystem::copy_file(
        std::filesystem::path(MORVEL_HOST_EXE).parent_path() / "System/MorvelManager.dll",
        dir / "System/MorvelManager.dll");
    dir.Write("System/DeviceFamilies.ini", familyIni);
    HostFixture::SetUp();
    SetClockForTesting(&clock);
    channel->recordPins = true;
  }
  void TearDown() override {
    SetClockForTesting(nullptr);
    HostFixture::TearDown();
  }
  DispatchPtr Channel() { return DispatchPtr(channel->AsDispatch()); }
  std::string File(const std::string& bytes) { return dir.Write("design.rbf", bytes).string(); }
  int32_t Program(const std::string& bytes, int32_t index) {
    return stratix5::ProgramDevice(driver, File(bytes), Channel(), index);
  }
  size_t ProgressSteps() {
    return static_cast<size_t>(std::count_if(
        State().ProgressCommands.begin(), State().ProgressCommands.end(),
        [](const host::StatusCommand& c) { return c.Pane == dispid::progress::Step; }));
  }

  std::string familyIni = "[Stratix5]\nND_ActiveDisengage=False\n";
  TStepClock clock;
  ComPtr<TFakeChannel> channel{new TFakeChannel};
  TDevice_Stratix5Driver driver{static_cast<TDeviceKind>(0)};
};

TEST_F(StratixJtag, StatusTableCoversEveryBaseNameAndMatchesWithoutCase) {
  for (const TBaseNameIdParameters& base : kBaseNames) {
    int32_t n = 0, k = 0;
    EXPECT_TRUE(LookupStatusPosition(base.Name, "F40", n, k)) << base.Name;
  }
  int32_t n = 0, k = 0;
  ASSERT_TRUE(LookupStatusPosition("5sgxea7n2", "F45", n, k));
  EXPECT_EQ(n, 1081);
  EXPECT_EQ(k, 424);
  EXPECT_FALSE(LookupStatusPosition("5XYZ", "F40", n, k));
  EXPECT_EQ(n, 0);
}

TEST_F(StratixJtag, SamplingClocksToTheStatusBitOfTheDevice) {
  struct Case {
    const char* base;
    const char* package;
    int32_t devices;
    int32_t index;
    size_t clocks;
  } cases[] = {
      {"5SGXEA3K2", "F35", 3, 1, (777 - 328) * 3 + 3 - 1},
      {"5SGXEA3K2", "f35", 1, 0, (777 - 328) * 3 + 1},
      {"5SGXEA3K2", "F40", 3, 1, (1025 - 424) * 3 + 3 - 1},
      {"5SGXEA7N2", "F45", 1, 0, (1081 - 424) * 3 + 1},
      {"5SEE9", "F45", 2, 0, (1165 - 424) * 3 + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.base) + c.package);
    channel->calls.clear();
    channel->deviceCount = c.devices;
    channel->tdo = 1;
    EXPECT_EQ(DeviceState(c.base, c.package, Channel(), c.index), eDeviceState_Programmed);
    EXPECT_EQ(channel->Count("ClockTMS(0)"), c.clocks);
    const std::vector<std::string> head(channel->calls.begin(), channel->calls.begin() + 4);
    EXPECT_EQ(head,
              (std::vector<std::string>{"Open", "SetInstruction(4," + std::to_string(c.index) + ")",
                                        "MoveState(2,5)", "GetDeviceCount"}));
    const std::vector<std::string> tail(channel->calls.end() - 7, channel->calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"ClockTMS(0)", "ReadPins", "Flush", "GetTDO",
                                              "ClockTMS(1)", "MoveState(6,2)", "Close"}));
  }
  for (uint8_t tdo : {2, 0x80, 0xFF}) {
    channel->tdo = tdo;
    EXPECT_EQ(DeviceState("5SEE9", "F45", Channel(), 0), eDeviceState_Programmed);
  }
  channel->tdo = 0;
  EXPECT_EQ(DeviceState("5SEE9", "F45", Channel(), 0), eDeviceState_Reset);
}

TEST_F(StratixJtag, AnUnknownBaseNameClosesWithoutSampling) {
  channel->tdo = 1;
  EXPECT_EQ(DeviceState("NOPE", "F40", Channel(), 0), eDeviceState_Reset);
  EXPECT_EQ(channel->calls,
            (std::vector<std::string>{"Open", "SetInstruction(4,0)", "MoveState(2,5)", "Close"}));
}

TEST_F(StratixJtag, WithoutAChannelNothingMoves) {
  EXPECT_EQ(DeviceState("5SEE9", "F45", nullptr, 0), eDeviceState_Reset);
  EXPECT_FALSE(stratix5::ResetDevice("5SEE9", "F45", nullptr, 0));
  EXPECT_EQ(stratix5::ReadUserCode(nullptr, 0), -1);
  EXPECT_EQ(stratix5::ProgramDevice(driver, File("abc"), nullptr, 0), 0);
  // The driver without a host device says Reset, not None.
  EXPECT_EQ(driver.GetDeviceState(), eDeviceState_Reset);
  EXPECT_EQ(driver.ReadUserCode(), 0xFFFFFFFFu);
  EXPECT_FALSE(driver.ResetDevice());
}

TEST_F(StratixJtag, AChannelWithoutPinsFailsBeforeOpening) {
  channel->withPins = false;
  EXPECT_THROW(DeviceState("5SEE9", "F45", Channel(), 0), OleError);
  EXPECT_THROW(Program("abc", 0), OleError);
  EXPECT_TRUE(channel->calls.empty());
}

TEST_F(StratixJtag, ChannelErrorsCloseTheChannel) {
  for (size_t failAt : {2u, 6u}) {
    channel->calls.clear();
    channel->failAt = failAt;
    EXPECT_THROW(DeviceState("5SEE9", "F45", Channel(), 0), OleError);
    EXPECT_EQ(channel->calls.back(), "Close") << failAt;
  }
  channel->calls.clear();
  channel->failAt = 2;
  EXPECT_THROW(stratix5::ReadUserCode(Channel(), 0), OleError);
  EXPECT_EQ(channel->calls.back(), "Close");
}

TEST_F(StratixJtag, ProgrammingSendsBytesLeastSignificantBitFirst) {
  EXPECT_EQ(Program(std::string("\x01\x80", 2), 0), 16);
  // Preamble of 175 ones, the data, then the 128-bit trailer of ones.
  ASSERT_EQ(channel->edges.size(), 175u + 16u + 128u);
  const std::vector<int> data(channel->edges.begin() + 175, channel->edges.begin() + 191);
  EXPECT_EQ(data, (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_TRUE(std::all_of(channel->edges.begin() + 191, channel->edges.end(),
                          [](int b) { return b == 1; }));
}

TEST_F(StratixJtag, ProgrammingCallSequenceAtIndexZeroAndTwo) {
  for (int32_t index : {0, 2}) {
    SCOPED_TRACE(index);
    channel->calls.clear();
    const std::string bytes(3, '\xA5');
    EXPECT_EQ(Program(bytes, index), 24);
    const auto& c = channel->calls;
    const auto at = [&](const std::string& call) {
      return static_cast<size_t>(std::find(c.begin(), c.end(), call) - c.begin());
    };
    // Opening and instruction 2 before the data; instruction 3 and the start-up after it.
    EXPECT_EQ(c[0], "Open");
    EXPECT_EQ(c[1], "Flush");
    EXPECT_LT(at("SetInstruction(2," + std::to_string(index) + ")"), at("MoveState(2,5)"));
    EXPECT_EQ(channel->Count("SetInstruction(720," + std::to_string(index) + ")"), 0u);
    EXPECT_EQ(c.back(), "Close");
    EXPECT_EQ(c[c.size() - 2], "GotoState(2)");
    // Per data bit: five pin calls, seven when the device is not first on the chain.
    const size_t perBit = index == 0 ? 5 : 7;
    const size_t preamble = 175 * 4;
    const size_t setup = 2 + 4;  // SetTDI(1), WritePins; the four before the data
    const size_t trailer = 128 * 5 + (index == 0 ? 2 : 0) + 4;
    const size_t startup = 200 * 4;
    size_t pinCalls = 0;
    for (const auto& call : c)
      pinCalls += call.rfind("Set", 0) == 0 && call.rfind("SetInstruction", 0) != 0 ? 1 : 0;
    pinCalls += channel->Count("WritePins");
    EXPECT_EQ(pinCalls, preamble + setup + 24 * perBit + trailer + startup);
    // After the trailer: index ClockTMS(0), then ClockTMS(1) and back to Run-Test/Idle.
    const size_t exit = at("MoveState(6,2)");
    ASSERT_LT(exit, c.size());
    EXPECT_EQ(c[exit - 1], "ClockTMS(1)");
    for (int32_t i = 0; i < index; ++i) EXPECT_EQ(c[exit - 2 - i], "ClockTMS(0)");
    EXPECT_NE(c[exit - 2 - index], "ClockTMS(0)");
    EXPECT_EQ(channel->Count("SetInstruction(3," + std::to_string(index) + ")"), 1u);
  }
}

TEST_F(StratixJtag, AnEmptyFileStillRunsTheWholeSequence) {
  EXPECT_EQ(Program("", 0), 0);
  EXPECT_EQ(channel->edges.size(), 175u + 128u + 0u);
  EXPECT_EQ(channel->Count("SetInstruction(3,0)"), 1u);
  EXPECT_EQ(channel->Count("ClockTMS(0)"), 400u);
}

TEST_F(StratixJtag, ProgressCountsEveryByteAndEnds) {
  EXPECT_EQ(Program(std::string(50, 'x'), 0), 400);
  EXPECT_EQ(ProgressSteps(), 100u);
  EXPECT_EQ(State().ProgressCommands[1].Text, "Programming Device Via JTAG...");
  EXPECT_EQ(State().ProgressCommands.back().Pane, dispid::progress::End);
  EXPECT_EQ(ProgressDepth(), 0u);
}

TEST_F(StratixJtag, AnErrorWhileProgrammingClosesTheChannelAndEndsTheProgress) {
  channel->failAt = 2000;  // among the data bits
  EXPECT_THROW(Program(std::string(100, 'x'), 0), OleError);
  EXPECT_EQ(channel->calls.back(), "Close");
  EXPECT_EQ(ProgressDepth(), 0u);
  EXPECT_EQ(State().ProgressCommands.back().Pane, dispid::progress::End);
}

TEST_F(StratixJtag, MissingFileTouchesNothing) {
  EXPECT_EQ(stratix5::ProgramDevice(driver, (dir / "none.rbf").string(), Channel(), 0), 0);
  EXPECT_TRUE(channel->calls.empty());
}

TEST_F(StratixJtag, ResetAnswersTheStatusAfterInstructionTwo) {
  channel->tdo = 1;
  EXPECT_TRUE(stratix5::ResetDevice("5SEE9", "F45", Channel(), 1));
  const std::vector<std::string> head(channel->calls.begin(), channel->calls.begin() + 5);
  EXPECT_EQ(head, (std::vector<std::string>{"Open", "GotoState(2)", "SetInstruction(2,1)",
                                            "GotoState(2)", "Close"}));
  channel->tdo = 0;
  EXPECT_FALSE(stratix5::ResetDevice("5SEE9", "F45", Channel(), 1));
}

TEST_F(StratixJtag, UserCodeIsTheCapturedWordUnchanged) {
  channel->scanAnswer = 0x12345678u;
  EXPECT_EQ(stratix5::ReadUserCode(Channel(), 2), 0x12345678);
  EXPECT_EQ(channel->calls, (std::vector<std::string>{"Open", "GotoState(2)", "SetInstruction(7,2)",
                                                      "ScanData(0,32,2)", "Close"}));
  channel->scanAnswer = 0xFFFFFFFFu;
  EXPECT_EQ(stratix5::ReadUserCode(Channel(), 0), -1);
}

class StratixFamily : public StratixJtag {
 protected:
  void SetUp() override {
    familyIni = "[Stratix5]\nND_ActiveDisengage=True\nND_ProgramBitsToIgnore=4\n";
    StratixJtag::SetUp();
  }
};

TEST_F(StratixFamily, FamilyParametersDisengageAndSkipLeadingBytes) {
  EXPECT_EQ(Program(std::string(6, '\x00') + "\xFF", 0), 56);
  EXPECT_EQ(channel->Count("SetInstruction(720,0)"), 1u);
  // Four bytes skipped: two zero bytes and the 0xFF remain.
  EXPECT_EQ(channel->edges.size(), 175u + 24u + 128u);
  EXPECT_EQ(ProgressSteps(), 100u) << "skipped bytes still count";
}

TEST_F(StratixJtag, ClockCyclesComeFromThePluginFolderConfiguration) {
  struct Case {
    const char* cycles;
    int32_t expected;
  } cases[] = {{nullptr, 175}, {"", 175}, {"12", 12}, {"$10", 16}, {"twelve", -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cycles == nullptr ? "(none)" : c.cycles);
    StopHost();
    StartHost();
    std::string ini = "[General]\nDeviceFamily=stratix5\n";
    if (c.cycles != nullptr) ini += std::string("[ClockCore]\nCycles=") + c.cycles + "\n";
    AddPluginFolder("P", &ini);
    EXPECT_EQ(FamilyClockCycles("Stratix5"), c.expected);
  }
  // A value that is not a number means no preamble cycles.
  channel->calls.clear();
  channel->edges.clear();
  EXPECT_EQ(Program("\x01", 0), 8);
  EXPECT_EQ(channel->edges.size(), 8u + 128u);
}

}  // namespace
}  // namespace morvel::testing
