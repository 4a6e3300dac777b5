// The compiled-in catalogue: counts, order, the naming and IDCODE rules, and telling rows.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "data/Catalogue.h"
#include "driver/Device_Stratix5_Driver.h"

namespace morvel::stratix5 {
namespace {

TEST(Catalogue, EveryRowObeysTheNamingIdcodeAndIndexRules) {
  std::set<std::string> names;
  for (int kind = 0; kind < kDeviceKindCount; ++kind) {
    const TDeviceParameters& row = kDevices[kind];
    SCOPED_TRACE(row.FullName);
    EXPECT_EQ(row.Kind, kind);
    const std::string base = kBaseNames[row.BaseName].Name;
    const std::string designator = row.OptionDesignator == eOptionDesignator_None
                                       ? ""
                                       : kOptionDesignatorStrings[row.OptionDesignator].Id;
    EXPECT_EQ(row.FullName, base + kPackageStrings[row.Package].Id +
                                kTemperatureGradeStrings[row.TemperatureGrade].Id +
                                kSpeedGradeStrings[row.SpeedGrade].Id + designator);
    EXPECT_EQ(row.BSDL, base + kPackageStrings[row.Package].Id + ".bsd");
    EXPECT_EQ(kPackageTypeStrings[row.PackageType].Id[0], kPackageStrings[row.Package].Id[0]);
    EXPECT_EQ(row.IdCode & 0xFFFu, 0x0DDu);
    EXPECT_EQ(row.IdCode >> 28, 0u);
    EXPECT_EQ(row.InstructionLength, 10);
    EXPECT_EQ(static_cast<int>(row.PinSet), static_cast<int>(row.DevicePackage));
    EXPECT_NE(row.OptionDesignator, eOptionDesignator_None);
    EXPECT_TRUE(names.insert(row.FullName).second) << "names are unique";
  }
  EXPECT_EQ(names.size(), 1337u);
}

TEST(Catalogue, TellingRows) {
  struct Row {
    int kind;
    const char* name;
    uint32_t idcode;
  } rows[] = {
      {0, "5SEE9F45C2N", 0x029950DD},         {537, "5SGXEA7H2F35C2N", 0x029030DD},
      {538, "5SGXEA7H2F35C2ESN", 0x029030DD}, {539, "5SGXEA7H2F35C2LN", 0x029030DD},
      {1336, "5SGXMBBR3H43I4N", 0x029050DD},
  };
  for (const Row& r : rows) {
    EXPECT_STREQ(kDevices[r.kind].FullName, r.name);
    EXPECT_EQ(kDevices[r.kind].IdCode, r.idcode);
  }
  EXPECT_EQ(kDevices[0].IdCode, 43602141u);
}

// Which suffixes a base name and package carry, as a string of full names' suffixes.
std::string SuffixesOf(const std::string& baseAndPackage) {
  std::string out;
  for (const TDeviceParameters& row : kDevices) {
    const std::string name = row.FullName;
    if (name.compare(0, baseAndPackage.size(), baseAndPackage) == 0 &&
        std::string(kDevicePackageNames[row.DevicePackage]) == baseAndPackage)
      out += name.substr(baseAndPackage.size()) + " ";
  }
  return out;
}

TEST(Catalogue, SuffixSetsFollowBaseNameAndPackage) {
  EXPECT_EQ(SuffixesOf("5SGXMB6R1F40"), "C1N C2N C2LN I2N I2LN ");  // set K
  EXPECT_EQ(SuffixesOf("5SGXMB6R1F43"), "C1N C2N C2LN I2N ");       // set B
  EXPECT_EQ(SuffixesOf("5SGXEA3K1F35"), "C1N C2N C2LN I2N ");
  EXPECT_EQ(SuffixesOf("5SGXEA7H2F35"), "C1N C2N C2ESN C2LN C3N C3ESN I2N I2LN I3N I3LN ");
}

TEST(Catalogue, KindsWithEqualGatesMayDifferInIdcodeAndResources) {
  TDevice_Stratix5Driver h(e5SGXEA3H1F35C1N);
  TDevice_Stratix5Driver k(e5SGXEA3K1F35C1N);
  EXPECT_EQ(h.GetEquivalentGatesForBase(), k.GetEquivalentGatesForBase());
  EXPECT_EQ(h.GetIdCode(), 0x029210DDu);
  EXPECT_EQ(k.GetIdCode(), 0x029470DDu);
  EXPECT_EQ(h.GetConfigMemorySize(), 137598720);  // R10
  EXPECT_EQ(k.GetConfigMemorySize(), 213798720);  // R11
}

TEST(Catalogue, DriverOfKindZeroAnswersFromItsRow) {
  TDevice_Stratix5Driver d(static_cast<TDeviceKind>(0));
  EXPECT_EQ(d.GetDeviceName(), "5SEE9F45C2N");
  EXPECT_EQ(d.GetIdCode(), 0x029950DDu);
  EXPECT_EQ(d.GetPackageId(), "F45");
  EXPECT_EQ(d.GetPackageName(), "FBGA1932");
  EXPECT_EQ(d.GetPackageDimensions(), "45 x 45 mm");
  EXPECT_EQ(d.GetPackageDescription(), "1932-Ball FineLine Ball Grid Array (FBGA1932)");
  EXPECT_EQ(d.GetPackageTypeId(), "F");
  EXPECT_EQ(d.GetPackageTypeDescription(), "FineLine Ball Grid Array (F)");
  EXPECT_EQ(d.GetTemperatureGradeName(), "Commercial");
  EXPECT_EQ(d.GetSpeedGradeDescription(), "Speed Grade 2");
  EXPECT_EQ(d.GetOptionDesignatorName(), "N");
  EXPECT_EQ(d.GetOptionDesignatorDescription(), "Pb-Free");
  EXPECT_EQ(d.GetBSDLFilename(), "5SEE9F45.bsd");
  EXPECT_EQ(d.GetBaseName(), "5SEE9");
  EXPECT_EQ(d.GetEquivalentGatesForBase(), 840000);
  EXPECT_EQ(d.GetMaxIOForBase(), 696);
  EXPECT_EQ(d.GetInstructionLength(), 10);
  EXPECT_EQ(d.GetFamilyName(), "Stratix5");
  EXPECT_EQ(d.GetFamilyDescription(), "Stratix V FPGA");
  EXPECT_EQ(d.GetLibraryName(), "Altera Stratix V.IntLib");
  // R1
  EXPECT_EQ(d.GetDSPMultiplierCount(), 704);
  EXPECT_EQ(d.GetClockManagerCount(), 28);
  EXPECT_EQ(d.GetMemorySize(), 52000);
  EXPECT_TRUE(d.GetTerminationSupport());
  EXPECT_EQ(d.GetGlobalClockCount(), 16);
  EXPECT_EQ(d.GetConfigMemorySize(), 342742816);
  EXPECT_EQ(d.Row().PinSet, ePinSet_5SEE9F45);

  TDevice_Stratix5Driver h(e5SGSMD3E1H29C1N);
  EXPECT_EQ(h.GetPackageDescription(), "780-Hybrid FineLine Ball Grid Array(HBGA780)");
  EXPECT_EQ(h.GetPackageTypeName(), "HBGA");
}

TEST(Catalogue, OptionDesignatorStringsIncludeTheUnusedStandard) {
  EXPECT_STREQ(kOptionDesignatorStrings[eOptionDesignator_None].Name, "Standard");
  EXPECT_STREQ(kOptionDesignatorStrings[eOptionDesignator_None].Description,
               "Standard Configuration");
  EXPECT_STREQ(kSpeedGradeStrings[eSpeedGrade_1].Description, "Speed Grade 1 (Fastest)");
  EXPECT_STREQ(kSpeedGradeStrings[eSpeedGrade_4].Description, "Speed Grade 4 (Slowest)");
}

TEST(Catalogue, BsdlNamesFollowTheDevicePackageOrderAndAreFoundWithoutCase) {
  EXPECT_STREQ(kBSDLNames[0], "5SEE9F45.bsd");
  for (int i = 0; i < kDevicePackageCount; ++i) EXPECT_EQ(TBSDLDataList::IndexOf(kBSDLNames[i]), i);
  EXPECT_EQ(TBSDLDataList::IndexOf("5see9f45.BSD"), 0);
  EXPECT_EQ(TBSDLDataList::IndexOf("nothing.bsd"), -1);
}

}  // namespace
}  // namespace morvel::stratix5
