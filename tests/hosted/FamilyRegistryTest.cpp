// The device-family registry: compiled-in rows and the plug-in folders' configuration files.
#include <gtest/gtest.h>

#include "hosted/HostFixture.h"
#include "sdk/FamilyRegistry.h"

namespace morvel::testing {
namespace {

using FamilyRegistry = HostFixture;

const std::string kStratix =
    "[General]\nDeviceFamily=Stratix5\nDeviceVendor=Altera\nEDIF=STRATIX5\n";

TEST_F(FamilyRegistry, CompiledInRowsNeedNoConfiguration) {
  EXPECT_EQ(VendorOfFamily("Cyclone3"), "Altera");
  EXPECT_EQ(VendorOfFamily("STM32"), "STMicroelectronics");
  TDeviceFamilyInfo info;
  ASSERT_TRUE(FindFamilyInfo("IGLOOnano", info));
  EXPECT_EQ(info.EDIF, "IGLOOnano");
  ASSERT_TRUE(FindFamilyInfo("Spartan3", info));
  EXPECT_EQ(info.EDIF, "SPARTAN3");
  ASSERT_TRUE(FindFamilyInfo("XCF", info));
  EXPECT_EQ(info.EDIF, "");
  EXPECT_EQ(VendorOfFamily("Stratix5"), "");
}

TEST_F(FamilyRegistry, AConfigurationFileAddsItsFamilyWithExactCase) {
  AddPluginFolder("Device_Stratix5", &kStratix);
  EXPECT_EQ(VendorOfFamily("Stratix5"), "Altera");
  EXPECT_EQ(VendorOfFamily("stratix5"), "") << "family keys keep their case";
}

TEST_F(FamilyRegistry, FilesWithoutAllThreeKeysOrUnreadableFilesAddNothing) {
  const std::string noEdif = "[General]\nDeviceFamily=FamA\nDeviceVendor=V\nEDIF=\n";
  const std::string noVendor = "[General]\nDeviceFamily=FamB\nEDIF=X\n";
  const std::string empty;
  const std::string malformed = "General]\nDeviceFamily=FamC\n\x01\x02\n[General\nEDIF=X";
  AddPluginFolder("A", &noEdif);
  AddPluginFolder("B", &noVendor);
  AddPluginFolder("C", &empty);
  AddPluginFolder("D", &malformed);
  AddPluginFolder("E", nullptr);  // no MorvelConfig.ini at all
  host->AddRegistryItem(dir.Path() / "Plugins" / "DoesNotExist", "X.MVL");
  for (const char* family : {"FamA", "FamB", "FamC"}) EXPECT_EQ(VendorOfFamily(family), "");
  EXPECT_EQ(VendorOfFamily("Cyclone3"), "Altera");
}

TEST_F(FamilyRegistry, TheLastEnabledPluginWinsAndMayOverrideARow) {
  const std::string first = "[General]\nDeviceFamily=Stratix5\nDeviceVendor=First\nEDIF=S\n";
  const std::string second = "[General]\nDeviceFamily=Stratix5\nDeviceVendor=Second\nEDIF=S\n";
  const std::string switchedOff = "[General]\nDeviceFamily=Stratix5\nDeviceVendor=Off\nEDIF=S\n";
  const std::string cyclone = "[General]\nDeviceFamily=Cyclone3\nDeviceVendor=Other\nEDIF=C3\n";
  AddPluginFolder("One", &first);
  AddPluginFolder("Two", &second);
  AddPluginFolder("Three", &switchedOff, /*disabled=*/true);
  AddPluginFolder("Four", &cyclone);
  EXPECT_EQ(VendorOfFamily("Stratix5"), "Second");
  EXPECT_EQ(VendorOfFamily("Cyclone3"), "Other");
}

TEST_F(FamilyRegistry, TheRegistryIsBuiltOnceAndNotRebuilt) {
  EXPECT_EQ(VendorOfFamily("Stratix5"), "");
  AddPluginFolder("Late", &kStratix);
  EXPECT_EQ(VendorOfFamily("Stratix5"), "") << "files added later are seen after a reload";
}

}  // namespace
}  // namespace morvel::testing
