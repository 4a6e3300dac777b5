// Pin sets and IO standards: the generated tables against their counts and telling rows, and
// the pin, IO-standard and driver operations as the host reaches them through Invoke.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>

#include "driver/Device_Stratix5_Driver.h"
#include "pins/DevicePins.h"
#include "pins/PinSets.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace morvel::stratix5 {
namespace {

namespace info = dispid::info;
namespace pin = dispid::pin;
namespace io = dispid::iostandard;

constexpr uint64_t Bit(TDeviceIOStandardID id) {
  return uint64_t{1} << id;
}
constexpr uint64_t kAll = (uint64_t{1} << kIOStandardCount) - 1;
constexpr uint64_t kAllButSLVS = kAll & ~Bit(sSLVS);
constexpr uint64_t kFiveSee =
    kAllButSLVS & ~(Bit(sPCML25) | Bit(sPCML15) | Bit(sPCML14) | Bit(sPCML12) | Bit(sHCSL));

int FirstKindOf(TDevicePinSet set) {
  for (int kind = 0; kind < kDeviceKindCount; ++kind)
    if (kDevices[kind].PinSet == set) return kind;
  return -1;
}

bool IsFiveSee(int set) {
  return std::string(kDevicePackageNames[set]).rfind("5SEE", 0) == 0;
}

TEST(PinSets, CountsAgreeWithTheFlagsAndBallsFollowThePackageGrid) {
  const std::map<std::string, int> balls = {{"F35", 1152}, {"F40", 1517}, {"F43", 1760},
                                            {"F45", 1932}, {"H29", 780},  {"H40", 1517},
                                            {"H43", 1760}};
  for (int set = 0; set < kDevicePackageCount; ++set) {
    const TPinSetParameters& ps = kPinSets[set];
    SCOPED_TRACE(kDevicePackageNames[set]);
    const int kind = FirstKindOf(static_cast<TDevicePinSet>(set));
    EXPECT_EQ(ps.PinCount, balls.at(kPackageStrings[kDevices[kind].Package].Id));
    int io = 0, diffP = 0, diffN = 0, hdiffP = 0, hdiffN = 0;
    uint64_t unionOfPins = 0;
    std::set<std::string> numbers;
    std::map<std::string, std::pair<int, int>> pairs;  // bank|id -> P and N count
    for (int i = 0; i < ps.PinCount; ++i) {
      const TPinParameters& p = ps.Pins[i];
      const auto has = [&](TPinOption o) { return (p.Options & (1u << o)) != 0; };
      const std::string number = PinText(p.PinNumber);
      ASSERT_TRUE(numbers.insert(number).second) << number;
      // JEDEC rows never use I, O, Q, S, X or Z.
      EXPECT_EQ(number.find_first_of("IOQSXZ"), std::string::npos) << number;
      io += has(ePinOption_IO);
      diffP += has(ePinOption_DiffP);
      diffN += has(ePinOption_DiffN);
      hdiffP += has(ePinOption_HDiffP);
      hdiffN += has(ePinOption_HDiffN);
      EXPECT_FALSE(has(ePinOption_DCIP) || has(ePinOption_DCIN));
      if (!has(ePinOption_IO)) {
        EXPECT_EQ(PinStandards(p), 0u) << number;
      }
      if (has(ePinOption_DiffP) || has(ePinOption_DiffN)) {
        auto& counts = pairs[std::string(PinText(p.Bank)) + "|" + PinText(p.DiffId)];
        (has(ePinOption_DiffP) ? counts.first : counts.second)++;
      }
      unionOfPins |= PinStandards(p);
    }
    EXPECT_EQ(io, ps.IOCount);
    EXPECT_EQ(diffP, ps.DiffCount);
    EXPECT_EQ(diffN, ps.DiffCount);
    EXPECT_EQ(hdiffP, ps.HSpeedDiffCount);
    EXPECT_EQ(hdiffN, ps.HSpeedDiffCount);
    for (const auto& [key, counts] : pairs) EXPECT_EQ(counts, std::make_pair(1, 1)) << key;
    EXPECT_EQ(ps.Standards, unionOfPins);
    EXPECT_EQ(ps.Standards, IsFiveSee(set) ? kFiveSee : kAllButSLVS);
  }
}

TEST(PinSets, TwelveHeaderRowsWithTheirFirstPinSets) {
  struct Header {
    int pins, io, diff, hs, sets;
    const char* first;
  } headers[] = {
      {780, 368, 180, 24, 9, "5SGSMD3E1H29"},    {1152, 448, 216, 48, 12, "5SGSMD3H1F35"},
      {1152, 456, 216, 72, 24, "5SGXEA3K1F35"},  {1152, 568, 276, 48, 21, "5SGSMD5H1F35"},
      {1517, 476, 216, 132, 12, "5SGXEB5R1F40"}, {1517, 632, 300, 72, 4, "5SGTMC5K2F40"},
      {1517, 632, 300, 96, 12, "5SGXEA5N1F40"},  {1517, 696, 348, 0, 2, "5SEE9H40"},
      {1517, 720, 348, 72, 54, "5SGSED6K1F40"},  {1760, 644, 300, 132, 24, "5SGXEB5R1F43"},
      {1932, 840, 420, 0, 2, "5SEE9F45"},        {1932, 872, 420, 96, 36, "5SGSED6N1F45"},
  };
  std::map<std::tuple<int, int, int, int>, std::pair<int, std::string>> seen;
  for (int set = 0; set < kDevicePackageCount; ++set) {
    const TPinSetParameters& ps = kPinSets[set];
    auto& entry = seen[{ps.PinCount, ps.IOCount, ps.DiffCount, ps.HSpeedDiffCount}];
    if (entry.first++ == 0) entry.second = kDevicePackageNames[set];
  }
  ASSERT_EQ(seen.size(), 12u);
  for (const Header& h : headers) {
    const auto& entry = seen.at({h.pins, h.io, h.diff, h.hs});
    EXPECT_EQ(entry.first, h.sets) << h.first;
    EXPECT_EQ(entry.second, h.first);
  }
}

// The telling rows of 5SGSED6K1F40, read through the pin objects' Invoke as the host would.
TEST(PinSets, TellingRowsOf5SGSED6K1F40) {
  TDevice_Stratix5Driver driver(static_cast<TDeviceKind>(FirstKindOf(ePinSet_5SGSED6K1F40)));
  struct Row {
    const char* number;
    const char* bank;
    const char* diff;
    const char* clk;
    std::set<DISPID> flags;
    int standards;
  } rows[] = {
      {"B39", "", "", "", {}, 0},
      {"T33", "B2L", "", "5", {pin::GetIsIOPin, pin::GetIsCLKPin, pin::GetIsClkDiffP_Pin}, 7},
      {"C36", "", "T", "", {pin::GetIsHDiffP_Pin, pin::GetIsTransmitDiffPin}, 0},
      {"D38",
       "",
       "R",
       "",
       {pin::GetIsInputOnlyPin, pin::GetIsHDiffP_Pin, pin::GetIsReceiveDiffPin},
       0},
      {"AN33", "3A", "1", "", {pin::GetIsIOPin, pin::GetIsSpecialPin, pin::GetIsDiffP_Pin}, 50},
      {"AW29",
       "3B",
       "22",
       "0",
       {pin::GetIsIOPin, pin::GetIsCLKPin, pin::GetIsDiffN_Pin, pin::GetIsClkDiffN_Pin},
       51},
      {"AD30",
       "3B",
       "PLL0_CLKOUT",
       "",
       {pin::GetIsIOPin, pin::GetIsCLKPin, pin::GetIsDiffP_Pin, pin::GetIsDLLPin},
       50},
      {"AJ31", "", "", "", {pin::GetIsVREFPin}, 0},
  };
  std::map<std::string, DispatchPtr> byNumber;
  const int32_t count = Call(driver.AsDispatch(), info::GetDevicePinCount).AsInt();
  for (int32_t i = 0; i < count; ++i) {
    DispatchPtr p = Call(driver.AsDispatch(), info::GetDevicePin, i).AsObject();
    byNumber[Call(p, pin::GetPinNumber).AsText()] = p;
  }
  for (const Row& r : rows) {
    SCOPED_TRACE(r.number);
    const DispatchPtr& p = byNumber.at(r.number);
    EXPECT_EQ(Call(p, pin::GetIOBank).AsText(), r.bank);
    EXPECT_EQ(Call(p, pin::GetDifferentialId).AsText(), r.diff);
    EXPECT_EQ(Call(p, pin::GetClkDifferentialId).AsText(), r.clk);
    EXPECT_EQ(Call(p, pin::GetIOStandardCount).AsInt(), r.standards);
    for (DISPID flag = pin::GetIsIOPin; flag <= pin::GetIsDLLPin; ++flag) {
      if (flag == pin::GetIOStandardCount || flag == pin::GetIOStandard) continue;
      EXPECT_EQ(Call(p, flag).AsBool(), r.flags.count(flag) == 1) << "flag " << flag;
    }
  }
  // C36 is the positive pin of its pair through its high-speed flag.
  const DispatchPtr& c36 = byNumber.at("C36");
  EXPECT_TRUE(Call(c36, pin::GetIsPosPinOfDiffPair).AsBool());
  EXPECT_FALSE(Call(c36, pin::GetIsNegPinOfDiffPair).AsBool());
  EXPECT_EQ(Call(c36, pin::GetUniqueDifferentialID).AsText(), "|T|");
  EXPECT_EQ(Call(byNumber.at("AN33"), pin::GetUniqueDifferentialID).AsText(), "3A|1|");
  EXPECT_TRUE(Call(byNumber.at("AW29"), pin::GetIsNegPinOfDiffPair).AsBool());
  EXPECT_FALSE(Call(byNumber.at("B39"), pin::GetIsPosPinOfDiffPair).AsBool());
  EXPECT_FALSE(Call(byNumber.at("B39"), pin::GetIOStandard, 0).AsObject());
}

TEST(PinDriver, KindZeroAnswersItsCountsAndPinsAreMadeOnce) {
  TDevice_Stratix5Driver driver(static_cast<TDeviceKind>(0));
  IDispatch* d = driver.AsDispatch();
  EXPECT_EQ(Call(d, info::GetDevicePinCount).AsInt(), 1932);
  EXPECT_EQ(Call(d, info::GetDeviceIOCount).AsInt(), 840);
  EXPECT_EQ(Call(d, info::GetDiffPairCount).AsInt(), 420);
  EXPECT_EQ(Call(d, info::GetHighSpeedDiffPairCount).AsInt(), 0);
  EXPECT_EQ(Call(d, info::GetIOStandardCount).AsInt(), 51);
  const DispatchPtr first = Call(d, info::GetDevicePin, 0).AsObject();
  EXPECT_EQ(Call(d, info::GetDevicePin, 0).AsObject(), first);
  EXPECT_NE(Call(d, info::GetDevicePin, 1931).AsObject().Get(), first.Get());
  EXPECT_EQ(first->AddRef(), static_cast<ULONG>(-1));
  EXPECT_TRUE(SupportsService(first.Get(), "DEVICEPIN"));
}

TEST(PinDriver, PinAndStandardIndexesOutsideTheirRange) {
  TDevice_Stratix5Driver driver(static_cast<TDeviceKind>(0));
  IDispatch* d = driver.AsDispatch();
  // A pin index outside the pins is an error answer, not a read past the table.
  for (int32_t index : {-1, 1932, 0x7FFFFFFF, static_cast<int32_t>(0x80000000u)}) {
    SCOPED_TRACE(index);
    try {
      Call(d, info::GetDevicePin, index);
      ADD_FAILURE() << "no error";
    } catch (const OleError& e) {
      EXPECT_EQ(e.Code(), E_UNEXPECTED);
      EXPECT_NE(std::string(e.what()).find("outside 0 to 1931"), std::string::npos) << e.what();
    }
  }
  for (int32_t index : {-1, 51, 1000}) EXPECT_FALSE(Call(d, info::GetIOStandard, index).AsObject());
  const DispatchPtr lvcmos = Call(d, info::GetIOStandard, 3).AsObject();
  ASSERT_EQ(Call(lvcmos, io::GetParamName).AsText(), "LVCMOS25");
  for (int32_t index : {-1, 4}) EXPECT_EQ(Call(lvcmos, io::GetDriveStrength, index).AsText(), "");
  for (int32_t index : {-1, 2}) EXPECT_EQ(Call(lvcmos, io::GetSlewValue, index).AsText(), "");
  DispatchPtr ioPin;
  for (int32_t i = 0; !ioPin; ++i) {
    DispatchPtr p = Call(d, info::GetDevicePin, i).AsObject();
    if (Call(p, pin::GetIsIOPin).AsBool()) ioPin = p;
  }
  EXPECT_FALSE(Call(ioPin, pin::GetIOStandard, -1).AsObject());
  EXPECT_FALSE(
      Call(ioPin, pin::GetIOStandard, Call(ioPin, pin::GetIOStandardCount).AsInt()).AsObject());
}

TEST(IOStandards, AllButSLVSAndTheSharedObjects) {
  const int kind = FirstKindOf(ePinSet_5SGSED6K1F40);
  TDevice_Stratix5Driver a(static_cast<TDeviceKind>(kind));
  TDevice_Stratix5Driver b(static_cast<TDeviceKind>(0));
  IDispatch* d = a.AsDispatch();
  ASSERT_EQ(Call(d, info::GetIOStandardCount).AsInt(), 56);
  EXPECT_EQ(Call(Call(d, info::GetIOStandard, 0).AsObject(), io::GetParamName).AsText(),
            "LVCMOS12");
  EXPECT_EQ(Call(Call(d, info::GetIOStandard, 55).AsObject(), io::GetParamName).AsText(), "LVPECL");
  EXPECT_FALSE(Call(d, info::GetIOStandard, 56).AsObject());
  // Both drivers hand out the one object of a standard; host references do not end it.
  const DispatchPtr fromA = Call(d, info::GetIOStandard, 3).AsObject();
  const DispatchPtr fromB = Call(b.AsDispatch(), info::GetIOStandard, 3).AsObject();
  EXPECT_EQ(fromA, fromB);
  EXPECT_EQ(fromA.Get(), IOStandardObject(sLVCMOS25)->AsDispatch());
  EXPECT_EQ(fromA->Release(), static_cast<ULONG>(-1));
  EXPECT_TRUE(SupportsService(fromA.Get(), "deviceiostandard"));
}

TEST(IOStandards, AnswersOfTellingStandards) {
  struct Case {
    TDeviceIOStandardID id;
    const char* display;
    int slews;
    int drives;
    std::vector<std::string> slewValues;
    std::vector<std::string> driveValues;
  } cases[] = {
      {sLVCMOS25, "LVCMOS 2.5V", 2, 4, {"SLOW", "FAST"}, {"4mA", "8mA", "12mA", "16mA"}},
      {sPCML15, "PCML15", 0, 0, {}, {}},
      {sDSSTL12, "Differential 1.3-V SSTL", 1, 0, {"FAST"}, {}},
      {sDSSTL25II, "Differential 2.5-V SSTL Class I", 2, 1, {"SLOW", "FAST"}, {"16mA"}},
      {sLVCMOS15,
       "LVCMOS 1.5V",
       2,
       6,
       {"SLOW", "FAST"},
       {"2mA", "4mA", "6mA", "8mA", "10mA", "12mA"}},
  };
  for (const Case& c : cases) {
    IDispatch* s = IOStandardObject(c.id)->AsDispatch();
    SCOPED_TRACE(c.display);
    EXPECT_EQ(Call(s, io::GetDisplayName).AsText(), c.display);
    ASSERT_EQ(Call(s, io::GetSlewCount).AsInt(), c.slews);
    ASSERT_EQ(Call(s, io::GetDriveCount).AsInt(), c.drives);
    for (int i = 0; i < c.slews; ++i)
      EXPECT_EQ(Call(s, io::GetSlewValue, i).AsText(), c.slewValues[i]);
    for (int i = 0; i < c.drives; ++i)
      EXPECT_EQ(Call(s, io::GetDriveStrength, i).AsText(), c.driveValues[i]);
  }
  // Non-differential flags that look differential by name.
  for (TDeviceIOStandardID id : {sDSSTL15, sPCML15, sPCML14, sPCML12, sHCSL})
    EXPECT_FALSE(kIOStandards[id].Differential) << kIOStandards[id].ParamName;
  EXPECT_TRUE(kIOStandards[sPCML25].Differential);
  for (const auto& row : kIOStandards) EXPECT_EQ(row.SlewRates & 4u, 0u) << "no VERY_SLOW";
}

TEST(IOStandards, AbstractBaseAnswersNothing) {
  TMorvelAbstractDeviceIOStandard base;
  IDispatch* s = base.AsDispatch();
  EXPECT_EQ(Call(s, io::GetDisplayName).AsText(), "");
  EXPECT_EQ(Call(s, io::GetSlewCount).AsInt(), 0);
  EXPECT_EQ(Call(s, io::GetDriveStrength, 0).AsText(), "");
  EXPECT_EQ(base.AddRef(), static_cast<ULONG>(-1));
}

}  // namespace
}  // namespace morvel::stratix5
