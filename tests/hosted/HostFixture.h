// A simulated host in the test's own process, with its installation in a temporary folder,
// named to the plug-in code of this process as its host client.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/HostApp.h"
#include "sdk/FamilyRegistry.h"
#include "sdk/HostUtil.h"
#include "support/TempDir.h"

namespace morvel::testing {

class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override { StartHost(); }
  void TearDown() override { StopHost(); }

  // With modules, the host modules of the staged installation are copied in and loaded, so
  // the plug-in code finds the workspace and the device manager.
  void StartHost(bool loadModules = false) {
    std::filesystem::create_directories(dir.Path() / "System");
    if (loadModules) {
      const auto stage = std::filesystem::path(MORVEL_HOST_EXE).parent_path();
      for (const char* module : {"WorkspaceManager.DLL", "FPGAFlow.DLL", "IntegratedLibrary.dll",
                                 "EditVHDL.DLL", "System/MorvelManager.dll"})
        std::filesystem::copy_file(stage / module, dir.Path() / module,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    host =
        std::make_unique<host::HostApp>(host::HostApp::Options{dir.Path(), loadModules, false, {}});
    SetHostClientForTesting(host->Client());
    ResetFamilyRegistryForTesting();
  }
  void StopHost() {
    ResetHostCaches();
    ResetFamilyRegistryForTesting();
    host.reset();
  }

  // A plug-in folder with an optional configuration file, entered in the host's registry.
  std::filesystem::path AddPluginFolder(const std::string& name, const std::string* config,
                                        bool disabled = false) {
    const auto folder = dir.Path() / "Plugins" / name;
    std::filesystem::create_directories(folder);
    if (config != nullptr) dir.Write("Plugins/" + name + "/MorvelConfig.ini", *config);
    host->AddRegistryItem(folder, name + ".MVL", disabled);
    return folder;
  }

  host::HostState& State() { return host->Data(); }

  TempDir dir;
  std::unique_ptr<host::HostApp> host;
};

}  // namespace morvel::testing
