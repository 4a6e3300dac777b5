// The simulated host application.
#include "core/HostApp.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/IniFile.h"
#include "sdk/Platform.h"
#include "sdk/Strings.h"

namespace morvel::host {

namespace {
HostApp* gCurrent = nullptr;

// The host modules loaded at start-up; MorvelManager.dll stays in System/ until a plug-in
// looks for it.
constexpr const char* kStartupModules[] = {"WorkspaceManager.DLL", "FPGAFlow.DLL",
                                           "IntegratedLibrary.dll", "EditVHDL.DLL"};
}  // namespace

HostApp* HostApp::Current() {
  return gCurrent;
}

HostApp::HostApp(const Options& options) : FState(std::make_shared<HostState>()) {
  if (gCurrent != nullptr) throw std::logic_error("A process has one host");
  FState->InstallFolder =
      options.InstallFolder.empty() ? std::filesystem::path(ModuleFolder()) : options.InstallFolder;
  FState->InstallFolder = std::filesystem::absolute(FState->InstallFolder).lexically_normal();
  if (!FState->InstallFolder.has_filename())
    FState->InstallFolder = FState->InstallFolder.parent_path();
  FState->Interactive = options.Interactive;
  FClient = MakeHostObject<THostClient>(FState);
  FWorkspace = MakeHostObject<THostWorkspace>(FState);
  FDeviceManager = MakeHostObject<THostDeviceManager>(FState);
  FSynthesizer = MakeHostObject<THostVHDLSynthesizer>(FState);
  FState->DeviceByName = [this](const std::string& name) -> DispatchPtr {
    try {
      return ResolveDevice(name).second;
    } catch (const std::exception&) {
      return nullptr;
    }
  };
  FState->PumpMessages = [this] { ProcessMessages(); };
  if (!options.QuartusFolder.empty()) {
    SetQuartusFolder(options.QuartusFolder);
  } else if (const char* root = std::getenv("QUARTUS_ROOTDIR"); root != nullptr && *root != 0) {
    SetQuartusFolder(root);
  } else {
    SetQuartusFolder(FState->InstallFolder / "Quartus");
  }
  gCurrent = this;
  ReadRegistry();
  ReadFamilies();
  if (options.LoadModules) LoadModules();
}

HostApp::~HostApp() {
  // Drivers hold host objects; they go with the plug-in, before the host's own objects and
  // the cable the channel drives.
  FDevices.clear();
  FCatalogue.reset();
  FPlugin.reset();
  FChannel = nullptr;
  FCable.reset();
  for (auto it = FModules.rbegin(); it != FModules.rend(); ++it) dlclose(*it);
  FState->Timers.clear();
  FState->NotificationHandlers.clear();
  FState->Posted.clear();
  FState->DeviceByName = nullptr;
  gCurrent = nullptr;
}

DispatchPtr HostApp::ModuleObject(const std::string& entryPoint) const {
  if (entryPoint == "GetWorkspace") return DispatchOf(FWorkspace);
  if (entryPoint == "GetDeviceManager") return DispatchOf(FDeviceManager);
  if (entryPoint == "GetEditVHDLSynthesizer") return DispatchOf(FSynthesizer);
  // The FPGA workbench and the library managers are not simulated (yet).
  return nullptr;
}

void HostApp::HostMessage(const std::string& text) {
  FState->Messages.push_back({"Host", text, "morvel-host", "", "", "", 0});
}

void HostApp::ReadRegistry() {
  const auto system = FState->SystemFolder();
  const TIniFile ini((system / "PluginRegistry.ini").string());
  if (ini.Exists()) {
    for (const std::string& section : ini.Sections()) {
      std::filesystem::path folder = ini.ReadString(section, "Folder");
      if (folder.is_relative()) folder = FState->InstallFolder / folder;
      const std::string disabled = ini.ReadString(section, "Disabled", "0");
      AddRegistryItem(folder.lexically_normal(), ini.ReadString(section, "File"),
                      !(disabled.empty() || disabled == "0" || SameText(disabled, "False")));
    }
    return;
  }
  for (const auto& plugin : PluginLibrary::FindPlugins(FState->InstallFolder))
    AddRegistryItem(plugin.parent_path(), plugin.filename().string());
}

void HostApp::ReadFamilies() {
  const TIniFile ini((FState->SystemFolder() / "DeviceFamilies.ini").string());
  for (const std::string& family : ini.Sections()) {
    auto& parameters = FState->FamilyParameters[UpperCase(family)];
    for (const auto& [key, value] : ini.Keys(family)) parameters.emplace(UpperCase(key), value);
  }
}

void HostApp::LoadModules() {
  for (const char* name : kStartupModules) {
    const auto path = FState->InstallFolder / name;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      HostMessage(std::string("Host module ") + name + " could not be loaded");
      continue;
    }
    FModules.push_back(handle);
  }
}

void HostApp::AddRegistryItem(const std::filesystem::path& folder, const std::string& file,
                              bool disabled) {
  FState->Registry.push_back({folder, file, disabled});
}

PluginLibrary& HostApp::Plugin() {
  if (FPlugin) return *FPlugin;
  std::string problems;
  for (const RegistryItem& item : FState->Registry) {
    if (item.Disabled) continue;
    const auto file = item.Folder / item.File;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
      HostMessage("Plug-in " + file.string() + " not found; entry skipped");
      problems += "\n  " + file.string() + ": not found";
      continue;
    }
    FPlugin = std::make_unique<PluginLibrary>(file);
    return *FPlugin;
  }
  throw std::runtime_error("no plug-in to load in the plug-in registry of " +
                           FState->InstallFolder.string() + problems);
}

std::pair<int32_t, DispatchPtr> HostApp::ResolveDevice(const std::string& text) {
  PluginLibrary& plugin = Plugin();
  const int32_t count = plugin.DriverCount();
  if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
    const long long kind = text.size() > 9 ? -1 : std::stoll(text);
    if (kind < 0 || kind >= count)
      throw std::invalid_argument("device kind " + text + " is out of range 0 to " +
                                  std::to_string(count - 1));
    return {static_cast<int32_t>(kind), plugin.CreateDriver(static_cast<int32_t>(kind))};
  }
  if (const auto kind = Catalogue().KindOf(text)) return {*kind, plugin.CreateDriver(*kind)};
  throw std::invalid_argument("unknown device '" + text + "'");
}

const DeviceCatalogue& HostApp::Catalogue() {
  if (!FCatalogue) FCatalogue = std::make_unique<DeviceCatalogue>(Plugin());
  return *FCatalogue;
}

void HostApp::AttachChain(std::unique_ptr<jtag::JtagCable> cable, const std::string& portName) {
  for (const auto& device : FDevices)
    if (device->Driver()) Call(device->Driver(), dispid::driver::SetMorvelDevice, Variant());
  FDevices.clear();
  FChannel = nullptr;
  FCable = std::move(cable);
  if (!FCable) return;
  FChannel = MakeHostObject<THostJTagChannel>(FState, *FCable, portName);
  const jtag::ChainLayout& layout = FCable->Layout();
  for (size_t i = 0; i < layout.size(); ++i) {
    // A position named by the chain text has its kind; one found by a scan is the first
    // kind with its IDCODE. Generic devices have no driver.
    std::optional<int32_t> kind = Catalogue().KindOf(layout[i].Name);
    if (!kind && layout[i].IdCode) kind = Catalogue().KindOfIdCode(*layout[i].IdCode);
    const DispatchPtr driver = kind ? Plugin().CreateDriver(*kind) : nullptr;
    ComPtr<THostDevice> device =
        MakeHostObject<THostDevice>(FState, static_cast<int32_t>(i), driver);
    device->Channel = DispatchOf(FChannel);
    if (driver) Call(driver, dispid::driver::SetMorvelDevice, DispatchOf(device));
    FDevices.push_back(device);
  }
}

ComPtr<THostDevice> HostApp::DeviceAt(size_t index) const {
  return index < FDevices.size() ? FDevices[index] : nullptr;
}

ComPtr<THostDevice> HostApp::AttachDevice(int32_t index, const DispatchPtr& driver) {
  ComPtr<THostDevice> device = MakeHostObject<THostDevice>(FState, index, driver);
  Call(driver, dispid::driver::SetMorvelDevice, DispatchOf(device));
  FDevices.push_back(device);
  return device;
}

int HostApp::SetQuartusFolder(const std::filesystem::path& folder) {
  // The tool names the build flow asks for; each is bin/ and its name in lower case.
  static constexpr const char* kTools[] = {"Quartus_Cmd", "Quartus_sh",  "Quartus_Map",
                                           "Quartus_Fit", "Quartus_Tan", "Quartus_Sta",
                                           "Quartus_Asm"};
  std::erase_if(FState->VendorToolPaths,
                [](const auto& entry) { return entry.first.rfind("ALTERA\n", 0) == 0; });
  FQuartusFolder = std::filesystem::absolute(folder).lexically_normal();
  int found = 0;
  for (const char* tool : kTools) {
    const std::filesystem::path path = FQuartusFolder / "bin" / LowerCase(tool);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) continue;
    FState->VendorToolPaths["ALTERA\n" + UpperCase(tool)] = path.string();
    ++found;
  }
  return found;
}

void HostApp::ProcessMessages() {
  std::vector<std::function<void()>> posted;
  posted.swap(FState->Posted);
  for (auto& work : posted) work();
  const auto now = std::chrono::steady_clock::now();
  // Handlers may add or remove timers: fire from a snapshot.
  std::vector<std::pair<int32_t, DispatchPtr>> due;
  for (TimerRecord& t : FState->Timers)
    if (t.Enabled && t.Due <= now) {
      t.Due = now + std::chrono::milliseconds(t.IntervalMs);
      due.emplace_back(t.Id, t.Handler);
    }
  for (const auto& [timerId, handler] : due) {
    try {
      Call(handler, dispid::handler::HandleTimerEvent, timerId);
    } catch (const std::exception& e) {
      HostMessage("Timer " + std::to_string(timerId) + " handler failed: " + e.what());
    }
  }
  if (FState->OnIdle) FState->OnIdle();
}

void HostApp::Notify(const Variant& notification) {
  const std::vector<DispatchPtr> handlers = FState->NotificationHandlers;
  for (const DispatchPtr& handler : handlers) {
    try {
      Call(handler, dispid::handler::HandleNotification, notification);
    } catch (const std::exception& e) {
      HostMessage(std::string("Notification handler failed: ") + e.what());
    }
  }
}

void HostApp::PrintState(FILE* out) const {
  const HostState& s = *FState;
  std::fprintf(out, "Status bar:\n");
  if (s.StatusBar.empty()) std::fprintf(out, "  (empty)\n");
  for (const auto& [pane, text] : s.StatusBar)
    std::fprintf(out, "  pane %d: %s\n", pane, text.c_str());
  std::fprintf(out, "Messages panel:\n");
  if (s.Messages.empty()) std::fprintf(out, "  (empty)\n");
  for (const MessageRecord& m : s.Messages)
    std::fprintf(out, "  [%s] %s%s%s\n", m.Class.c_str(), m.Text.c_str(),
                 m.Source.empty() ? "" : "  (", m.Source.empty() ? "" : (m.Source + ")").c_str());
  std::fprintf(out, "Output panel:\n");
  if (s.OutputLines.empty()) std::fprintf(out, "  (empty)\n");
  for (const std::string& line : s.OutputLines) std::fprintf(out, "  %s\n", line.c_str());
  std::fprintf(out, "Dialogs:\n");
  if (s.Dialogs.empty()) std::fprintf(out, "  (none)\n");
  static const char* const kTypes[] = {"warning", "error", "information", "confirmation"};
  for (const DialogRecord& d : s.Dialogs) {
    const char* type = d.Type >= 0 && d.Type < 4 ? kTypes[d.Type] : "dialog";
    if (d.Type == kFileOpenDialog) type = "file-open";
    std::fprintf(out, "  %s \"%s\": %s\n", type, d.Caption.c_str(), d.Text.c_str());
  }
  std::fprintf(out, "Processes launched:\n");
  if (s.Processes.empty()) std::fprintf(out, "  (none)\n");
  for (const ProcessRecord& p : s.Processes)
    std::fprintf(out, "  %s %s\n", p.Name.c_str(), p.Parameters.c_str());
  std::fprintf(out, "Progress commands: %zu\n", s.ProgressCommands.size());
  std::fprintf(out, "Option storage:\n");
  if (s.WorkspaceOptions.Entries().empty()) std::fprintf(out, "  (empty)\n");
  for (const auto& [key, entry] : s.WorkspaceOptions.Entries()) {
    (void)key;
    std::fprintf(out, "  [%s] %s = %s\n", entry.Section.c_str(), entry.Name.c_str(),
                 entry.Value.c_str());
  }
}

}  // namespace morvel::host
