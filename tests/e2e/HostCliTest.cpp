// morvel-host as users run it: output of its commands and exit status of bad input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <sstream>
#include <string>
#include <vector>
#include "support/TempDir.h"

namespace {

struct HostRun {
  int status;
  std::string out;
};

// Runs the host with arguments; standard error goes along with standard output.
HostRun RunHost(const std::string& args, const std::string& exe = MORVEL_HOST_EXE) {
  const std::string command = exe + " " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  HostRun run{-1, {}};
  if (pipe == nullptr) return run;
  char buf[4096];
  size_t n = 0;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(HostCli, DevicesListsEveryKindInCatalogueOrder) {
  const HostRun run = RunHost("devices");
  ASSERT_EQ(run.status, 0) << run.out;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1337u);
  std::istringstream first(lines.front());
  std::string kind, name, idcode;
  first >> kind >> name >> idcode;
  EXPECT_EQ(kind, "0");
  EXPECT_EQ(name, "5SEE9F45C2N");
  EXPECT_EQ(idcode, "0x029950DD");
  std::istringstream last(lines.back());
  last >> kind >> name >> idcode;
  EXPECT_EQ(kind, "1336");
  EXPECT_EQ(name, "5SGXMBBR3H43I4N");
}

TEST(HostCli, InfoAnswersByKindOrNameInAnyCase) {
  for (const char* device : {"539", "5sgxea7h2f35c2ln"}) {
    const HostRun run = RunHost(std::string("info ") + device);
    ASSERT_EQ(run.status, 0) << run.out;
    for (const char* line :
         {"GetDeviceName: 5SGXEA7H2F35C2LN", "GetIdCode: 0x029030DD", "GetOptionDesignatorName: LN",
          "GetPackageDimensions: 35 x 35 mm", "GetBSDLFilename: 5SGXEA7H2F35.bsd",
          "GetConfigMemorySize: 269978848", "GetDownloadFileExtensions: RBF",
          "CoreGen_OutputExtension: .VHD", "GetInstructionLength: 10"})
      EXPECT_NE(run.out.find(std::string(line) + "\n"), std::string::npos) << line;
  }
}

TEST(HostCli, BadInputIsOneLineOnStandardErrorWithStatusTwo) {
  for (const char* args : {"info 1337", "info -1", "info 5SXXX", "info", "info 1 2", "frobnicate",
                           "--bogus", "devices extra", "info 99999999999999"}) {
    SCOPED_TRACE(args);
    const HostRun run = RunHost(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(Lines(run.out).size(), 1u) << run.out;
    EXPECT_EQ(run.out.rfind("morvel-host: ", 0), 0u);
  }
}

TEST(HostCli, EveryCommandHasHelp) {
  for (const char* args : {"--help", "devices --help", "info --help", "tour --help",
                           "supports --help", "picture --help"}) {
    SCOPED_TRACE(args);
    const HostRun run = RunHost(args);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage: morvel-host"), std::string::npos);
  }
}

TEST(HostCli, DefaultRunIsATour) {
  const HostRun run = RunHost("");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("1337 drivers offered"), std::string::npos);
  EXPECT_NE(run.out.find("GetDeviceName: "), std::string::npos);
}

// A copy of the staged installation that a test may damage.
class CopiedInstallation : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(std::filesystem::path(MORVEL_HOST_EXE).parent_path(), dir.Path(),
                          std::filesystem::copy_options::recursive);
  }
  HostRun Run(const std::string& args) { return RunHost(args, (dir / "morvel-host").string()); }
  morvel::testing::TempDir dir;
};

TEST(HostCli, InfoNamesTheVendorFromTheFamilyRegistry) {
  const HostRun run = RunHost("info 0");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("GetVendorName: Altera\n"), std::string::npos);
  EXPECT_NE(run.out.find("GetDeviceDescription: Altera Stratix5 5SEE9F45C2N\n"), std::string::npos);
}

TEST_F(CopiedInstallation, WithoutThePluginConfigurationTheDescriptionStartsWithABlank) {
  std::filesystem::remove(dir / "Plugins/Device_Stratix5/MorvelConfig.ini");
  const HostRun run = Run("info 0");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("GetDeviceDescription:  Stratix5 5SEE9F45C2N\n"), std::string::npos);
}

TEST_F(CopiedInstallation, PictureNeedsTheGenericPicture) {
  const auto out = (dir / "device.bmp").string();
  HostRun run = Run("picture 539 " + out);
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(std::filesystem::exists(out));
  std::filesystem::remove(dir / "System/Generic_Hard_Device.bmp");
  run = Run("picture 539 " + out + "2");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("no device picture"), std::string::npos);
}

TEST_F(CopiedInstallation, ARegistryEntryWhoseFolderIsMissingIsSkipped) {
  std::ofstream(dir / "System/PluginRegistry.ini")
      << "[Gone]\nFolder=Plugins/Gone\nFile=Gone.MVL\n"
         "[Device_Stratix5]\nFolder=Plugins/Device_Stratix5\nFile=Device_Stratix5.MVL\n";
  const HostRun run = Run("--host-state supports 0 FPGA");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out.rfind("true\n", 0), 0u);
  EXPECT_NE(run.out.find("Gone.MVL not found; entry skipped"), std::string::npos);
}

TEST(HostCli, SupportsAnswersTheFeatureQuery) {
  struct Case {
    const char* args;
    const char* answer;
  } cases[] = {{"supports 0 FPGA", "true\n"},
               {"supports 0 cpld", "false\n"},
               {"supports 0 'Action=PauseProcessor'", "false\n"},
               {"supports 5SEE9F45C2N ResetDevice", "true\n"}};
  for (const Case& c : cases) {
    const HostRun run = RunHost(c.args);
    EXPECT_EQ(run.status, 0) << c.args;
    EXPECT_EQ(run.out, c.answer) << c.args;
  }
  EXPECT_EQ(RunHost("supports 0").status, 2);
}

}  // namespace
