// The default run: a short tour of the host starting and the plug-in answering it.
#include <cstdio>

#include "Session.h"
#include "cli/Cli.h"
#include "sdk/Bitmap.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace morvel::host {

void PrintDeviceInfo(const DispatchPtr& driver);

namespace {

int RunTour(CommandContext& ctx) {
  ctx.ExpectArgs(0, 0, "tour takes no arguments");
  Session& session = ctx.GetSession();
  HostApp& host = session.Host();
  const HostState& state = host.Data();
  std::printf("== The host starts\n");
  std::printf("Installation folder: %s\n", state.InstallFolder.c_str());
  std::printf("Plug-in registry:\n");
  for (const RegistryItem& item : state.Registry)
    std::printf("  %s%s\n", (item.Folder / item.File).c_str(), item.Disabled ? " (disabled)" : "");
  PluginLibrary& plugin = session.Plugin();
  std::printf("Loaded %s: %d drivers offered\n\n", plugin.File().filename().c_str(),
              plugin.DriverCount());

  const auto [kind, driver] = session.ResolveDevice("0");
  std::printf("== The device-family registry answers the vendor\n");
  std::printf("GetVendorName: %s\n", Call(driver, dispid::info::GetVendorName).AsText().c_str());
  std::printf("GetDeviceDescription: %s\n\n",
              Call(driver, dispid::info::GetDeviceDescription).AsText().c_str());

  std::printf("== Device kind %d\n", kind);
  PrintDeviceInfo(driver);
  std::printf("\n== The driver's feature query\n");
  for (const char* feature : {"FPGA", "CPLD", "ResetDevice", "Action=PauseProcessor"})
    std::printf("Supports %-22s %s\n", feature,
                Call(driver, dispid::driver::Supports, feature).AsBool() ? "true" : "false");
  const auto handle = static_cast<HBITMAP>(Call(driver, dispid::driver::GetBitmapHandle).AsUInt());
  if (const auto picture = TBitmap::FromHandle(handle))
    std::printf("Device picture: %d x %d pixels (handle %u)\n", picture->Width, picture->Height,
                handle);
  else
    std::printf("Device picture: none\n");

  std::printf("\n== The host attaches its device object; the driver asks the debug register\n");
  auto device = host.AttachDevice(0, driver);
  const bool running = Call(driver, dispid::driver::ProcessorIsRunning).AsBool();
  std::printf("ProcessorIsRunning: %s (register accesses:", running ? "true" : "false");
  for (const RegisterAccess& a : device->Trace)
    std::printf(" %s 0x%02X=0x%02X", a.Write ? "write" : "read", a.Address, a.Value);
  std::printf(")\n\n== The host's panels\n");
  host.PrintState(stdout);
  return kExitOk;
}

const CommandRegistration kTour({"tour",
                                 "",
                                 "a short tour of the host and plug-in (the default)",
                                 "Starts the host, loads the plug-in from its registry, and shows\n"
                                 "what one driver answers and what the host recorded.",
                                 {},
                                 RunTour});

}  // namespace
}  // namespace morvel::host
