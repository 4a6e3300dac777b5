// Runs a vendor's console program as a child process and hands its output on line by line,
// keeping the host responsive while it waits.
//
// Platform notes. The child runs in a process group of its own, so that Abort ends the
// program together with every process it started (except those that leave the group on
// purpose, such as daemons). Its standard output and standard error go into one pipe; its
// standard input is /dev/null. The command is never given to a shell: the application name is
// the program (searched along the child's PATH when it holds no "/"; a relative path counts from
// this process's current folder), and the parameters are split into arguments by the quoting
// rules of the POSIX shell (blanks separate; '...' is literal; in "..." a backslash quotes
// $ ` " \ and newline; elsewhere a backslash quotes the next character) with no expansion,
// globbing, redirection or command separators, so a ";" or "$" in a file name is just text.
// A child that dies from signal N reports the exit code 128 + N, as shells do; an aborted or
// timed-out child reports kAbortExitCode.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvel {

using TOutputLineEvent = std::function<void(const std::string& ALine)>;

// Turns the bytes of a console program's output into lines the way a console shows them.
// Each byte is one character (no code-page conversion; the consumer decides the encoding).
// CR completes the current line; LF marks the next completed line as a new line, so a line
// that ends in CR alone is overwritten by the next one (progress counters) and is passed on as
// an update. A line is completed at kMaxLineLength characters even without a line end. A line
// ending in "file Not found" or starting with "File:" is held back and joined with the next
// one as held + ": " + the next line trimmed.
class TConsoleLineAssembler {
 public:
  static constexpr size_t kMaxLineLength = 513;

  // AAfterLine runs after each line passed on (the host's message pump).
  TConsoleLineAssembler(TOutputLineEvent AOnNewLine, TOutputLineEvent AOnUpdateLine,
                        std::function<void()> AAfterLine);

  void Feed(std::string_view ABytes);
  // The end of the output: the partly assembled line (or an empty line when nothing is
  // pending) is passed on, and so is a line still held back.
  void Finish();
  // Lines completed so far, held ones included; output that completes a line restarts the
  // runner's time-out when asked to.
  uint64_t CompletedLines() const { return FCompleted; }

 private:
  void Complete();
  void Deliver(const std::string& ALine);

  TOutputLineEvent FOnNewLine;
  TOutputLineEvent FOnUpdateLine;
  std::function<void()> FAfterLine;
  std::string FLine;
  std::string FHeld;  // never empty while a line is held
  bool FNewLine = true;
  uint64_t FCompleted = 0;
};

class TConsoleAppWrapper {
 public:
  // The exit code of a child that was aborted or timed out (a console program ended by
  // Ctrl+C on the host's original platform), which callers recognise.
  static constexpr uint32_t kAbortExitCode = 0xC000013A;
  static constexpr uint32_t kSignalExitBase = 128;

  // AEnvStr is the child's whole environment as "NAME=value" entries separated by NUL
  // characters (empty: this process's environment); a PATH entry is where the application
  // is searched. AWorkDir empty: this process's current folder. ARedirect: capture the
  // output and wait for the child; otherwise Execute starts the child with this process's
  // output and returns 0 at once. AProcessMessages is one turn of the host's event loop, run
  // between waiting steps and after each line; it may call Abort or Terminate.
  TConsoleAppWrapper(std::string AApplicationName, std::string AParameters, std::string AEnvStr,
                     std::string AWorkDir, TOutputLineEvent AOnNewLine,
                     TOutputLineEvent AOnUpdateLine, bool ARedirect,
                     std::function<void()> AProcessMessages);
  // Aborts a running child. Never destroy the runner from its own callbacks.
  ~TConsoleAppWrapper();
  TConsoleAppWrapper(const TConsoleAppWrapper&) = delete;
  TConsoleAppWrapper& operator=(const TConsoleAppWrapper&) = delete;

  // Runs the child and returns its exit code; 0 at once when Execute is already running.
  // Waits in steps of 100 ms, handling output as soon as it arrives; after ATimeoutSeconds
  // (counted in steps, restarted by each completed line when AResetTimeoutOnOutput) the child
  // is ended. AStdOutputHandle, when not 0, is a descriptor that receives the child's
  // standard output instead of the pipe. Returns once the child has ended and the output it
  // left in the pipe is read, even when processes it started still hold the pipe open.
  // Raises std::system_error when the child cannot be started.
  uint32_t Execute(int ATimeoutSeconds, bool AResetTimeoutOnOutput, int AStdOutputHandle = 0);
  // Ends the running child and every process of its group at once.
  void Abort();
  // Asks the child's group to end (SIGTERM) and waits up to ATimeout milliseconds before
  // aborting it.
  void Terminate(int ATimeout);

  bool Executing() const { return FExecuting; }
  pid_t ProcessID() const { return FProcessID; }
  // The command line as the user sees it: the application, in double quotes when it holds a
  // blank, one blank, the parameters.
  std::string CommandLine() const;

  // The arguments of a parameter text by the quoting rules above; raises std::invalid_argument
  // for an unterminated quote.
  static std::vector<std::string> SplitParameters(std::string_view AParameters);

 private:
  class TRunScope;
  bool ChildEnded();
  void EndRun(bool AFailed);
  void ReapDetached();
  // Reads what the pipe holds now (at most one buffer), feeding it to the assembler, or into
  // FBacklog while Terminate waits; false at the end of the output.
  bool ReadPipe(TConsoleLineAssembler* AAssembler, size_t ALimit);

  std::string FApplicationName;
  std::string FParameters;
  std::string FEnvStr;
  std::string FWorkDir;
  TOutputLineEvent FOnNewLine;
  TOutputLineEvent FOnUpdateLine;
  bool FRedirect;
  bool FWaitUntilFinish;
  std::function<void()> FProcessMessages;

  pid_t FProcessID = 0;
  bool FExecuting = false;
  bool FInExecute = false;
  bool FChildEnded = false;  // ended, and kept as a zombie so that its group id stays ours
  bool FReaped = false;
  bool FAborted = false;
  uint32_t FExitCode = 0;
  int FPipe = -1;
  int FPidFd = -1;
  std::string FBacklog;  // output read while Terminate waited, not yet passed on
  std::vector<pid_t> FDetached;
};

}  // namespace morvel
