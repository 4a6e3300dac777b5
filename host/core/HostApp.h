// The simulated host application: its installation folder, plug-in registry, host modules,
// automation objects, event loop and the board's devices. One HostApp is the host of the
// process; the plug-in reaches it through ClientAPI_GetClientInterface.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/DeviceCatalogue.h"
#include "core/HostJtag.h"
#include "core/HostObjects.h"
#include "core/HostState.h"
#include "core/PluginLibrary.h"
#include "jtag/JtagCable.h"

namespace morvel::host {

class HostApp {
 public:
  struct Options {
    std::filesystem::path InstallFolder;  // empty: this program's folder
    bool LoadModules = true;              // load the host modules at start-up
    bool Interactive = false;
    // The Quartus installation (bin/ with the tools, readme.txt); empty: $QUARTUS_ROOTDIR,
    // else the Quartus/ folder of the installation.
    std::filesystem::path QuartusFolder;
  };

  explicit HostApp(const Options& options);
  HostApp(const HostApp&) = delete;
  HostApp& operator=(const HostApp&) = delete;
  // Unloads the plug-in before anything it may still hold goes away.
  ~HostApp();

  // The host of this process, or null.
  static HostApp* Current();

  const HostStatePtr& State() const { return FState; }
  HostState& Data() { return *FState; }
  DispatchPtr Client() const { return DispatchOf(FClient); }
  const ComPtr<THostWorkspace>& Workspace() const { return FWorkspace; }
  const ComPtr<THostDeviceManager>& DeviceManager() const { return FDeviceManager; }
  // The object an entry point of a host module hands out; null for unknown entry points.
  DispatchPtr ModuleObject(const std::string& entryPoint) const;

  // The plug-in registry. Entries come from System/PluginRegistry.ini (or, without it, every
  // plug-in folder below Plugins/); tests and the command line may add more.
  void AddRegistryItem(const std::filesystem::path& folder, const std::string& file,
                       bool disabled = false);
  // The first enabled registry entry whose file exists, loaded on first use.
  PluginLibrary& Plugin();
  bool PluginLoaded() const { return FPlugin != nullptr; }
  // A device as a kind number or a full device name in any letter case; raises
  // std::invalid_argument with a message for anything else.
  std::pair<int32_t, DispatchPtr> ResolveDevice(const std::string& text);

  // The plug-in's device kinds, asked once.
  const DeviceCatalogue& Catalogue();

  // Makes the host object of a chain position and attaches it to the driver.
  ComPtr<THostDevice> AttachDevice(int32_t index, const DispatchPtr& driver);
  const std::vector<ComPtr<THostDevice>>& Devices() const { return FDevices; }

  // The board: a chain behind its channel, with a host device for every position and a
  // driver attached to every Stratix V position. Replaces the board before.
  void AttachChain(std::unique_ptr<jtag::JtagCable> cable, const std::string& portName);
  jtag::JtagCable* Cable() const { return FCable.get(); }
  const ComPtr<THostJTagChannel>& Channel() const { return FChannel; }
  // The host device at a chain position; null beyond the chain.
  ComPtr<THostDevice> DeviceAt(size_t index) const;

  // One turn of the event loop: posted work, then due timers.
  void ProcessMessages();
  void Post(std::function<void()> work) { FState->Posted.push_back(std::move(work)); }
  // Sends a notification to every registered handler.
  void Notify(const Variant& notification);

  void PrintState(FILE* out) const;

  // Points the vendor tool manager's "Altera" tools at a Quartus installation; tools whose
  // executable is missing stay unknown. Returns the number of tools found.
  int SetQuartusFolder(const std::filesystem::path& folder);
  const std::filesystem::path& QuartusFolder() const { return FQuartusFolder; }

 private:
  void ReadRegistry();
  void ReadFamilies();
  void LoadModules();
  void HostMessage(const std::string& text);

  HostStatePtr FState;
  ComPtr<THostClient> FClient;
  ComPtr<THostWorkspace> FWorkspace;
  ComPtr<THostDeviceManager> FDeviceManager;
  ComPtr<THostVHDLSynthesizer> FSynthesizer;
  std::vector<void*> FModules;
  std::unique_ptr<PluginLibrary> FPlugin;
  std::vector<ComPtr<THostDevice>> FDevices;
  std::unique_ptr<DeviceCatalogue> FCatalogue;
  std::unique_ptr<jtag::JtagCable> FCable;
  ComPtr<THostJTagChannel> FChannel;
  std::filesystem::path FQuartusFolder;
};

}  // namespace morvel::host
