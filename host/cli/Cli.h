// The command line of morvel-host: commands register themselves (one file per group of
// commands), each with its arguments, options and help; global options apply to every command.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace morvel::host {

class Session;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A bad command line, unknown device or similar: one line on standard error, exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct OptionSpec {
  const char* Name;       // without the leading dashes
  const char* ValueName;  // nullptr for a flag
  const char* Help;
};

class CommandContext {
 public:
  CommandContext(Session& session, std::vector<std::string> args,
                 std::map<std::string, std::vector<std::string>> options)
      : FSession(session), FArgs(std::move(args)), FOptions(std::move(options)) {}

  Session& GetSession() { return FSession; }
  const std::vector<std::string>& Args() const { return FArgs; }
  bool Has(const std::string& option) const { return FOptions.count(option) > 0; }
  // The last value given for the option, or the fallback.
  std::string Get(const std::string& option, const std::string& fallback = {}) const;
  std::vector<std::string> GetAll(const std::string& option) const;
  // An integer option; a value that is not an integer is a usage error.
  long long GetInt(const std::string& option, long long fallback) const;
  void ExpectArgs(size_t min, size_t max, const char* what) const;

 private:
  Session& FSession;
  std::vector<std::string> FArgs;
  std::map<std::string, std::vector<std::string>> FOptions;
};

struct Command {
  const char* Name;
  const char* Arguments;
  const char* Summary;
  const char* Help;
  std::vector<OptionSpec> Options;
  int (*Run)(CommandContext&);
};

// Registers a command or a global option at start-up; used from each command file.
struct CommandRegistration {
  explicit CommandRegistration(Command command);
};
struct GlobalOptionRegistration {
  explicit GlobalOptionRegistration(OptionSpec option);
};

// Parses the command line, runs the command, and answers the exit status.
int RunCommandLine(int argc, char** argv);

}  // namespace morvel::host
