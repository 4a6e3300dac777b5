// One run of the simulated host: the global options, and the host state built on demand
// (the plug-in, and with later commands the rest of the environment).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "PluginLibrary.h"
#include "sdk/ComPtr.h"

namespace morvel::host {

class Session {
 public:
  explicit Session(const std::map<std::string, std::vector<std::string>>& options);
  ~Session();

  // The global option's last value, or empty.
  std::string Option(const std::string& name) const;

  PluginLibrary& Plugin();
  // A device given as a kind number or a full device name in any letter case; a usage error
  // for anything else.
  std::pair<int32_t, DispatchPtr> ResolveDevice(const std::string& text);

 private:
  std::map<std::string, std::vector<std::string>> FOptions;
  std::unique_ptr<PluginLibrary> FPlugin;
};

}  // namespace morvel::host
