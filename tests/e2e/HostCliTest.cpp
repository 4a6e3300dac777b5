// morvel-host as users run it: output of its commands and exit status of bad input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct HostRun {
  int status;
  std::string out;
};

// Runs the host with arguments; standard error goes along with standard output.
HostRun RunHost(const std::string& args) {
  const std::string command = std::string(MORVEL_HOST_EXE) + " " + args + " 2>&1";
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
  for (const char* args : {"--help", "devices --help", "info --help", "tour --help"}) {
    SCOPED_TRACE(args);
    const HostRun run = RunHost(args);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage: morvel-host"), std::string::npos);
  }
}

TEST(HostCli, DefaultRunIsATour) {
  const HostRun run = RunHost("");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("Drivers offered: 1337"), std::string::npos);
  EXPECT_NE(run.out.find("GetDeviceName: "), std::string::npos);
}

}  // namespace
