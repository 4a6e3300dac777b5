// Commands that list the device kinds and show a device's information answers.
#include <cstdio>

#include "DriverOperations.h"
#include "Session.h"
#include "cli/Cli.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace morvel::host {
namespace {

void PrintInfo(const DispatchPtr& driver) {
  for (size_t i = 0; i < kInformationOperationCount; ++i) {
    const DriverOperation& op = kInformationOperations[i];
    std::printf("%s: %s\n", op.Name, FormatAnswer(driver, op).c_str());
  }
}

int RunDevices(CommandContext& ctx) {
  ctx.ExpectArgs(0, 0, "devices takes no arguments");
  PluginLibrary& plugin = ctx.GetSession().Plugin();
  const int32_t count = plugin.DriverCount();
  for (int32_t kind = 0; kind < count; ++kind) {
    DispatchPtr driver = plugin.CreateDriver(kind);
    const std::string name = Call(driver, dispid::info::GetDeviceName).AsText();
    const uint32_t idcode = Call(driver, dispid::info::GetIdCode).AsUInt();
    std::printf("%4d  %-18s  0x%08X\n", kind, name.c_str(), idcode);
  }
  return kExitOk;
}

int RunInfo(CommandContext& ctx) {
  ctx.ExpectArgs(1, 1, "info takes one DEVICE (a kind number or a device name)");
  PrintInfo(ctx.GetSession().ResolveDevice(ctx.Args()[0]).second);
  return kExitOk;
}

int RunTour(CommandContext& ctx) {
  ctx.ExpectArgs(0, 0, "tour takes no arguments");
  Session& session = ctx.GetSession();
  PluginLibrary& plugin = session.Plugin();
  std::printf("morvel-host: simulated host\n");
  std::printf("Plug-in: %s\n", plugin.File().c_str());
  std::printf("Drivers offered: %d\n\n", plugin.DriverCount());
  const auto [kind, driver] = session.ResolveDevice("539");
  std::printf("Device kind %d:\n", kind);
  PrintInfo(driver);
  return kExitOk;
}

const CommandRegistration kTour({"tour",
                                 "",
                                 "a short tour of the plug-in (the default)",
                                 "Loads the plug-in, prints how many drivers it offers, then the\n"
                                 "answers of one device.",
                                 {},
                                 RunTour});
const CommandRegistration kDevices(
    {"devices",
     "",
     "list every device kind with its name and IDCODE",
     "Prints one line per device kind in catalogue order: kind number, full device name and\n"
     "JTAG IDCODE.",
     {},
     RunDevices});
const CommandRegistration kInfo(
    {"info",
     "DEVICE",
     "print every device-information answer of one device",
     "DEVICE is a kind number (0 to 1336) or a full device name in any letter case, such as\n"
     "5SGXEA7H2F35C2LN. Prints one line per operation: 'OperationName: value'.",
     {},
     RunInfo});

}  // namespace
}  // namespace morvel::host
