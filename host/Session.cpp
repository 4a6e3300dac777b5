// The host state of one run.
#include "Session.h"

#include "cli/Cli.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/Platform.h"
#include "sdk/Strings.h"

namespace morvel::host {

namespace {
const GlobalOptionRegistration kPluginOption(
    {"plugin", "FILE", "load this plug-in file instead of the installed one"});
}

Session::Session(const std::map<std::string, std::vector<std::string>>& options)
    : FOptions(options) {}

Session::~Session() = default;

std::string Session::Option(const std::string& name) const {
  const auto it = FOptions.find(name);
  return it == FOptions.end() || it->second.empty() ? std::string() : it->second.back();
}

PluginLibrary& Session::Plugin() {
  if (!FPlugin) {
    std::filesystem::path file = Option("plugin");
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

std::pair<int32_t, DispatchPtr> Session::ResolveDevice(const std::string& text) {
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

}  // namespace morvel::host
