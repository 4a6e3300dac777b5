// Initialisation files read with the platform's rules.
#include <gtest/gtest.h>

#include "sdk/IniFile.h"
#include "support/TempDir.h"

namespace morvel {
namespace {

TEST(IniFile, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
  const TIniFile ini = TIniFile::FromText(
      "\xEF\xBB\xBF; comment\r\n[General]\r\n  DeviceFamily =  Stratix5  \r\nEDIF=\"QUOTED\"\n"
      "DeviceFamily=second\n[broken\nLost=1\n[ClockCore]\nCycles=\n");
  EXPECT_EQ(ini.ReadString("general", "devicefamily"), "Stratix5");
  EXPECT_EQ(ini.ReadString("General", "EDIF"), "QUOTED");
  EXPECT_EQ(ini.ReadString("General", "Lost", "none"), "none");
  EXPECT_TRUE(ini.HasKey("ClockCore", "Cycles"));
  EXPECT_EQ(ini.ReadString("ClockCore", "Cycles", "x"), "");
  EXPECT_EQ(ini.ReadString("Missing", "Key", "fallback"), "fallback");
}

TEST(IniFile, MissingOrBinaryFilesReadAsEmpty) {
  const TIniFile missing("/nonexistent/MorvelConfig.ini");
  EXPECT_FALSE(missing.Exists());
  EXPECT_EQ(missing.ReadString("General", "DeviceFamily"), "");
  testing::TempDir dir;
  const auto junk = dir.Write("junk.ini", std::string("\0\x01\xFF[=]\n==\n", 10));
  const TIniFile ini(junk.string());
  EXPECT_TRUE(ini.Exists());
  EXPECT_TRUE(ini.Sections().size() <= 1);
}

}  // namespace
}  // namespace morvel
