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
  Session& session = ctx.GetSession();
  const jtag::JtagCable& cable = *session.Board().Cable();
  const size_t count = cable.DeviceCount();
  if (ctx.Has("remote"))
    std::printf("JTAG chain at %s: %zu device%s found by scanning IDCODEs, index 0 nearest TDI\n",
                ctx.Get("remote").c_str(), count, Plural(count));
  else
    std::printf("Simulated JTAG chain%s: %zu device%s, index 0 nearest TDI\n",
                ctx.Has("chain") ? "" : " (the built-in board)", count, Plural(count));
  PrintLayout(cable.Layout());
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
  const std::unique_ptr<jtag::SimulatedChain> chain = ctx.GetSession().BuildSimulatedChain();
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
