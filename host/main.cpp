// morvel-host: the simulated host application. It loads the Stratix V plug-in from its
// installation folder and talks to the drivers only through Invoke, as the real host does.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DriverOperations.h"
#include "PluginLibrary.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/Platform.h"
#include "sdk/Strings.h"

namespace morvel::host {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// A bad command line or unknown device: one line on standard error, exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  std::string PluginFile;  // --plugin
};

class Session {
 public:
  explicit Session(const Options& options) : FOptions(options) {}

  PluginLibrary& Plugin() {
    if (!FPlugin) {
      std::filesystem::path file = FOptions.PluginFile;
      if (file.empty()) {
        const auto found = PluginLibrary::FindPlugins(ModuleFolder());
        if (found.empty())
          throw std::runtime_error("no plug-in found below " + ModuleFolder() + "Plugins/");
        file = found.front();
      }
      FPlugin = std::make_unique<PluginLibrary>(file);
    }
    return *FPlugin;
  }

  // A device given as a kind number or a full device name in any letter case.
  std::pair<int32_t, DispatchPtr> ResolveDevice(const std::string& text) {
    PluginLibrary& plugin = Plugin();
    const int32_t count = plugin.DriverCount();
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
      const long long kind = text.size() > 9 ? -1 : std::stoll(text);
      if (kind < 0 || kind >= count)
        throw UsageError("device kind " + text + " is out of range 0 to " +
                         std::to_string(count - 1));
      return {static_cast<int32_t>(kind), plugin.CreateDriver(static_cast<int32_t>(kind))};
    }
    for (int32_t kind = 0; kind < count; ++kind) {
      DispatchPtr driver = plugin.CreateDriver(kind);
      if (SameText(Call(driver, dispid::info::GetDeviceName).AsText(), text)) return {kind, driver};
    }
    throw UsageError("unknown device '" + text + "'");
  }

 private:
  Options FOptions;
  std::unique_ptr<PluginLibrary> FPlugin;
};

struct Command {
  const char* Name;
  const char* Arguments;
  const char* Summary;
  const char* Help;
  int (*Run)(Session&, const std::vector<std::string>&);
};

int RunDevices(Session& session, const std::vector<std::string>& args) {
  if (!args.empty()) throw UsageError("devices takes no arguments");
  PluginLibrary& plugin = session.Plugin();
  const int32_t count = plugin.DriverCount();
  for (int32_t kind = 0; kind < count; ++kind) {
    DispatchPtr driver = plugin.CreateDriver(kind);
    const std::string name = Call(driver, dispid::info::GetDeviceName).AsText();
    const uint32_t idcode = Call(driver, dispid::info::GetIdCode).AsUInt();
    std::printf("%4d  %-18s  0x%08X\n", kind, name.c_str(), idcode);
  }
  return kExitOk;
}

void PrintInfo(const DispatchPtr& driver) {
  for (size_t i = 0; i < kInformationOperationCount; ++i) {
    const DriverOperation& op = kInformationOperations[i];
    std::printf("%s: %s\n", op.Name, FormatAnswer(driver, op).c_str());
  }
}

int RunInfo(Session& session, const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError("info takes one DEVICE (a kind number or a device name)");
  const auto [kind, driver] = session.ResolveDevice(args[0]);
  (void)kind;
  PrintInfo(driver);
  return kExitOk;
}

int RunTour(Session& session, const std::vector<std::string>& args) {
  if (!args.empty()) throw UsageError("tour takes no arguments");
  PluginLibrary& plugin = session.Plugin();
  std::printf("morvel-host: simulated host\n");
  std::printf("Plug-in: %s\n", plugin.File().c_str());
  std::printf("Drivers offered: %d\n\n", plugin.DriverCount());
  const auto [kind, driver] = session.ResolveDevice("539");
  std::printf("Device kind %d:\n", kind);
  PrintInfo(driver);
  return kExitOk;
}

const Command kCommands[] = {
    {"tour", "", "a short tour of the plug-in (the default)",
     "Loads the plug-in, prints how many drivers it offers, then the answers of one device.",
     RunTour},
    {"devices", "", "list every device kind with its name and IDCODE",
     "Prints one line per device kind in catalogue order: kind number, full device name and\n"
     "JTAG IDCODE.",
     RunDevices},
    {"info", "DEVICE", "print every device-information answer of one device",
     "DEVICE is a kind number (0 to 1336) or a full device name in any letter case, such as\n"
     "5SGXEA7H2F35C2LN. Prints one line per operation: 'OperationName: value'.",
     RunInfo},
};

const Command* FindCommand(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.Name) return &c;
  return nullptr;
}

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "Usage: morvel-host [--plugin FILE] [COMMAND [ARGUMENTS]]\n\n"
               "The simulated host of the Stratix V device-driver plug-in. It loads the\n"
               "plug-in from its installation folder and talks to it as the design\n"
               "environment does, through automation calls.\n\nCommands:\n");
  for (const Command& c : kCommands)
    std::fprintf(out, "  %-8s %-8s %s\n", c.Name, c.Arguments, c.Summary);
  std::fprintf(out,
               "\nOptions:\n"
               "  --plugin FILE  load this plug-in file instead of the installed one\n"
               "  --help         show this help; 'morvel-host COMMAND --help' for a command\n");
}

void PrintCommandHelp(const Command& c) {
  std::printf("Usage: morvel-host %s %s\n\n%s\n", c.Name, c.Arguments, c.Help);
}

int Main(int argc, char** argv) {
  Options options;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (rest.empty() && (arg == "--help" || arg == "-h")) {
      PrintUsage(stdout);
      return kExitOk;
    }
    if (rest.empty() && arg == "--plugin") {
      if (i + 1 >= argc) throw UsageError("--plugin needs a FILE");
      options.PluginFile = argv[++i];
      continue;
    }
    if (rest.empty() && arg.size() > 1 && arg[0] == '-')
      throw UsageError("unknown option '" + arg + "'");
    rest.push_back(arg);
  }
  const std::string name = rest.empty() ? "tour" : rest.front();
  const Command* command = FindCommand(name);
  if (command == nullptr) throw UsageError("unknown command '" + name + "'");
  std::vector<std::string> args;
  for (size_t i = 1; i < rest.size(); ++i) {
    if (rest[i] == "--help" || rest[i] == "-h") {
      PrintCommandHelp(*command);
      return kExitOk;
    }
    if (rest[i].size() > 1 && rest[i][0] == '-' &&
        rest[i].find_first_not_of("0123456789", 1) != std::string::npos)
      throw UsageError("unknown option '" + rest[i] + "' for " + command->Name);
    args.push_back(rest[i]);
  }
  Session session(options);
  return command->Run(session, args);
}

}  // namespace
}  // namespace morvel::host

int main(int argc, char** argv) {
  try {
    return morvel::host::Main(argc, argv);
  } catch (const morvel::host::UsageError& e) {
    std::fprintf(stderr, "morvel-host: %s\n", e.what());
    return morvel::host::kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "morvel-host: %s\n", e.what());
    return morvel::host::kExitFailure;
  }
}
