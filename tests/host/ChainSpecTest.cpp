// Chain texts, the status-bit table, and what a chain accepts as devices.
#include <gtest/gtest.h>

#include "ChainTestSupport.h"
#include "core/PluginLibrary.h"
#include "jtag/ChainSpec.h"
#include "jtag/SimulatedChain.h"
#include "jtag/StatusTable.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/Strings.h"

namespace morvel::host::jtag {
namespace {

std::optional<ResolvedDevice> FakeResolver(std::string_view name) {
  for (const DeviceSpec& d : {test::EA7(), test::SMD5()})
    if (SameText(d.Name, name))
      return ResolvedDevice{d.Name, d.IdCode, d.IrLength, d.BaseName, d.PackageId};
  return std::nullopt;
}

TEST(ChainSpec, ParsesNamesAndGenericDevicesInOrder) {
  const std::vector<DeviceSpec> chain =
      ParseChainSpec(" 5sgxea7n2f45c2n , generic:8,GENERIC:2,5SGSMD5K2F40C2N", FakeResolver);
  ASSERT_EQ(chain.size(), 4u);
  EXPECT_EQ(chain[0].Name, "5SGXEA7N2F45C2N");
  EXPECT_EQ(chain[0].Kind, DeviceKind::StratixV);
  EXPECT_EQ(chain[0].IdCode, 0x029030DDu);
  EXPECT_EQ(chain[0].BaseName, "5SGXEA7N2");
  EXPECT_EQ(chain[1].Kind, DeviceKind::Generic);
  EXPECT_EQ(chain[1].IrLength, 8u);
  EXPECT_EQ(chain[2].IrLength, 2u);
  EXPECT_EQ(chain[3].PackageId, "F40");
  EXPECT_EQ(ParseChainSpec(kBuiltInChain, FakeResolver).size(), 2u);
}

TEST(ChainSpec, BadTextsAreErrorsThatSayWhy) {
  const std::pair<std::string, const char*> cases[] = {
      {"5SXXX", "unknown device '5SXXX'"},
      {"5SGXEA7N2F45C2N,nope", "unknown device 'nope'"},
      {"generic:1", "from 2 to 64"},
      {"generic:65", "from 2 to 64"},
      {"generic:", "from 2 to 64"},
      {"generic:8x", "from 2 to 64"},
      {"generic:-3", "from 2 to 64"},
      {"", "the chain is empty"},
      {"  ", "the chain is empty"},
      {",", "empty entry"},
      {"generic:8,,generic:8", "empty entry"},
      {"generic:8,", "empty entry"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      ParseChainSpec(text, FakeResolver);
      ADD_FAILURE() << "accepted";
    } catch (const ChainSpecError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
  std::string tooLong = "generic:2";
  for (int i = 0; i < 64; ++i) tooLong += ",generic:2";
  EXPECT_THROW(ParseChainSpec(tooLong, FakeResolver), ChainSpecError);
}

TEST(StatusTable, RowsByBaseNameAndPackage) {
  struct Case {
    const char* BaseName;
    const char* Package;
    int N, K;
  };
  const Case cases[] = {
      {"5SEE9", "F45", 1165, 424},     {"5SGXMBBR3", "H43", 1165, 424},
      {"5SGXEA7N2", "F45", 1081, 424}, {"5sgxea7n2", "f45", 1081, 424},
      {"5SGSMD5K2", "F40", 1025, 424}, {"5SGXMA3H1", "F35", 777, 328},
      {"5SGXEB6R3", "F43", 925, 304},  {"5SGXEA3K2", "F35", 777, 328},
      {"5SGXEA3K2", "f35", 777, 328},  {"5SGXEA3K2", "F40", 1025, 424},
      {"5SGXMA3K1", "F40", 1025, 424},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.BaseName) + " " + c.Package);
    const auto layout = FindStatusBitLayout(c.BaseName, c.Package);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->N, c.N);
    EXPECT_EQ(layout->K, c.K);
  }
  EXPECT_FALSE(FindStatusBitLayout("5SGXEA7N", "F45"));
  EXPECT_FALSE(FindStatusBitLayout("", ""));
}

TEST(StatusTable, HoldsEveryBaseNameOfTheCatalogue) {
  const PluginLibrary plugin(MORVEL_PLUGIN_FILE);
  std::string missing;
  for (int32_t kind = 0; kind < plugin.DriverCount(); ++kind) {
    const DispatchPtr driver = plugin.CreateDriver(kind);
    const std::string base = Call(driver, dispid::info::GetBaseName).AsText();
    if (!FindStatusBitLayout(base, Call(driver, dispid::info::GetPackageId).AsText()))
      missing += " " + base;
  }
  EXPECT_EQ(missing, "");
}

TEST(SimulatedChain, RefusesDevicesItCannotModel) {
  DeviceSpec unknown = test::EA7();
  unknown.BaseName = "5SXYZ1";
  EXPECT_THROW(SimulatedChain({unknown}), ChainSpecError);
  EXPECT_THROW(SimulatedChain({DeviceSpec::Generic(1)}), ChainSpecError);
  EXPECT_THROW(SimulatedChain(std::vector<DeviceSpec>{}), ChainSpecError);
}

}  // namespace
}  // namespace morvel::host::jtag
