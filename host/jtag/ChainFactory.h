// The chain the host drives, built from its options: the simulated chain of a chain text (the
// built-in board without one), or the chain behind a remote bit-bang server. Names come from
// callbacks, so that the host can ask the plug-in and tests need no plug-in.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "jtag/ChainSpec.h"
#include "jtag/JtagCable.h"
#include "jtag/RemoteBitbangClient.h"
#include "jtag/SimulatedChain.h"

namespace morvel::host::jtag {

struct ChainSource {
  std::optional<std::string> Spec;    // a chain text; none for the built-in board
  std::optional<std::string> Remote;  // HOST:PORT of a remote bit-bang server
  DeviceResolver Resolve;             // device names of the chain text
  IdCodeLookup Lookup;                // names and IR lengths for IDCODEs a scan finds
  std::chrono::milliseconds Timeout = RemoteBitbangClient::kDefaultTimeout;
};

// Raises ChainSpecError for a chain text that describes no chain.
std::unique_ptr<SimulatedChain> BuildSimulatedChain(const std::optional<std::string>& spec,
                                                    const DeviceResolver& resolve);

// The simulated chain, or with Remote a client cable whose devices the chain text names when
// given (a scan must agree with it) or a scan finds. Raises ChainSpecError for a bad chain
// text, std::invalid_argument for a bad HOST:PORT, JtagError when the server cannot be reached
// or its chain does not match the text.
std::unique_ptr<JtagCable> OpenChain(const ChainSource& source);

}  // namespace morvel::host::jtag
