// The host state of one run.
#include "Session.h"

#include <algorithm>
#include <cstdio>

#include "cli/Cli.h"
#include "jtag/ChainFactory.h"
#include "sdk/Platform.h"

namespace morvel::host {

namespace {
const GlobalOptionRegistration kPluginOption({"plugin", "FILE",
                                              "load this plug-in file before the installed ones"});
const GlobalOptionRegistration kChainOption(
    {"chain", "SPEC", "the simulated JTAG chain: device names, generic:N (see chain --help)"});
const GlobalOptionRegistration kRemoteOption({"remote", "HOST:PORT",
                                              "use the chain of a remote bit-bang server instead"});
const GlobalOptionRegistration kQuartusOption(
    {"quartus", "DIR",
     "the Quartus installation to build with (default: $QUARTUS_ROOTDIR, else the bundled one)"});
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
    HostApp::Options options;
    // The terminal is the host's screen: messages a user must see are printed.
    options.Interactive = true;
    options.QuartusFolder = Option("quartus");
    FHost = std::make_unique<HostApp>(options);
    // Dialogs appear as they happen, as they would on screen.
    FHost->Data().OnDialog = [](const DialogRecord& d) {
      std::fprintf(stderr, "[dialog] %s: %s\n", d.Caption.c_str(), d.Text.c_str());
    };
    if (!options.QuartusFolder.empty() &&
        std::none_of(FHost->Data().VendorToolPaths.begin(), FHost->Data().VendorToolPaths.end(),
                     [](const auto& tool) { return tool.first.rfind("ALTERA\n", 0) == 0; }))
      std::fprintf(stderr, "morvel-host: warning: --quartus %s holds no Quartus tools in bin/\n",
                   options.QuartusFolder.c_str());
    const std::string plugin = Option("plugin");
    if (!plugin.empty()) {
      const std::filesystem::path file = std::filesystem::absolute(plugin);
      auto& registry = FHost->Data().Registry;
      registry.insert(registry.begin(), RegistryItem{file.parent_path(), file.filename(), false});
    }
  }
  return *FHost;
}

namespace {

jtag::ChainSource SourceFromOptions(const Session& session, const DeviceCatalogue& catalogue) {
  jtag::ChainSource source;
  if (session.Flag("chain")) source.Spec = session.Option("chain");
  if (session.Flag("remote")) source.Remote = session.Option("remote");
  source.Resolve = [&catalogue](std::string_view name) { return catalogue.ByName(name); };
  source.Lookup = [&catalogue](uint32_t idcode) { return catalogue.ByIdCode(idcode); };
  return source;
}

// Bad option values are usage errors; a server that cannot be reached or a chain that does not
// match its description are failures (JtagError passes).
template <class F>
auto WithUsageErrors(F&& build) {
  try {
    return build();
  } catch (const jtag::ChainSpecError& e) {
    throw UsageError(std::string("--chain: ") + e.what());
  } catch (const std::invalid_argument& e) {
    throw UsageError(std::string("--remote: ") + e.what());
  }
}

}  // namespace

HostApp& Session::Board() {
  HostApp& host = Host();
  if (host.Cable() == nullptr) {
    const jtag::ChainSource source = SourceFromOptions(*this, host.Catalogue());
    std::unique_ptr<jtag::JtagCable> cable =
        WithUsageErrors([&] { return jtag::OpenChain(source); });
    host.AttachChain(std::move(cable),
                     source.Remote ? "remote bit-bang " + *source.Remote : "simulated chain");
  }
  return host;
}

std::unique_ptr<jtag::SimulatedChain> Session::BuildSimulatedChain() {
  const jtag::ChainSource source = SourceFromOptions(*this, Host().Catalogue());
  return WithUsageErrors([&] { return jtag::BuildSimulatedChain(source.Spec, source.Resolve); });
}

std::pair<int32_t, DispatchPtr> Session::ResolveDevice(const std::string& text) {
  try {
    return Host().ResolveDevice(text);
  } catch (const std::invalid_argument& e) {
    throw UsageError(e.what());
  }
}

}  // namespace morvel::host
