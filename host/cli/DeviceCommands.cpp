// Commands that list the device kinds and ask one device's driver: information, the feature
// query and the device picture.
#include <cstdio>

#include "Session.h"
#include "cli/Cli.h"
#include "core/DriverOperations.h"
#include "sdk/Bitmap.h"
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

int RunSupports(CommandContext& ctx) {
  ctx.ExpectArgs(2, 2, "supports takes a DEVICE and a FEATURE");
  const DispatchPtr driver = ctx.GetSession().ResolveDevice(ctx.Args()[0]).second;
  std::printf("%s\n",
              Call(driver, dispid::driver::Supports, ctx.Args()[1]).AsBool() ? "true" : "false");
  return kExitOk;
}

int RunPicture(CommandContext& ctx) {
  ctx.ExpectArgs(2, 2, "picture takes a DEVICE and a FILE.bmp to write");
  const DispatchPtr driver = ctx.GetSession().ResolveDevice(ctx.Args()[0]).second;
  const auto handle = static_cast<HBITMAP>(Call(driver, dispid::driver::GetBitmapHandle).AsUInt());
  const std::optional<TBitmap> picture = TBitmap::FromHandle(handle);
  if (!picture) {
    std::fprintf(stderr,
                 "morvel-host: the driver has no device picture (is System/"
                 "Generic_Hard_Device.bmp missing or not a bitmap?)\n");
    return kExitFailure;
  }
  if (!picture->Save(ctx.Args()[1])) {
    std::fprintf(stderr, "morvel-host: cannot write %s\n", ctx.Args()[1].c_str());
    return kExitFailure;
  }
  std::printf("Wrote %s (%d x %d pixels)\n", ctx.Args()[1].c_str(), picture->Width,
              picture->Height);
  return kExitOk;
}

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
const CommandRegistration kSupports(
    {"supports",
     "DEVICE FEATURE",
     "ask the driver's feature query",
     "Prints true or false. FEATURE is a device class (FPGA, CPLD, PROM, PROC, SPROC, GPROC),\n"
     "an action name such as ResetDevice, or a parameter string such as\n"
     "'Target=HardDevice|Action=ResetDevice|Index=1'.",
     {},
     RunSupports});
const CommandRegistration kPicture(
    {"picture",
     "DEVICE FILE.bmp",
     "write the device picture the driver draws",
     "Asks the driver for its device picture (the host's generic picture with the family's\n"
     "picture drawn centred on it) and writes it as a 24-bit BMP file.",
     {},
     RunPicture});

}  // namespace

void PrintDeviceInfo(const DispatchPtr& driver) {
  PrintInfo(driver);
}

}  // namespace morvel::host
