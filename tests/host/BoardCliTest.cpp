// The device commands of morvel-host as users run them: state, reset, user code and
// programming on the simulated board and on a chain served by another process.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "jtag/ConfigStream.h"
#include "support/HostProcess.h"
#include "support/TempDir.h"

namespace {

using namespace morvel::testing;

std::string RawBitFile(const TempDir& dir, uint32_t userCode) {
  std::vector<uint8_t> payload(2048);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 13 + 1);
  const auto file = dir / "design.rbf";
  morvel::host::jtag::WriteRawBitFile(file, userCode, payload);
  return file.string();
}

TEST(BoardCli, ProgrammingEndsWithTheDeviceProgrammed) {
  TempDir dir;
  const std::string file = RawBitFile(dir, 0xC0FFEE01u);
  CommandRun run = Host("state");
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_NE(run.Out.find("Device 0 (5SGXEA7N2F45C2N): state 1, Reset"), std::string::npos);
  for (const char* where :
       {"--index 1", "--chain 5SGXEA7N2F45C2N,generic:8,5SGSMD5K2F40C2N --index 2"}) {
    run = Host(std::string("program ") + file + " " + where);
    ASSERT_EQ(run.Status, 0) << run.Out;
    EXPECT_NE(run.Out.find("ProgramDevice: 16832 bits sent in"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("K Bits/Sec"), std::string::npos);
    EXPECT_NE(run.Out.find("state 2, Programmed"), std::string::npos);
    EXPECT_NE(run.Out.find("Programming Device Via JTAG... 100%"), std::string::npos)
        << "progress shows on standard error";
  }
}

TEST(BoardCli, AServedChainKeepsItsStateBetweenRuns) {
  TempDir dir;
  ServeChain server;
  ASSERT_FALSE(server.Port().empty()) << server.Output();
  // The chain text names the devices; a scan alone knows only their dies.
  const std::string remote =
      "--remote 127.0.0.1:" + server.Port() + " --chain 5SGXEA7N2F45C2N,5SGSMD5K2F40C2N ";
  CommandRun run = Host(remote + "usercode --index 1");
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_NE(run.Out.find("user code 0xFFFFFFFF (none set)"), std::string::npos) << run.Out;
  run = Host(remote + "program " + RawBitFile(dir, 0x12345678u) + " --index 1");
  ASSERT_EQ(run.Status, 0) << run.Out;
  run = Host(remote + "usercode --index 1");
  EXPECT_NE(run.Out.find("Device 1 (5SGSMD5K2F40C2N): user code 0x12345678"), std::string::npos)
      << run.Out;
  run = Host(remote + "state --index 0");
  EXPECT_NE(run.Out.find("state 1, Reset"), std::string::npos) << "the other device untouched";
  run = Host(remote + "reset --index 1");
  EXPECT_EQ(run.Status, 0) << run.Out;
  EXPECT_NE(run.Out.find("ResetDevice: true"), std::string::npos);
  run = Host(remote + "usercode --index 1");
  EXPECT_NE(run.Out.find("0xFFFFFFFF"), std::string::npos) << "a reset drops the configuration";
}

TEST(BoardCli, BadInputIsRefusedBeforeTheDeviceIsTouched) {
  TempDir dir;
  const auto empty = dir.Write("empty.rbf", "");
  struct Case {
    std::string args;
    int status;
    const char* says;
  } cases[] = {
      {"state --index 2", 2, "beyond the chain of 2 devices"},
      {"state --index -1", 2, "beyond the chain"},
      {"state --index x", 2, "--index needs an integer"},
      {"--chain 5SGXEA7N2F45C2N,generic:8 usercode --index 1", 2, "no driver of the plug-in"},
      {"program " + (dir / "missing.rbf").string(), 1, "no such file"},
      {"program " + empty.string(), 1, "is empty"},
      {"program", 2, "program takes one FILE.rbf"},
      {"--remote 127.0.0.1:1 state", 1, "127.0.0.1:1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CommandRun run = Host(c.args);
    EXPECT_EQ(run.Status, c.status) << run.Out;
    EXPECT_NE(run.Out.find(c.says), std::string::npos) << run.Out;
    EXPECT_EQ(run.Out.rfind("morvel-host: ", 0), 0u) << run.Out;
  }
}

TEST(BoardCli, TheDefaultRunProgramsTheBoardAndShowsTheUserCode) {
  const CommandRun run = Host("");
  ASSERT_EQ(run.Status, 0) << run.Out;
  const size_t before = run.Out.find("Device 0 (5SGXEA7N2F45C2N): state 1, Reset");
  const size_t after = run.Out.find("Device 0 (5SGXEA7N2F45C2N): state 2, Programmed");
  ASSERT_NE(before, std::string::npos) << run.Out;
  ASSERT_NE(after, std::string::npos) << run.Out;
  EXPECT_LT(before, after);
  EXPECT_NE(run.Out.find("user code 0xC0FFEE01"), std::string::npos);
}

}  // namespace
