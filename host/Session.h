// One run of morvel-host: the global options and the simulated host, started on demand.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/HostApp.h"
#include "jtag/SimulatedChain.h"

namespace morvel::host {

class Session {
 public:
  explicit Session(const std::map<std::string, std::vector<std::string>>& options);
  ~Session();

  // The global option's last value, or empty.
  std::string Option(const std::string& name) const;
  bool Flag(const std::string& name) const { return FOptions.count(name) > 0; }

  // The simulated host, started on first use from this program's installation folder.
  HostApp& Host();
  bool HostStarted() const { return FHost != nullptr; }
  PluginLibrary& Plugin() { return Host().Plugin(); }
  // A device given as a kind number or a full device name in any letter case; a usage error
  // for anything else.
  std::pair<int32_t, DispatchPtr> ResolveDevice(const std::string& text);

  // The host with the board of this run attached: the chain of --chain (the built-in board
  // without it), or the chain behind --remote. Bad option values are usage errors.
  HostApp& Board();
  // The simulated chain the options describe, for serving it.
  std::unique_ptr<jtag::SimulatedChain> BuildSimulatedChain();

 private:
  std::map<std::string, std::vector<std::string>> FOptions;
  std::unique_ptr<HostApp> FHost;
};

}  // namespace morvel::host
