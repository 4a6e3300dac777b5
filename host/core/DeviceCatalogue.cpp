// The host's view of the plug-in's device kinds.
#include "core/DeviceCatalogue.h"

#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/Strings.h"

namespace morvel::host {

DeviceCatalogue::DeviceCatalogue(PluginLibrary& plugin) {
  const int32_t count = plugin.DriverCount();
  FDevices.reserve(static_cast<size_t>(count));
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

std::optional<int32_t> DeviceCatalogue::KindOf(std::string_view name) const {
  for (size_t kind = 0; kind < FDevices.size(); ++kind)
    if (SameText(FDevices[kind].Name, name)) return static_cast<int32_t>(kind);
  return std::nullopt;
}

std::optional<int32_t> DeviceCatalogue::KindOfIdCode(uint32_t idcode) const {
  for (size_t kind = 0; kind < FDevices.size(); ++kind)
    // The top four bits are the die's revision.
    if ((FDevices[kind].IdCode & 0x0FFFFFFFu) == (idcode & 0x0FFFFFFFu))
      return static_cast<int32_t>(kind);
  return std::nullopt;
}

std::optional<jtag::ResolvedDevice> DeviceCatalogue::ByName(std::string_view name) const {
  const auto kind = KindOf(name);
  if (!kind) return std::nullopt;
  return FDevices[static_cast<size_t>(*kind)];
}

std::optional<jtag::KnownDevice> DeviceCatalogue::ByIdCode(uint32_t idcode) const {
  const auto kind = KindOfIdCode(idcode);
  if (!kind) return std::nullopt;
  const jtag::ResolvedDevice& first = FDevices[static_cast<size_t>(*kind)];
  size_t matches = 0;
  for (const jtag::ResolvedDevice& d : FDevices)
    matches += (d.IdCode & 0x0FFFFFFFu) == (idcode & 0x0FFFFFFFu) ? 1 : 0;
  jtag::KnownDevice known{first.Name, first.IrLength};
  if (matches > 1)
    known.Name = "any of " + std::to_string(matches) + " kinds, such as " + first.Name;
  return known;
}

}  // namespace morvel::host
