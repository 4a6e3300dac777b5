// One run of morvel-host: the global options and the simulated host, started on demand.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/HostApp.h"

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

 private:
  std::map<std::string, std::vector<std::string>> FOptions;
  std::unique_ptr<HostApp> FHost;
};

}  // namespace morvel::host
