// Loading a plug-in file with the platform loader.
#include "core/PluginLibrary.h"

#include <dlfcn.h>

#include <algorithm>
#include <stdexcept>

#include "sdk/Errors.h"
#include "sdk/Strings.h"

namespace morvel::host {

PluginLibrary::PluginLibrary(const std::filesystem::path& file) : FFile(file) {
  FHandle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (FHandle == nullptr) {
    const char* why = dlerror();
    throw std::runtime_error("cannot load plug-in " + file.string() + ": " +
                             (why != nullptr ? why : "unknown error"));
  }
  FGetCount = reinterpret_cast<CountFn>(dlsym(FHandle, "GetMorvelDriverCount"));
  FGetDriver = reinterpret_cast<DriverFn>(dlsym(FHandle, "GetMorvelDriver_Plugin"));
  if (FGetCount == nullptr || FGetDriver == nullptr) {
    dlclose(FHandle);
    FHandle = nullptr;
    throw std::runtime_error("plug-in " + file.string() + " lacks its entry points");
  }
}

PluginLibrary::~PluginLibrary() {
  if (FHandle != nullptr) dlclose(FHandle);
}

int32_t PluginLibrary::DriverCount() const {
  int32_t count = 0;
  CheckResult(FGetCount(&count), "GetMorvelDriverCount");
  return count;
}

DispatchPtr PluginLibrary::CreateDriver(int32_t kind) const {
  IDispatch* driver = nullptr;
  CheckResult(FGetDriver(kind, &driver), "GetMorvelDriver_Plugin");
  return DispatchPtr::Attach(driver);
}

std::vector<std::filesystem::path> PluginLibrary::FindPlugins(
    const std::filesystem::path& installFolder) {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  const auto root = installFolder / "Plugins";
  for (const auto& folder : std::filesystem::directory_iterator(root, ec)) {
    if (!folder.is_directory()) continue;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path(), ec))
      if (entry.is_regular_file() && EndsWithText(entry.path().filename().string(), ".MVL"))
        found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace morvel::host
