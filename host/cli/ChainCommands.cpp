// The JTAG chain commands: list what a chain holds (simulated or behind a remote bit-bang
// server) and serve the simulated chain by remote bit-bang; and the global chain options.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

#include "Session.h"
#include "cli/Cli.h"
#include "jtag/ChainFactory.h"
#include "jtag/RemoteBitbangServer.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/Strings.h"

namespace morvel::host {
namespace {

using jtag::ChainLayout;

const GlobalOptionRegistration kChainOption(
    {"chain", "SPEC", "the simulated JTAG chain: device names, generic:N (see chain --help)"});
const GlobalOptionRegistration kRemoteOption({"remote", "HOST:PORT",
                                              "use the chain of a remote bit-bang server instead"});

// The plug-in's device kinds as a chain needs them: by name to build a chain, by IDCODE to
// name what a remote chain holds.
class DeviceCatalogue {
 public:
  explicit DeviceCatalogue(PluginLibrary& plugin) {
    const int32_t count = plugin.DriverCount();
    for (int32_t kind = 0; kind < count; ++kind) {
      const DispatchPtr driver = plugin.CreateDriver(kind);
      jtag::ResolvedDevice d;
      d.Name = Call(driver, dispid::info::GetDeviceName).AsText();
      d.IdCode = Call(driver, dispid::info::GetIdCode).AsUInt();
      d.IrLength = static_cast<unsigned>(Call(driver, dispid::info::GetInstructionLength).AsInt());
      d.BaseName = Call(driver, dispid::info::GetBaseName).AsText();
      d.PackageId = Call(driver, dispid::info::GetPackageId).AsText();
      FDevices.push_back(std::move(d));
    }
  }

  std::optional<jtag::ResolvedDevice> ByName(std::string_view name) const {
    for (const jtag::ResolvedDevice& d : FDevices)
      if (SameText(d.Name, name)) return d;
    return std::nullopt;
  }

  // Many kinds share a die and so an IDCODE; the name then says how many.
  std::optional<jtag::KnownDevice> ByIdCode(uint32_t idcode) const {
    const jtag::ResolvedDevice* first = nullptr;
    size_t matches = 0;
    for (const jtag::ResolvedDevice& d : FDevices) {
      // The top four bits are the die's revision.
      if ((d.IdCode & 0x0FFFFFFFu) != (idcode & 0x0FFFFFFFu)) continue;
      if (first == nullptr) first = &d;
      ++matches;
    }
    if (first == nullptr) return std::nullopt;
    jtag::KnownDevice known{first->Name, first->IrLength};
    if (matches > 1)
      known.Name = "any of " + std::to_string(matches) + " kinds, such as " + first->Name;
    return known;
  }

 private:
  std::vector<jtag::ResolvedDevice> FDevices;
};

jtag::ChainSource SourceFromOptions(CommandContext& ctx, const DeviceCatalogue& catalogue) {
  jtag::ChainSource source;
  if (ctx.Has("chain")) source.Spec = ctx.Get("chain");
  if (ctx.Has("remote")) source.Remote = ctx.Get("remote");
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

std::string IdCodeText(const std::optional<uint32_t>& idcode) {
  if (!idcode) return "none";
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", *idcode);
  return text;
}

void PrintLayout(const ChainLayout& layout) {
  size_t width = 6;
  for (const jtag::ChainPosition& p : layout) width = std::max(width, p.Name.size());
  const int w = static_cast<int>(width);
  std::printf("Index  %-*s  IDCODE      IR length\n", w, "Device");
  for (size_t i = 0; i < layout.size(); ++i)
    std::printf("%5zu  %-*s  %-10s  %9u\n", i, w, layout[i].Name.c_str(),
                IdCodeText(layout[i].IdCode).c_str(), layout[i].IrLength);
}

const char* Plural(size_t n) {
  return n == 1 ? "" : "s";
}

int RunChain(CommandContext& ctx) {
  ctx.ExpectArgs(0, 0, "chain takes no arguments");
  const DeviceCatalogue catalogue(ctx.GetSession().Plugin());
  const jtag::ChainSource source = SourceFromOptions(ctx, catalogue);
  const std::unique_ptr<jtag::JtagCable> cable =
      WithUsageErrors([&] { return jtag::OpenChain(source); });
  const size_t count = cable->DeviceCount();
  if (source.Remote)
    std::printf("JTAG chain at %s: %zu device%s found by scanning IDCODEs, index 0 nearest TDI\n",
                source.Remote->c_str(), count, Plural(count));
  else
    std::printf("Simulated JTAG chain%s: %zu device%s, index 0 nearest TDI\n",
                source.Spec ? "" : " (the built-in board)", count, Plural(count));
  PrintLayout(cable->Layout());
  return kExitOk;
}

std::atomic<jtag::RemoteBitbangServer*> gServing{nullptr};

extern "C" void StopServing(int /*signal*/) {
  if (jtag::RemoteBitbangServer* server = gServing.load()) server->Stop();
}

// Ctrl-C and a termination request stop the server between two blocks of client bytes, so
// that the chain is left whole and the command ends normally.
class StopOnSignals {
 public:
  explicit StopOnSignals(jtag::RemoteBitbangServer& server) {
    gServing = &server;
    struct sigaction action {};
    action.sa_handler = StopServing;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &FOldInt);
    sigaction(SIGTERM, &action, &FOldTerm);
  }
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;
  ~StopOnSignals() {
    sigaction(SIGINT, &FOldInt, nullptr);
    sigaction(SIGTERM, &FOldTerm, nullptr);
    gServing = nullptr;
  }

 private:
  struct sigaction FOldInt {};
  struct sigaction FOldTerm {};
};

int RunServeChain(CommandContext& ctx) {
  ctx.ExpectArgs(0, 0, "serve-chain takes no arguments");
  if (ctx.Has("remote"))
    throw UsageError("serve-chain serves the simulated chain; --remote does not apply");
  uint16_t port = 0;
  try {
    port = jtag::ParsePort(ctx.Get("port", "0"));
  } catch (const std::invalid_argument& e) {
    throw UsageError(std::string("--port: ") + e.what());
  }
  const DeviceCatalogue catalogue(ctx.GetSession().Plugin());
  const jtag::ChainSource source = SourceFromOptions(ctx, catalogue);
  const std::unique_ptr<jtag::SimulatedChain> chain =
      WithUsageErrors([&] { return jtag::BuildSimulatedChain(source.Spec, source.Resolve); });
  jtag::RemoteBitbangServer server(*chain, port);
  server.OnEvent = [](std::string_view line) {
    std::printf("%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(stdout);
  };
  std::printf("Serving the simulated JTAG chain by remote bit-bang on %s\n",
              server.Endpoint().ToString().c_str());
  PrintLayout(chain->Layout());
  std::printf("Press Ctrl-C to stop.\n");
  std::fflush(stdout);
  {
    const StopOnSignals stopper(server);
    server.Serve();
  }
  std::printf("Stopped.\n");
  return kExitOk;
}

const CommandRegistration kChain(
    {"chain",
     "",
     "list the devices of the JTAG chain",
     "Prints each position of the JTAG chain: index (0 nearest TDI), device name, IDCODE and\n"
     "instruction-register length.\n\n"
     "The chain is the simulated one: the built-in board (5SGXEA7N2F45C2N at index 0,\n"
     "5SGSMD5K2F40C2N at index 1) unless --chain SPEC describes another. SPEC lists the\n"
     "devices from TDI to TDO separated by commas: full device names in any letter case, and\n"
     "generic:N for a bypass-only device with an N-bit instruction register (N from 2 to 64),\n"
     "as in --chain 5SGXEA7N2F45C2N,generic:8,5SGSMD5K2F40C2N.\n\n"
     "With --remote HOST:PORT the chain is the one a remote bit-bang server exposes; it is\n"
     "found by resetting it and scanning the IDCODEs. Given as well, --chain names the devices\n"
     "and must agree with what the scan finds.",
     {},
     RunChain});

const CommandRegistration kServeChain(
    {"serve-chain",
     "",
     "serve the simulated chain by remote bit-bang over TCP",
     "Serves the simulated JTAG chain (the built-in board, or --chain SPEC as for 'chain') to\n"
     "remote bit-bang clients, such as a JTAG tool's remote_bitbang adapter or another\n"
     "morvel-host run with --remote. Listens on the loopback address 127.0.0.1 and prints the\n"
     "address, then a line for every client that comes or goes; one client at a time is\n"
     "served. Runs until interrupted: Ctrl-C stops it cleanly.",
     {{"port", "PORT", "the TCP port to listen on; 0 or none picks a free one"}},
     RunServeChain});

}  // namespace
}  // namespace morvel::host
