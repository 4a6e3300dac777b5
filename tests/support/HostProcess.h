// Running morvel-host as a user does, from tests: one command at a time, or serve-chain in a
// process of its own for the length of a test.
#pragma once

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

namespace morvel::testing {

using namespace std::chrono_literals;

struct CommandRun {
  int Status;
  std::string Out;
};

// Runs a command line; standard error goes along with standard output.
inline CommandRun Shell(const std::string& command) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  CommandRun run{-1, {}};
  if (pipe == nullptr) return run;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) run.Out.append(buf, n);
  const int raw = pclose(pipe);
  run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

inline CommandRun Host(const std::string& args) {
  return Shell(std::string(MORVEL_HOST_EXE) + " " + args);
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Starts morvel-host with arguments and extra environment variables (ahead of this process's
// own), its standard output and error into one pipe whose read end goes to out. Answers the
// process id, or -1.
inline pid_t SpawnHost(std::vector<std::string> args, const std::vector<std::string>& environment,
                       int& out) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  args.insert(args.begin(), MORVEL_HOST_EXE);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env(environment);
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  std::vector<char*> envp;
  envp.reserve(env.size() + 1);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  out = fds[0];
  if (pid < 0) {
    close(fds[0]);
    out = -1;
  }
  return pid;
}

// `morvel-host serve-chain` in a process of its own, stopped with Ctrl-C at the end.
class ServeChain {
 public:
  explicit ServeChain(const std::string& chain = {}) {
    std::vector<std::string> args = {"serve-chain", "--port", "0"};
    if (!chain.empty()) args.insert(args.end(), {"--chain", chain});
    FPid = SpawnHost(args, {}, FOut);
    if (FPid < 0) return;
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

// `morvel-host` with arguments in a process of its own, with extra environment variables, for
// tests that act while it runs (Ctrl-C during a build).
class BackgroundHost {
 public:
  BackgroundHost(std::vector<std::string> args, const std::vector<std::string>& environment) {
    FPid = SpawnHost(std::move(args), environment, FOut);
  }
  BackgroundHost(const BackgroundHost&) = delete;
  BackgroundHost& operator=(const BackgroundHost&) = delete;
  ~BackgroundHost() {
    if (FPid > 0) {
      kill(FPid, SIGKILL);
      waitpid(FPid, nullptr, 0);
    }
    if (FOut >= 0) close(FOut);
  }

  // Reads the output until it holds the text; false when the program ended or time ran out.
  bool WaitFor(const std::string& text, std::chrono::seconds limit = 60s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (FText.find(text) == std::string::npos)
      if (!ReadSome(deadline)) return false;
    return true;
  }
  void Signal(int sig) {
    if (FPid > 0) kill(FPid, sig);
  }
  // Reads to the end and answers the exit status; -1 when the program did not end in time
  // (it is killed then).
  int Wait(std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadSome(deadline)) {
    }
    if (FPid <= 0) return -1;
    int raw = 0;
    if (std::chrono::steady_clock::now() >= deadline) kill(FPid, SIGKILL);
    waitpid(FPid, &raw, 0);
    FPid = -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  const std::string& Output() const { return FText; }

 private:
  bool ReadSome(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{FOut, POLLIN, 0};
    if (FOut < 0 || left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
      return false;
    char buf[4096];
    const ssize_t n = read(FOut, buf, sizeof buf);
    if (n <= 0) return false;
    FText.append(buf, static_cast<size_t>(n));
    return true;
  }

  pid_t FPid = -1;
  int FOut = -1;
  std::string FText;
};

}  // namespace morvel::testing
