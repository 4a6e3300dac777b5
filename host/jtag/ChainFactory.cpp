// Building the host's chain from its options.
#include "jtag/ChainFactory.h"

#include <cstdio>

#include "jtag/Socket.h"

namespace morvel::host::jtag {

namespace {

std::string IdCodeText(const std::optional<uint32_t>& idcode) {
  if (!idcode) return "none";
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", *idcode);
  return text;
}

}  // namespace

std::unique_ptr<SimulatedChain> BuildSimulatedChain(const std::optional<std::string>& spec,
                                                    const DeviceResolver& resolve) {
  return std::make_unique<SimulatedChain>(
      ParseChainSpec(spec ? std::string_view(*spec) : kBuiltInChain, resolve));
}

std::unique_ptr<JtagCable> OpenChain(const ChainSource& source) {
  if (!source.Remote) return BuildSimulatedChain(source.Spec, source.Resolve);

  const HostPort server = ParseHostPort(*source.Remote);
  std::optional<ChainLayout> described;
  if (source.Spec) described = BuildSimulatedChain(source.Spec, source.Resolve)->Layout();
  auto client = std::make_unique<RemoteBitbangClient>(server, source.Timeout);
  ChainLayout found = DiscoverChain(*client, source.Lookup);
  if (described) {
    // The description names the devices; the scan must agree with it.
    if (described->size() != found.size())
      throw JtagError("the chain at " + server.ToString() + " holds " +
                      std::to_string(found.size()) + " devices, the chain description " +
                      std::to_string(described->size()));
    for (size_t i = 0; i < found.size(); ++i) {
      const ChainPosition& d = (*described)[i];
      if (d.IdCode != found[i].IdCode || d.IrLength != found[i].IrLength)
        throw JtagError("device " + std::to_string(i) + " of the chain at " + server.ToString() +
                        " has IDCODE " + IdCodeText(found[i].IdCode) + " and IR length " +
                        std::to_string(found[i].IrLength) + ", the chain description says " +
                        d.Name + " with " + IdCodeText(d.IdCode) + " and " +
                        std::to_string(d.IrLength));
      found[i].Name = d.Name;
    }
  }
  client->SetLayout(std::move(found));
  return client;
}

}  // namespace morvel::host::jtag
