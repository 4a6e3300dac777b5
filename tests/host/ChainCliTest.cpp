// The chain commands of morvel-host as users run them: listing chains, serving the simulated
// chain to another process, and an independent JTAG tool scanning it.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/HostProcess.h"

namespace {

using namespace morvel::testing;

TEST(ChainCli, ChainListsEachPositionOfTheSimulatedChain) {
  CommandRun run = Host("chain");
  ASSERT_EQ(run.Status, 0) << run.Out;
  std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 4u) << run.Out;
  EXPECT_NE(lines[0].find("built-in board"), std::string::npos);
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(" +0  5SGXEA7N2F45C2N +0x029030DD +10")))
      << lines[2];
  EXPECT_TRUE(std::regex_match(lines[3], std::regex(" +1  5SGSMD5K2F40C2N +0x029070DD +10")))
      << lines[3];

  run = Host("chain --chain '5sgsmd5k2f40c2n, generic:8'");
  ASSERT_EQ(run.Status, 0) << run.Out;
  lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 4u) << run.Out;
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(" +0  5SGSMD5K2F40C2N +0x029070DD +10")));
  EXPECT_TRUE(std::regex_match(lines[3], std::regex(" +1  generic +none +8"))) << lines[3];
}

TEST(ChainCli, BadChainInputIsAUsageError) {
  for (const char* args :
       {"chain --chain 5SXXX", "chain --chain generic:1", "chain --chain generic:abc",
        "chain --chain ''", "chain --chain 5SGXEA7N2F45C2N,,generic:4", "chain extra",
        "chain --remote localhost", "chain --remote 127.0.0.1:http", "chain --remote :5000",
        "serve-chain --port 70000", "serve-chain --port x", "serve-chain --chain generic:99",
        "serve-chain --remote 127.0.0.1:5000"}) {
    SCOPED_TRACE(args);
    const CommandRun run = Host(args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(Lines(run.Out).size(), 1u) << run.Out;
    EXPECT_EQ(run.Out.rfind("morvel-host: ", 0), 0u);
  }
}

TEST(ChainCli, CommandsHaveHelp) {
  for (const char* args : {"chain --help", "serve-chain --help"}) {
    const CommandRun run = Host(args);
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Out.find("Usage: morvel-host"), std::string::npos);
    EXPECT_NE(run.Out.find("--chain SPEC"), std::string::npos);
    EXPECT_NE(run.Out.find("--remote HOST:PORT"), std::string::npos);
  }
}

TEST(ChainCli, RemoteChainListsWhatTheServerHolds) {
  ServeChain server("5SGXEA7N2F45C2N,generic:8,5SGSMD5K2F40C2N");
  ASSERT_FALSE(server.Port().empty()) << server.Output();
  const std::string remote = "--remote 127.0.0.1:" + server.Port();

  CommandRun run = Host("chain " + remote);
  ASSERT_EQ(run.Status, 0) << run.Out;
  std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 5u) << run.Out;
  EXPECT_NE(lines[0].find("3 devices found by scanning IDCODEs"), std::string::npos);
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(" +0  .*5SGXEA7.* +0x029030DD +10")));
  EXPECT_TRUE(std::regex_match(lines[3], std::regex(" +1  bypass-only device +none +8")));
  EXPECT_TRUE(std::regex_match(lines[4], std::regex(" +2  .*5SGSMD5.* +0x029070DD +10")));

  // A description names the devices when the scan agrees with it, and fails when not.
  run = Host("chain " + remote + " --chain 5SGXEA7N2F45C2N,generic:8,5SGSMD5K2F40C2N");
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_TRUE(
      std::regex_match(Lines(run.Out)[2], std::regex(" +0  5SGXEA7N2F45C2N +0x029030DD +10")));
  run = Host("chain " + remote + " --chain 5SGSMD5K2F40C2N,generic:8,5SGXEA7N2F45C2N");
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Out.find("device 0 of the chain at 127.0.0.1:" + server.Port() +
                         " has IDCODE 0x029030DD"),
            std::string::npos)
      << run.Out;

  EXPECT_EQ(server.Stop(), 0) << server.Output();
  EXPECT_NE(server.Output().find("Stopped."), std::string::npos);
  EXPECT_NE(server.Output().find("disconnected"), std::string::npos);

  // Nobody listens there any more.
  run = Host("chain " + remote);
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Out.find("Connection refused"), std::string::npos) << run.Out;
}

TEST(ChainCli, OpenocdScansTheServedChain) {
  if (Shell("command -v openocd").Status != 0)
    GTEST_SKIP() << "openocd is not installed (Debian package openocd): the check that an "
                    "independent JTAG tool scans the served chain is skipped";
  ServeChain server("5SGXEA7N2F45C2N,generic:8,5SGSMD5K2F40C2N");
  ASSERT_FALSE(server.Port().empty()) << server.Output();
  const std::string adapter =
      "openocd -c 'adapter driver remote_bitbang; remote_bitbang host "
      "127.0.0.1; remote_bitbang port " +
      server.Port() + "' -c 'transport select jtag";

  // Probing on its own, the tool must find every device, its IDCODE and its IR length; it
  // lists the device nearest TDO first.
  CommandRun run = Shell(adapter + "' -c init -c scan_chain -c shutdown");
  EXPECT_EQ(run.Status, 0) << run.Out;
  const std::regex row(
      " *([0-9]+) +(auto[0-9]+\\.tap) +Y +(0x[0-9a-f]{8}) +0x[0-9a-f]{8} +([0-9]+) .*");
  std::vector<std::pair<std::string, std::string>> found;
  for (const std::string& line : Lines(run.Out)) {
    std::smatch m;
    if (std::regex_match(line, m, row)) found.emplace_back(m[3], m[4]);
  }
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"0x029070dd", "10"}, {"0x00000000", "8"}, {"0x029030dd", "10"}};
  EXPECT_EQ(found, expected) << run.Out;

  // Told what to expect, it checks the IDCODEs and that each IR captures ...01.
  run = Shell(adapter +
              "; jtag newtap chip2 tap -irlen 10 -expected-id 0x029070DD; jtag newtap gen tap "
              "-irlen 8; jtag newtap chip0 tap -irlen 10 -expected-id 0x029030DD' -c init -c "
              "scan_chain -c shutdown");
  EXPECT_EQ(run.Status, 0) << run.Out;
  EXPECT_EQ(run.Out.find("Error"), std::string::npos) << run.Out;
  EXPECT_EQ(run.Out.find("UNEXPECTED"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("chip0.tap              Y     0x029030dd 0x029030dd    10"),
            std::string::npos)
      << run.Out;

  EXPECT_EQ(server.Stop(), 0) << server.Output();
}

}  // namespace
