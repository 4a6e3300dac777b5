// The host state of one run.
#include "Session.h"

#include <cstdio>

#include "cli/Cli.h"
#include "sdk/Platform.h"

namespace morvel::host {

namespace {
const GlobalOptionRegistration kPluginOption({"plugin", "FILE",
                                              "load this plug-in file before the installed ones"});
const GlobalOptionRegistration kHostStateOption(
    {"host-state", nullptr, "print the host's panels, status bar and dialogs afterwards"});
}  // namespace

Session::Session(const std::map<std::string, std::vector<std::string>>& options)
    : FOptions(options) {}

Session::~Session() = default;

std::string Session::Option(const std::string& name) const {
  const auto it = FOptions.find(name);
  return it == FOptions.end() || it->second.empty() ? std::string() : it->second.back();
}

HostApp& Session::Host() {
  if (!FHost) {
    FHost = std::make_unique<HostApp>(HostApp::Options{});
    // Dialogs appear as they happen, as they would on screen.
    FHost->Data().OnDialog = [](const DialogRecord& d) {
      std::fprintf(stderr, "[dialog] %s: %s\n", d.Caption.c_str(), d.Text.c_str());
    };
    const std::string plugin = Option("plugin");
    if (!plugin.empty()) {
      const std::filesystem::path file = std::filesystem::absolute(plugin);
      auto& registry = FHost->Data().Registry;
      registry.insert(registry.begin(), RegistryItem{file.parent_path(), file.filename(), false});
    }
  }
  return *FHost;
}

std::pair<int32_t, DispatchPtr> Session::ResolveDevice(const std::string& text) {
  try {
    return Host().ResolveDevice(text);
  } catch (const std::invalid_argument& e) {
    throw UsageError(e.what());
  }
}

}  // namespace morvel::host
