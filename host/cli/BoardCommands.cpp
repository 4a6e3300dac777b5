// Commands that act on a device of the board through its host device object and driver, as
// the host's own device actions do: state, reset, user code and programming.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "Session.h"
#include "cli/BoardCommands.h"
#include "cli/Cli.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"

namespace morvel::host {

namespace {

const OptionSpec kIndexOption{"index", "N",
                              "the device's chain position (0 nearest TDI, default 0)"};

const char* StateName(int32_t state) {
  switch (state) {
    case 1: return "Reset";
    case 2: return "Programmed";
    default: return "None";
  }
}

}  // namespace

BoardDevice SelectDevice(CommandContext& ctx) {
  HostApp& host = ctx.GetSession().Board();
  const long long index = ctx.GetInt("index", 0);
  const size_t count = host.Cable()->DeviceCount();
  if (index < 0 || static_cast<size_t>(index) >= count)
    throw UsageError("--index " + std::to_string(index) + " is beyond the chain of " +
                     std::to_string(count) + " device" + (count == 1 ? "" : "s") +
                     " (positions 0 to " + std::to_string(count - 1) + ")");
  ComPtr<THostDevice> device = host.DeviceAt(static_cast<size_t>(index));
  if (!device->Driver())
    throw UsageError("position " + std::to_string(index) + " holds " +
                     host.Cable()->Layout()[static_cast<size_t>(index)].Name +
                     ", which no driver of the plug-in serves");
  BoardDevice selected{static_cast<int32_t>(index), device,
                       Call(device->Driver(), dispid::info::GetDeviceName).AsText()};
  return selected;
}

int32_t ShowState(const BoardDevice& d) {
  const int32_t state = Call(d.Device->AsDispatch(), dispid::device::GetDeviceState).AsInt();
  std::printf("Device %d (%s): state %d, %s\n", d.Index, d.Name.c_str(), state, StateName(state));
  return state;
}

uint32_t ShowUserCode(const BoardDevice& d) {
  const uint32_t code = Call(d.Device->Driver(), dispid::driver::ReadUserCode).AsUInt();
  std::printf("Device %d (%s): user code 0x%08X%s\n", d.Index, d.Name.c_str(), code,
              code == 0xFFFFFFFFu ? " (none set)" : "");
  return code;
}

TerminalProgress::TerminalProgress(HostState& state)
    : FState(state), FTerminal(isatty(fileno(stderr)) != 0) {
  FState.OnProgress = [this](const StatusCommand& c) { Command(c); };
}

TerminalProgress::~TerminalProgress() {
  FState.OnProgress = nullptr;
}

void TerminalProgress::Command(const StatusCommand& c) {
  if (c.Pane == dispid::progress::Caption) {
    FCaption = c.Text;
    FPercent = 0;
    Draw();
  } else if (c.Pane == dispid::progress::Step) {
    ++FPercent;
    Draw();
  } else if (c.Pane == dispid::progress::End) {
    if (!FTerminal)
      std::fprintf(stderr, "%s done\n", FCaption.c_str());
    else
      std::fprintf(stderr, "\n");
  }
}

void TerminalProgress::Draw() {
  if (!FTerminal) {
    // Into a file or pipe: a line every quarter, not a stream of carriage returns.
    if (FPercent % 25 == 0) std::fprintf(stderr, "%s %d%%\n", FCaption.c_str(), FPercent);
    return;
  }
  const int filled = FPercent * 40 / 100;
  std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", FCaption.c_str(), filled,
               "########################################", 40 - filled, "", FPercent);
  std::fflush(stderr);
}

int32_t ProgramBoardDevice(const BoardDevice& d, const std::string& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec))
    throw std::runtime_error("cannot read " + file + ": no such file");
  if (std::filesystem::file_size(file, ec) == 0)
    throw std::runtime_error(file + " is empty: nothing to program");
  if (access(file.c_str(), R_OK) != 0) throw std::runtime_error("cannot read " + file);
  HostApp* host = HostApp::Current();
  const TerminalProgress progress(host->Data());
  const auto start = std::chrono::steady_clock::now();
  const int32_t bits = Call(d.Device->AsDispatch(), dispid::device::ProgramDevice,
                            std::filesystem::absolute(file).string())
                           .AsInt();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("ProgramDevice: %d bits sent in %.2f seconds", bits, seconds);
  if (seconds > 0) std::printf(" (%.2f K Bits/Sec)", bits / seconds / 1000.0);
  std::printf("\n");
  return bits;
}

namespace {

int RunState(CommandContext& ctx) {
  ctx.ExpectArgs(0, 0, "state takes no arguments (choose the device with --index N)");
  ShowState(SelectDevice(ctx));
  return kExitOk;
}

int RunReset(CommandContext& ctx) {
  ctx.ExpectArgs(0, 0, "reset takes no arguments (choose the device with --index N)");
  const BoardDevice d = SelectDevice(ctx);
  const bool reset = Call(d.Device->AsDispatch(), dispid::device::ResetDevice).AsBool();
  std::printf("ResetDevice: %s\n", reset ? "true" : "false");
  ShowState(d);
  return reset ? kExitOk : kExitFailure;
}

int RunUserCode(CommandContext& ctx) {
  ctx.ExpectArgs(0, 0, "usercode takes no arguments (choose the device with --index N)");
  ShowUserCode(SelectDevice(ctx));
  return kExitOk;
}

int RunProgram(CommandContext& ctx) {
  ctx.ExpectArgs(1, 1, "program takes one FILE.rbf");
  const BoardDevice d = SelectDevice(ctx);
  ProgramBoardDevice(d, ctx.Args()[0]);
  return ShowState(d) == 2 ? kExitOk : kExitFailure;
}

const char* const kBoardHelp =
    "\n\nThe device is a position of the board's JTAG chain, chosen with --index N (0 nearest\n"
    "TDI); see 'chain' for the board, --chain to describe another and --remote HOST:PORT to\n"
    "work on the chain of a remote bit-bang server.";

const std::string kStateHelp =
    std::string(
        "Asks the driver whether the device is configured: state 1 (Reset) or\n"
        "2 (Programmed).") +
    kBoardHelp;
const std::string kResetHelp =
    std::string(
        "Resets the device (it drops its configuration) and prints the state it reports\n"
        "afterwards. Exits with 1 when the reset fails.") +
    kBoardHelp;
const std::string kUserCodeHelp =
    std::string("Reads the device's 32-bit user code; all ones when no configuration set one.") +
    kBoardHelp;
const std::string kProgramHelp =
    std::string(
        "Programs the device from a raw bit file, with a progress bar, then prints the\n"
        "bits sent, the time and the transfer rate, and the device state. Exits with 1\n"
        "when the device is not programmed afterwards.") +
    kBoardHelp;

const CommandRegistration kState({"state",
                                  "",
                                  "the configuration state of a device",
                                  kStateHelp.c_str(),
                                  {kIndexOption},
                                  RunState});
const CommandRegistration kReset(
    {"reset", "", "reset a device", kResetHelp.c_str(), {kIndexOption}, RunReset});
const CommandRegistration kUserCode({"usercode",
                                     "",
                                     "read a device's user code",
                                     kUserCodeHelp.c_str(),
                                     {kIndexOption},
                                     RunUserCode});
const CommandRegistration kProgram({"program",
                                    "FILE.rbf",
                                    "program a device from a raw bit file",
                                    kProgramHelp.c_str(),
                                    {kIndexOption},
                                    RunProgram});

}  // namespace
}  // namespace morvel::host
