// The chain commands of morvel-host as users run them: listing chains, serving the simulated
// chain to another process, and an independent JTAG tool scanning it.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct CommandRun {
  int Status;
  std::string Out;
};

// Runs a command line; standard error goes along with standard output.
CommandRun Shell(const std::string& command) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  CommandRun run{-1, {}};
  if (pipe == nullptr) return run;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) run.Out.append(buf, n);
  const int raw = pclose(pipe);
  run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

CommandRun Host(const std::string& args) {
  return Shell(std::string(MORVEL_HOST_EXE) + " " + args);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// `morvel-host serve-chain` in a process of its own, stopped with Ctrl-C at the end.
class ServeChain {
 public:
  explicit ServeChain(const std::string& chain = {}) {
    int fds[2];
    if (pipe(fds) != 0) return;
    std::vector<std::string> args = {MORVEL_HOST_EXE, "serve-chain", "--port", "0"};
    if (!chain.empty()) args.insert(args.end(), {"--chain", chain});
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    if (posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ) != 0) FPid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    FOut = fds[0];
    const std::regex listening("remote bit-bang on 127\\.0\\.0\\.1:([0-9]+)");
    std::smatch m;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (FPort.empty() && ReadSome(deadline))
      if (std::regex_search(FText, m, listening)) FPort = m[1];
  }
  ~ServeChain() { Stop(); }

  const std::string& Port() const { return FPort; }

  // Interrupts the server as Ctrl-C would; answers its exit status.
  int Stop() {
    if (FPid > 0) {
      kill(FPid, SIGINT);
      const auto deadline = std::chrono::steady_clock::now() + 30s;
      while (ReadSome(deadline)) {
      }
      int raw = 0;
      waitpid(FPid, &raw, 0);
      FStatus = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      FPid = -1;
      close(FOut);
    }
    return FStatus;
  }
  const std::string& Output() const { return FText; }

 private:
  bool ReadSome(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{FOut, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char buf[4096];
    const ssize_t n = read(FOut, buf, sizeof buf);
    if (n <= 0) return false;
    FText.append(buf, static_cast<size_t>(n));
    return true;
  }

  pid_t FPid = -1;
  int FOut = -1;
  int FStatus = -1;
  std::string FText;
  std::string FPort;
};

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
