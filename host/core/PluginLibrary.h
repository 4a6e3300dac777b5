// A loaded plug-in file: its two entry points, and the drivers it handed out.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sdk/ComPtr.h"

namespace morvel::host {

class PluginLibrary {
 public:
  // Loads the file; raises std::runtime_error with the loader's message when that fails or
  // the file lacks an entry point.
  explicit PluginLibrary(const std::filesystem::path& file);
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;
  ~PluginLibrary();

  const std::filesystem::path& File() const { return FFile; }
  int32_t DriverCount() const;
  // A fresh driver for the kind; null for a kind the plug-in does not offer.
  DispatchPtr CreateDriver(int32_t kind) const;

  // The plug-in files in the plug-in folders below a host installation folder.
  static std::vector<std::filesystem::path> FindPlugins(const std::filesystem::path& installFolder);

 private:
  using CountFn = HRESULT (*)(int32_t*);
  using DriverFn = HRESULT (*)(int32_t, IDispatch**);

  std::filesystem::path FFile;
  void* FHandle = nullptr;
  CountFn FGetCount = nullptr;
  DriverFn FGetDriver = nullptr;
};

}  // namespace morvel::host
