// Console program runner: output line assembly, starting the child, and waiting for it while
// the host keeps running.
#include "flow/ConsoleApplication.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "sdk/Strings.h"

namespace morvel {

TConsoleLineAssembler::TConsoleLineAssembler(TOutputLineEvent AOnNewLine,
                                             TOutputLineEvent AOnUpdateLine,
                                             std::function<void()> AAfterLine)
    : FOnNewLine(std::move(AOnNewLine)),
      FOnUpdateLine(std::move(AOnUpdateLine)),
      FAfterLine(std::move(AAfterLine)) {
  FLine.reserve(kMaxLineLength);
}

void TConsoleLineAssembler::Feed(std::string_view ABytes) {
  const char* p = ABytes.data();
  const char* const end = p + ABytes.size();
  while (p < end) {
    if (*p == '\n') {
      FNewLine = true;
      ++p;
    } else if (*p == '\r') {
      ++p;
      Complete();
    } else {
      // A run of ordinary bytes, up to the line length limit.
      const char* const stop = p + std::min<size_t>(kMaxLineLength - FLine.size(), end - p);
      const char* q = p;
      while (q < stop && *q != '\n' && *q != '\r') ++q;
      FLine.append(p, q);
      p = q;
      if (FLine.size() == kMaxLineLength) Complete();
    }
  }
}

void TConsoleLineAssembler::Finish() {
  Complete();
  if (!FHeld.empty()) {
    const std::string held = std::move(FHeld);
    FHeld.clear();
    Deliver(held);
  }
}

void TConsoleLineAssembler::Complete() {
  ++FCompleted;
  // The tools print a missing file's name on a line of its own; it reads as one message.
  const std::string_view line = FLine;
  if (line.ends_with("file Not found") || line.starts_with("File:")) {
    // A second such line joins the first instead of replacing it.
    if (FHeld.empty())
      FHeld = FLine;
    else
      FHeld += ": " + Trim(FLine);
    FLine.clear();
    return;
  }
  if (FHeld.empty()) {
    Deliver(FLine);
  } else {
    const std::string joined = FHeld + ": " + Trim(FLine);
    FHeld.clear();
    Deliver(joined);
  }
  FLine.clear();
}

void TConsoleLineAssembler::Deliver(const std::string& ALine) {
  if (FNewLine) {
    FNewLine = false;
    if (FOnNewLine) FOnNewLine(ALine);
  } else if (FOnUpdateLine) {
    FOnUpdateLine(ALine);
  }
  if (FAfterLine) FAfterLine();
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStep = std::chrono::milliseconds(100);
// Without a process descriptor to wait on, the end of a child is looked for this often.
constexpr int kFallbackPollMs = 10;
constexpr size_t kReadSize = 65536;

[[noreturn]] void RaiseError(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

std::string Unquoted(std::string_view name) {
  if (!name.empty() && name.front() == '"') name.remove_prefix(1);
  if (!name.empty() && name.back() == '"') name.remove_suffix(1);
  return std::string(name);
}

std::vector<std::string> SplitEnvironment(const std::string& block) {
  std::vector<std::string> entries;
  size_t pos = 0;
  while (pos < block.size()) {
    size_t end = block.find('\0', pos);
    if (end == std::string::npos) end = block.size();
    if (end > pos) entries.push_back(block.substr(pos, end - pos));
    pos = end + 1;
  }
  return entries;
}

// The child's PATH entry when its environment has one, else this process's PATH.
std::string SearchPath(const std::vector<std::string>& environment) {
  for (const std::string& entry : environment)
    if (StartsWithText(entry, "PATH=")) return entry.substr(5);
  const char* own = std::getenv("PATH");
  return own != nullptr ? own : "/usr/bin:/bin";
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.string();
}

std::string ResolveApplication(const std::string& name, const std::string& searchPath) {
  if (name.empty()) RaiseError(ENOENT, "Unable to run a program without a name");
  if (name.find('/') != std::string::npos) return Absolute(name);
  int error = ENOENT;
  size_t pos = 0;
  for (;;) {
    const size_t colon = searchPath.find(':', pos);
    const std::string folder = searchPath.substr(pos, colon - pos);
    const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      if (::access(candidate.c_str(), X_OK) == 0) return Absolute(candidate);
      error = EACCES;
    }
    if (colon == std::string::npos) break;
    pos = colon + 1;
  }
  RaiseError(error, "Unable to run \"" + name + "\"");
}

// Keeps descriptors clear of 0 to 2, which the child's standard handles take over.
int AboveStandardHandles(int fd) {
  if (fd > 2) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  ::close(fd);
  return moved;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

class TSpawnSetup {
 public:
  TSpawnSetup() {
    posix_spawn_file_actions_init(&FActions);
    posix_spawnattr_init(&FAttributes);
  }
  ~TSpawnSetup() {
    posix_spawn_file_actions_destroy(&FActions);
    posix_spawnattr_destroy(&FAttributes);
  }
  TSpawnSetup(const TSpawnSetup&) = delete;
  TSpawnSetup& operator=(const TSpawnSetup&) = delete;

  posix_spawn_file_actions_t FActions;
  posix_spawnattr_t FAttributes;
};

}  // namespace

TConsoleAppWrapper::TConsoleAppWrapper(std::string AApplicationName, std::string AParameters,
                                       std::string AEnvStr, std::string AWorkDir,
                                       TOutputLineEvent AOnNewLine, TOutputLineEvent AOnUpdateLine,
                                       bool ARedirect, std::function<void()> AProcessMessages)
    : FApplicationName(std::move(AApplicationName)),
      FParameters(std::move(AParameters)),
      FEnvStr(std::move(AEnvStr)),
      FWorkDir(std::move(AWorkDir)),
      FOnNewLine(std::move(AOnNewLine)),
      FOnUpdateLine(std::move(AOnUpdateLine)),
      FRedirect(ARedirect),
      FWaitUntilFinish(ARedirect),
      FProcessMessages(std::move(AProcessMessages)) {}

TConsoleAppWrapper::~TConsoleAppWrapper() {
  Abort();
  ReapDetached();
}

std::string TConsoleAppWrapper::CommandLine() const {
  std::string application = FApplicationName;
  if (application.find(' ') != std::string::npos) {
    if (application.front() != '"') application.insert(0, 1, '"');
    if (application.size() < 2 || application.back() != '"') application.push_back('"');
  }
  return application + " " + FParameters;
}

std::vector<std::string> TConsoleAppWrapper::SplitParameters(std::string_view AParameters) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  const size_t n = AParameters.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = AParameters[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      const size_t close = AParameters.find('\'', i + 1);
      if (close == std::string_view::npos)
        throw std::invalid_argument("unterminated ' in the parameters");
      word.append(AParameters.substr(i + 1, close - i - 1));
      i = close;
    } else if (c == '"') {
      size_t k = i + 1;
      for (; k < n && AParameters[k] != '"'; ++k) {
        const char d = AParameters[k];
        if (d == '\\' && k + 1 < n &&
            std::string_view("$`\"\\\n").find(AParameters[k + 1]) != std::string_view::npos) {
          ++k;
          if (AParameters[k] != '\n') word.push_back(AParameters[k]);
        } else {
          word.push_back(d);
        }
      }
      if (k == n) throw std::invalid_argument("unterminated \" in the parameters");
      i = k;
    } else if (c == '\\' && i + 1 < n) {
      ++i;
      if (AParameters[i] != '\n') word.push_back(AParameters[i]);
    } else {
      word.push_back(c);
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

class TConsoleAppWrapper::TRunScope {
 public:
  explicit TRunScope(TConsoleAppWrapper& AOwner) : FOwner(AOwner) {}
  ~TRunScope() { FOwner.EndRun(std::uncaught_exceptions() > FUncaught); }
  TRunScope(const TRunScope&) = delete;
  TRunScope& operator=(const TRunScope&) = delete;

 private:
  TConsoleAppWrapper& FOwner;
  int FUncaught = std::uncaught_exceptions();
};

uint32_t TConsoleAppWrapper::Execute(int ATimeoutSeconds, bool AResetTimeoutOnOutput,
                                     int AStdOutputHandle) {
  if (FInExecute) return 0;
  ReapDetached();
  FInExecute = true;
  FProcessID = 0;
  FChildEnded = FReaped = FAborted = false;
  FExitCode = 0;
  FBacklog.clear();
  const TRunScope scope(*this);

  const std::string application = Unquoted(FApplicationName);
  const std::string failure = "Unable to run \"" + application + "\"";
  std::vector<std::string> arguments{application};
  try {
    for (std::string& word : SplitParameters(FParameters)) arguments.push_back(std::move(word));
  } catch (const std::invalid_argument& e) {
    RaiseError(EINVAL, failure + ": " + e.what());
  }
  std::vector<std::string> environment = SplitEnvironment(FEnvStr);
  const std::string program = ResolveApplication(application, SearchPath(environment));
  if (!FWorkDir.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_directory(FWorkDir, ec))
      RaiseError(ENOENT, failure + " in the folder \"" + FWorkDir + "\"");
  }

  int writeEnd = -1;
  if (FRedirect) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) RaiseError(errno, failure + ": no pipe for its output");
    FPipe = AboveStandardHandles(fds[0]);
    writeEnd = AboveStandardHandles(fds[1]);
    if (FPipe < 0 || writeEnd < 0) {
      const int error = errno;
      CloseFd(writeEnd);
      RaiseError(error, failure + ": no pipe for its output");
    }
    ::fcntl(FPipe, F_SETFL, ::fcntl(FPipe, F_GETFL) | O_NONBLOCK);
  }
  int nullInput = AboveStandardHandles(::open("/dev/null", O_RDONLY | O_CLOEXEC));

  TSpawnSetup setup;
  if (nullInput >= 0) posix_spawn_file_actions_adddup2(&setup.FActions, nullInput, 0);
  if (FRedirect) {
    posix_spawn_file_actions_adddup2(&setup.FActions,
                                     AStdOutputHandle != 0 ? AStdOutputHandle : writeEnd, 1);
    posix_spawn_file_actions_adddup2(&setup.FActions, writeEnd, 2);
  }
  if (!FWorkDir.empty()) posix_spawn_file_actions_addchdir_np(&setup.FActions, FWorkDir.c_str());
  // A group of its own, and the signal settings of a fresh program whatever the host changed.
  sigset_t mask;
  sigemptyset(&mask);
  posix_spawnattr_setsigmask(&setup.FAttributes, &mask);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGALRM, SIGUSR1,
                        SIGUSR2, SIGTSTP, SIGTTIN, SIGTTOU})
    sigaddset(&defaults, sig);
  posix_spawnattr_setsigdefault(&setup.FAttributes, &defaults);
  posix_spawnattr_setpgroup(&setup.FAttributes, 0);
  posix_spawnattr_setflags(&setup.FAttributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  envp.reserve(environment.size() + 1);
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &setup.FActions, &setup.FAttributes,
                                    argv.data(), environment.empty() ? environ : envp.data());
  CloseFd(writeEnd);
  CloseFd(nullInput);
  if (spawned != 0) RaiseError(spawned, failure);
  FProcessID = pid;
  FExecuting = true;

  if (!FWaitUntilFinish) {
    FDetached.push_back(pid);
    return 0;
  }
  FPidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));

  // The creator's callbacks themselves, not copies, in case they keep state.
  TConsoleLineAssembler lines(
      [this](const std::string& line) {
        if (FOnNewLine) FOnNewLine(line);
      },
      [this](const std::string& line) {
        if (FOnUpdateLine) FOnUpdateLine(line);
      },
      [this] {
        if (FProcessMessages) FProcessMessages();
      });
  int64_t ticks = 0;
  uint64_t linesSeen = 0;
  // As a real number, so that the largest time-out does not overflow.
  const double limitMs = static_cast<double>(ATimeoutSeconds) * 1000.0;
  bool pipeOpen = FPipe >= 0;
  bool timedOut = false;
  const auto passOn = [&] {
    // Output that Terminate read while it waited follows what was being passed on.
    while (!FBacklog.empty()) {
      const std::string backlog = std::move(FBacklog);
      FBacklog.clear();
      lines.Feed(backlog);
    }
    if (AResetTimeoutOnOutput && lines.CompletedLines() != linesSeen) ticks = 0;
    linesSeen = lines.CompletedLines();
  };

  for (;;) {
    // One step: up to 100 ms waiting for the end of the child, with output passed on as soon
    // as it arrives rather than once per step, so that a chatty tool is not held to one pipe
    // buffer per step.
    const auto stepEnd = Clock::now() + kStep;
    bool ended = false;
    for (;;) {
      if (ChildEnded()) {
        ended = true;
        break;
      }
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(stepEnd - Clock::now()).count();
      if (left <= 0) break;
      pollfd fds[2];
      nfds_t count = 0;
      int pipeIndex = -1;
      if (pipeOpen) {
        pipeIndex = static_cast<int>(count);
        fds[count++] = {FPipe, POLLIN, 0};
      }
      if (FPidFd >= 0) fds[count++] = {FPidFd, POLLIN, 0};
      const int timeout =
          static_cast<int>(FPidFd >= 0 ? left : std::min<int64_t>(left, kFallbackPollMs));
      if (::poll(fds, count, timeout) < 0 && errno != EINTR)
        RaiseError(errno, "Waiting for \"" + application + "\" failed");
      if (pipeIndex >= 0 && fds[pipeIndex].revents != 0) pipeOpen = ReadPipe(&lines, kReadSize);
      passOn();
    }
    if (ended) break;
    if (FProcessMessages) FProcessMessages();
    passOn();
    ++ticks;
    if (static_cast<double>(ticks) * 100.0 > limitMs) {
      timedOut = true;
      break;
    }
  }

  if (timedOut) Abort();
  if (FAborted) {
    // Killed: wait for the end, which is near, to know that the group is gone.
    while (!ChildEnded()) {
      pollfd fd{FPidFd, POLLIN, 0};
      ::poll(&fd, FPidFd >= 0 ? 1 : 0, kFallbackPollMs);
    }
  }
  // What the child left in the pipe, and no more: processes it started may hold the pipe open
  // and go on writing.
  if (pipeOpen) {
    int available = 0;
    if (::ioctl(FPipe, FIONREAD, &available) != 0) available = 0;
    auto left = static_cast<size_t>(std::max(available, 0));
    while (left > 0) {
      const size_t before = FBacklog.size();
      if (!ReadPipe(nullptr, std::min(left, kReadSize)) || FBacklog.size() == before) break;
      left -= FBacklog.size() - before;
    }
  }
  passOn();
  const uint32_t exitCode = FAborted ? kAbortExitCode : FExitCode;
  lines.Finish();
  return exitCode;
}

void TConsoleAppWrapper::Abort() {
  if (!FExecuting) return;
  FExecuting = false;
  if (!FChildEnded) FAborted = true;
  // The group id stays reserved until the child is reaped, so this reaches no stranger.
  if (!FReaped) ::killpg(FProcessID, SIGKILL);
}

void TConsoleAppWrapper::Terminate(int ATimeout) {
  if (!FExecuting) return;
  if (!FReaped) ::killpg(FProcessID, SIGTERM);
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(ATimeout, 0));
  bool pipeOpen = FPipe >= 0;
  while (!ChildEnded()) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    // Keep reading, so that a child that writes while it shuts down is not stuck on a full
    // pipe; Execute passes the output on afterwards.
    pollfd fds[2];
    nfds_t count = 0;
    if (pipeOpen) fds[count++] = {FPipe, POLLIN, 0};
    if (FPidFd >= 0) fds[count++] = {FPidFd, POLLIN, 0};
    ::poll(fds, count,
           static_cast<int>(FPidFd >= 0 ? left : std::min<int64_t>(left, kFallbackPollMs)));
    if (pipeOpen && fds[0].revents != 0) pipeOpen = ReadPipe(nullptr, kReadSize);
  }
  if (!ChildEnded()) Abort();
  FExecuting = false;
}

bool TConsoleAppWrapper::ChildEnded() {
  if (FChildEnded) return true;
  if (FProcessID <= 0) return false;
  siginfo_t info{};
  // WNOWAIT leaves a zombie, which keeps the process and group ids from being reused.
  if (::waitid(P_PID, static_cast<id_t>(FProcessID), &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
    if (info.si_pid != FProcessID) return false;
    FChildEnded = true;
    FExitCode = info.si_code == CLD_EXITED
                    ? static_cast<uint32_t>(info.si_status & 0xFF)
                    : kSignalExitBase + static_cast<uint32_t>(info.si_status);
    return true;
  }
  if (errno == ECHILD) {
    // Reaped behind our back (the host ignores SIGCHLD): ended, code unknown.
    FChildEnded = FReaped = true;
    FExecuting = false;
    return true;
  }
  return false;
}

bool TConsoleAppWrapper::ReadPipe(TConsoleLineAssembler* AAssembler, size_t ALimit) {
  char buffer[kReadSize];
  const ssize_t n = ::read(FPipe, buffer, std::min(ALimit, sizeof buffer));
  if (n > 0) {
    if (AAssembler != nullptr && FBacklog.empty())
      AAssembler->Feed(std::string_view(buffer, static_cast<size_t>(n)));
    else
      FBacklog.append(buffer, static_cast<size_t>(n));
    return true;
  }
  return n < 0 && (errno == EAGAIN || errno == EINTR);
}

void TConsoleAppWrapper::EndRun(bool AFailed) {
  if (FProcessID > 0 && FWaitUntilFinish && !FReaped) {
    if (AFailed) ::killpg(FProcessID, SIGKILL);
    while (::waitpid(FProcessID, nullptr, 0) < 0 && errno == EINTR) {
    }
    FReaped = true;
  }
  CloseFd(FPipe);
  CloseFd(FPidFd);
  FExecuting = false;
  FInExecute = false;
}

void TConsoleAppWrapper::ReapDetached() {
  std::erase_if(FDetached, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

}  // namespace morvel
