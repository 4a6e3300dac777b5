// Command-line parsing, help and dispatch to the registered commands.
#include "cli/Cli.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "Session.h"

namespace morvel::host {

namespace {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

std::vector<OptionSpec>& GlobalOptions() {
  static std::vector<OptionSpec> options;
  return options;
}

const Command* FindCommand(const std::string& name) {
  for (const Command& c : Commands())
    if (name == c.Name) return &c;
  return nullptr;
}

const OptionSpec* FindOption(const std::vector<OptionSpec>& list, const std::string& name) {
  for (const OptionSpec& o : list)
    if (name == o.Name) return &o;
  return nullptr;
}

void PrintOptions(FILE* out, const std::vector<OptionSpec>& options) {
  for (const OptionSpec& o : options) {
    std::string left = std::string("--") + o.Name;
    if (o.ValueName != nullptr) left += std::string(" ") + o.ValueName;
    std::fprintf(out, "  %-22s %s\n", left.c_str(), o.Help);
  }
}

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "Usage: morvel-host [OPTIONS] [COMMAND [ARGUMENTS]]\n\n"
               "The simulated host of the Stratix V device-driver plug-in. It lays out a host\n"
               "installation, loads the plug-in from it and talks to it as the design\n"
               "environment does, through automation calls. Without a command it runs a\n"
               "short tour.\n\nCommands:\n");
  std::vector<Command> sorted = Commands();
  std::sort(sorted.begin(), sorted.end(),
            [](const Command& a, const Command& b) { return std::string(a.Name) < b.Name; });
  for (const Command& c : sorted)
    std::fprintf(out, "  %-13s %-16s %s\n", c.Name, c.Arguments, c.Summary);
  std::fprintf(out, "\nOptions for every command:\n");
  PrintOptions(out, GlobalOptions());
  std::fprintf(out, "  %-22s %s\n", "--help",
               "show this help; 'morvel-host COMMAND --help' for one command");
}

void PrintCommandHelp(const Command& c) {
  std::printf("Usage: morvel-host %s %s%s\n\n%s\n", c.Name, c.Options.empty() ? "" : "[OPTIONS] ",
              c.Arguments, c.Help);
  if (!c.Options.empty()) {
    std::printf("\nOptions:\n");
    PrintOptions(stdout, c.Options);
  }
  std::printf("\nOptions for every command:\n");
  PrintOptions(stdout, GlobalOptions());
}

bool LooksLikeOption(const std::string& arg) {
  // "-1" is a (bad) number, not an option.
  return arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9');
}

}  // namespace

CommandRegistration::CommandRegistration(Command command) {
  Commands().push_back(std::move(command));
}

GlobalOptionRegistration::GlobalOptionRegistration(OptionSpec option) {
  GlobalOptions().push_back(option);
}

std::string CommandContext::Get(const std::string& option, const std::string& fallback) const {
  const auto it = FOptions.find(option);
  return it == FOptions.end() || it->second.empty() ? fallback : it->second.back();
}

std::vector<std::string> CommandContext::GetAll(const std::string& option) const {
  const auto it = FOptions.find(option);
  return it == FOptions.end() ? std::vector<std::string>{} : it->second;
}

long long CommandContext::GetInt(const std::string& option, long long fallback) const {
  if (!Has(option)) return fallback;
  const std::string text = Get(option);
  size_t used = 0;
  long long value = 0;
  try {
    value = std::stoll(text, &used, 10);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size())
    throw UsageError("--" + option + " needs an integer, not '" + text + "'");
  return value;
}

void CommandContext::ExpectArgs(size_t min, size_t max, const char* what) const {
  if (FArgs.size() < min || FArgs.size() > max) throw UsageError(what);
}

int RunCommandLine(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  // The command is the first word that is neither an option nor an option's value.
  const Command* command = nullptr;
  std::vector<std::string> args;
  std::map<std::string, std::vector<std::string>> options;
  bool help = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--help" || w == "-h") {
      help = true;
      continue;
    }
    if (LooksLikeOption(w)) {
      std::string name = w.substr(w[1] == '-' ? 2 : 1);
      std::string value;
      bool hasValue = false;
      if (const size_t eq = name.find('='); eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
        hasValue = true;
      }
      const OptionSpec* spec = FindOption(GlobalOptions(), name);
      if (spec == nullptr && command != nullptr) spec = FindOption(command->Options, name);
      if (spec == nullptr)
        throw UsageError("unknown option '" + w + "'" +
                         (command != nullptr ? std::string(" for ") + command->Name : ""));
      if (spec->ValueName != nullptr && !hasValue) {
        if (i + 1 >= words.size()) throw UsageError("--" + name + " needs " + spec->ValueName);
        value = words[++i];
      } else if (spec->ValueName == nullptr && hasValue) {
        throw UsageError("--" + name + " takes no value");
      }
      options[name].push_back(value);
      continue;
    }
    if (command == nullptr) {
      command = FindCommand(w);
      if (command == nullptr) throw UsageError("unknown command '" + w + "'");
      continue;
    }
    args.push_back(w);
  }
  if (help) {
    if (command == nullptr)
      PrintUsage(stdout);
    else
      PrintCommandHelp(*command);
    return kExitOk;
  }
  if (command == nullptr) command = FindCommand("tour");
  if (command == nullptr) throw UsageError("no command given");
  Session session(options);
  CommandContext context(session, std::move(args), std::move(options));
  const int status = command->Run(context);
  if (session.Flag("host-state") && session.HostStarted()) {
    std::printf("\n");
    session.Host().PrintState(stdout);
  }
  return status;
}

}  // namespace morvel::host
