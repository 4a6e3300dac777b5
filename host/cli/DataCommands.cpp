// Commands that show a device's pins, its IO standards and its boundary-scan description.
#include <cstdio>
#include <string>
#include <vector>

#include "BsdlWriter.h"
#include "Session.h"
#include "cli/Cli.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace morvel::host {
namespace {

namespace info = dispid::info;
namespace pin = dispid::pin;
namespace io = dispid::iostandard;

struct Flag {
  DISPID Id;
  const char* Name;
};
const Flag kPinFlags[] = {
    {pin::GetIsIOPin, "IO"},
    {pin::GetIsVREFPin, "VREF"},
    {pin::GetIsCLKPin, "CLK"},
    {pin::GetIsSpecialPin, "Special"},
    {pin::GetIsInputOnlyPin, "InputOnly"},
    {pin::GetIsDCIP_Pin, "DCIP"},
    {pin::GetIsDCIN_Pin, "DCIN"},
    {pin::GetIsDiffP_Pin, "DiffP"},
    {pin::GetIsDiffN_Pin, "DiffN"},
    {pin::GetIsHDiffP_Pin, "HDiffP"},
    {pin::GetIsHDiffN_Pin, "HDiffN"},
    {pin::GetIsTransmitDiffPin, "TransmitDiff"},
    {pin::GetIsReceiveDiffPin, "ReceiveDiff"},
    {pin::GetIsClkDiffP_Pin, "ClkDiffP"},
    {pin::GetIsClkDiffN_Pin, "ClkDiffN"},
    {pin::GetIsDLLPin, "DLL"},
};

std::string OrDash(const std::string& text) {
  return text.empty() ? "-" : text;
}

// The members of a counted list of texts, joined by blanks; "-" for none.
std::string Listed(const DispatchPtr& standard, DISPID countId, DISPID itemId) {
  std::string text;
  const int32_t count = Call(standard, countId).AsInt();
  for (int32_t i = 0; i < count; ++i)
    text.append(i > 0 ? " " : "").append(Call(standard, itemId, i).AsText());
  return OrDash(text);
}

int RunPins(CommandContext& ctx) {
  ctx.ExpectArgs(1, 1, "pins takes one DEVICE (a kind number or a device name)");
  const DispatchPtr driver = ctx.GetSession().ResolveDevice(ctx.Args()[0]).second;
  const int32_t count = Call(driver, info::GetDevicePinCount).AsInt();
  for (int32_t i = 0; i < count; ++i) {
    const DispatchPtr p = Call(driver, info::GetDevicePin, i).AsObject();
    std::string flags;
    for (const Flag& f : kPinFlags)
      if (Call(p, f.Id).AsBool()) flags.append(flags.empty() ? "" : ",").append(f.Name);
    std::printf("%-5s %-4s %-12s %-3s %-34s %d\n", Call(p, pin::GetPinNumber).AsText().c_str(),
                OrDash(Call(p, pin::GetIOBank).AsText()).c_str(),
                OrDash(Call(p, pin::GetDifferentialId).AsText()).c_str(),
                OrDash(Call(p, pin::GetClkDifferentialId).AsText()).c_str(), OrDash(flags).c_str(),
                Call(p, pin::GetIOStandardCount).AsInt());
  }
  return kExitOk;
}

int RunIOStandards(CommandContext& ctx) {
  ctx.ExpectArgs(1, 1, "iostandards takes one DEVICE (a kind number or a device name)");
  const DispatchPtr driver = ctx.GetSession().ResolveDevice(ctx.Args()[0]).second;
  const int32_t count = Call(driver, info::GetIOStandardCount).AsInt();
  for (int32_t i = 0; i < count; ++i) {
    const DispatchPtr s = Call(driver, info::GetIOStandard, i).AsObject();
    std::printf("%-16s %-45s slew: %-10s drive: %s\n", Call(s, io::GetParamName).AsText().c_str(),
                Call(s, io::GetDisplayName).AsText().c_str(),
                Listed(s, io::GetSlewCount, io::GetSlewValue).c_str(),
                Listed(s, io::GetDriveCount, io::GetDriveStrength).c_str());
  }
  return kExitOk;
}

int RunBsdl(CommandContext& ctx) {
  ctx.ExpectArgs(1, 1, "bsdl takes one DEVICE (a kind number or a device name)");
  const std::string text = WriteBsdl(ctx.GetSession().ResolveDevice(ctx.Args()[0]).second);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return kExitOk;
}

const CommandRegistration kPins(
    {"pins",
     "DEVICE",
     "list the pins of a device",
     "Prints one line per pin in the order of the vendor's pin list: ball, IO bank,\n"
     "differential pair id, clock pair id, option flags and the number of IO standards the\n"
     "pin supports. '-' stands for an empty field.",
     {},
     RunPins});
const CommandRegistration kIOStandards(
    {"iostandards",
     "DEVICE",
     "list the IO standards a device supports",
     "Prints one line per IO standard of the device: parameter name, display name, slew\n"
     "rates and drive strengths.",
     {},
     RunIOStandards});
const CommandRegistration kBsdl(
    {"bsdl",
     "DEVICE",
     "write the boundary-scan description of a device as BSDL",
     "Writes the device's compiled-in boundary-scan description to standard output as an\n"
     "IEEE 1149.1-2001 BSDL file that other boundary-scan tools read, with the device's\n"
     "IDCODE. Transceiver ports are linkage; their cells are listed as internal cells.",
     {},
     RunBsdl});

}  // namespace
}  // namespace morvel::host
