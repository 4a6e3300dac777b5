// Host utilities over the host's automation objects.
#include "sdk/HostUtil.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "sdk/Errors.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/Strings.h"

namespace morvel {

namespace {

struct ProgressState {
  int64_t Total = 0;
  int64_t Count = 0;
  int64_t LastPercent = 0;
  int64_t NextCount = 1;  // the first count at which the percentage may grow
};

// The percentage of count in total, halves rounded to the even neighbour, at most 100.
int64_t PercentOf(int64_t count, int64_t total) {
  if (total == 0) return 100;
  int64_t percent = 0;
  if (total > 0) {
    const int64_t scaled = count * 100;
    percent = scaled / total;
    const int64_t twice = (scaled % total) * 2;
    if (twice > total || (twice == total && (percent & 1) != 0)) ++percent;
  } else {
    percent = static_cast<int64_t>(
        std::nearbyint(static_cast<double>(count) * 100.0 / static_cast<double>(total)));
  }
  return percent > 100 ? 100 : percent;
}

// The first count above `count` that can show a percentage above `percent`.
int64_t NextCountOf(int64_t count, int64_t percent, int64_t total) {
  if (total <= 0 || percent >= 100) return count + 1;
  // (2p + 1) * total / 200 is where the percentage reaches p + 1, give or take the rounding
  // of a half; start just below and step to it.
  int64_t next = ((2 * percent + 1) * total) / 200;
  if (next <= count) next = count + 1;
  while (PercentOf(next, total) <= percent) ++next;
  return next;
}

// Process-wide caches, created on first use and released when the plug-in unloads.
struct Caches {
  bool ClientOverridden = false;
  DispatchPtr Client;
  DispatchPtr ClientAPI;
  std::map<std::string, void*> Modules;  // by upper-cased file name
  std::vector<ProgressState> Progress;
  int64_t ApplicationHandle = 0;
};

Caches& State() {
  static Caches caches;
  return caches;
}

using ClientEntry = HRESULT (*)(IDispatch**);
using ObjectEntry = HRESULT (*)(IDispatch**);

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A module of this process whose file name matches, compared without regard to case as the
// platform's module lookup does.
void* LoadedModule(const std::string& name) {
  struct Search {
    std::string Name;
    std::string Path;
  } search{name, {}};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        if (info->dlpi_name != nullptr && SameText(FileNamePart(info->dlpi_name), s->Name)) {
          s->Path = info->dlpi_name;
          return 1;
        }
        return 0;
      },
      &search);
  if (search.Path.empty()) return nullptr;
  return dlopen(search.Path.c_str(), RTLD_NOW | RTLD_NOLOAD);
}

void SendStatus(int pane, const std::string& text) {
  DispatchPtr gui = HostGUIManager();
  if (gui) Call(gui, dispid::gui::SetStatusBarText, pane, text);
}

int ShowDialog(int type, const std::string& text, const std::string& title, const char* fallback) {
  const std::string caption = title.empty() ? std::string(fallback) : title;
  DispatchPtr gui = HostGUIManager();
  if (!gui) {
    // No host to show it: the message still reaches the user.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return dispid::dialog::ResultOk;
  }
  return Call(gui, dispid::gui::MessageDialog, type, caption, text).AsInt();
}

}  // namespace

DispatchPtr HostClient() {
  Caches& c = State();
  if (c.Client || c.ClientOverridden) return c.Client;
  void* main = dlopen(nullptr, RTLD_NOW);
  auto entry = reinterpret_cast<ClientEntry>(dlsym(main, "ClientAPI_GetClientInterface"));
  if (main != nullptr) dlclose(main);
  if (entry == nullptr) return nullptr;
  IDispatch* client = nullptr;
  if (FAILED(entry(&client))) return nullptr;
  c.Client = DispatchPtr::Attach(client);
  return c.Client;
}

DispatchPtr HostClientAPI() {
  Caches& c = State();
  if (!c.ClientAPI) {
    DispatchPtr client = HostClient();
    if (client) c.ClientAPI = Call(client, dispid::client::GetClientAPI).AsObject();
  }
  return c.ClientAPI;
}

int64_t HostMainWindowHandle() {
  DispatchPtr api = HostClientAPI();
  return api ? Call(api, dispid::clientapi::GetMainWindowHandle).AsInt64() : 0;
}

void SetHostClientForTesting(const DispatchPtr& client) {
  ResetHostCaches();
  State().ClientOverridden = true;
  State().Client = client;
}

void ResetHostCaches() {
  Caches& c = State();
  c.ClientOverridden = false;
  c.Client = nullptr;
  c.ClientAPI = nullptr;
  c.Modules.clear();
  c.Progress.clear();
}

void AttachApplicationToHost() {
  if (HostClient()) State().ApplicationHandle = HostMainWindowHandle();
}

int64_t ApplicationHandle() {
  return State().ApplicationHandle;
}

std::string HostApplicationFolder() {
  if (DispatchPtr api = HostClientAPI())
    return IncludeTrailingPathDelimiter(
        Call(api, dispid::clientapi::GetApplicationFolder).AsText());
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : IncludeTrailingPathDelimiter(exe.parent_path().string());
}

std::string HostSystemFolder() {
  return HostApplicationFolder() + "System/";
}

std::vector<PluginRegistryItem> PluginRegistryItems() {
  std::vector<PluginRegistryItem> items;
  DispatchPtr client = HostClient();
  if (!client) return items;
  DispatchPtr registry = Call(client, dispid::client::GetPluginRegistry).AsObject();
  if (!registry) return items;
  const int32_t count = Call(registry, dispid::registry::GetCount).AsInt();
  for (int32_t i = 0; i < count; ++i) {
    DispatchPtr item = Call(registry, dispid::registry::GetItem, i).AsObject();
    if (!item) continue;
    PluginRegistryItem entry;
    entry.Folder = Call(item, dispid::registry::ItemGetFolder).AsText();
    if (!entry.Folder.empty()) entry.Folder = IncludeTrailingPathDelimiter(entry.Folder);
    entry.File = Call(item, dispid::registry::ItemGetFile).AsText();
    entry.Disabled = Call(item, dispid::registry::ItemGetDisabled).AsInt() != 0;
    items.push_back(std::move(entry));
  }
  return items;
}

void* FindModule(const std::string& moduleName) {
  Caches& c = State();
  const std::string key = UpperCase(moduleName);
  if (const auto it = c.Modules.find(key); it != c.Modules.end()) return it->second;
  void* handle = LoadedModule(moduleName);
  if (handle == nullptr) {
    std::vector<std::string> candidates{HostSystemFolder() + moduleName};
    for (const PluginRegistryItem& item : PluginRegistryItems())
      if (!item.Disabled && !item.Folder.empty()) candidates.push_back(item.Folder + moduleName);
    for (const std::string& path : candidates)
      if (FileExists(path)) {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        break;
      }
  }
  // A module not found is sought again on the next request.
  if (handle != nullptr) c.Modules[key] = handle;
  return handle;
}

DispatchPtr ModuleObject(const std::string& moduleName, const char* entryPoint) {
  void* module = FindModule(moduleName);
  if (module == nullptr) return nullptr;
  auto entry = reinterpret_cast<ObjectEntry>(dlsym(module, entryPoint));
  if (entry == nullptr) return nullptr;
  IDispatch* object = nullptr;
  if (FAILED(entry(&object))) return nullptr;
  return DispatchPtr::Attach(object);
}

DispatchPtr HostWorkspace() {
  return ModuleObject("WorkspaceManager.DLL", "GetWorkspace");
}

DispatchPtr HostDeviceManager() {
  return ModuleObject("MorvelManager.dll", "GetDeviceManager");
}

DispatchPtr HostGUIManager() {
  DispatchPtr client = HostClient();
  return client ? Call(client, dispid::client::GetGUIManager).AsObject() : nullptr;
}

void RunProcess(const std::string& name, std::string& parameters, const DispatchPtr& view) {
  DispatchPtr client = HostClient();
  if (!client) return;
  DispatchPtr launcher = Call(client, dispid::client::GetProcessLauncher).AsObject();
  if (!launcher) return;
  Variant params = Variant::Text(parameters);
  Call(launcher, dispid::launcher::RunProcess, name, ByRef{&params}, view);
  parameters = params.AsText();
}

int ShowWarning(const std::string& text, const std::string& title) {
  return ShowDialog(dispid::dialog::Warning, text, title, "Warning");
}
int ShowInformation(const std::string& text, const std::string& title) {
  return ShowDialog(dispid::dialog::Information, text, title, "Information");
}
int ShowError(const std::string& text, const std::string& title) {
  return ShowDialog(dispid::dialog::Error, text, title, "Error");
}

void SetStatusBarText(int pane, const std::string& text) {
  SendStatus(pane, text);
}

void ProgressBegin(const std::string& caption, int64_t total) {
  SendStatus(dispid::progress::Reset, "");
  SendStatus(dispid::progress::Caption, caption);
  State().Progress.push_back(ProgressState{total, 0, 0});
}

void ProgressStep() {
  auto& stack = State().Progress;
  if (stack.empty()) return;
  ProgressState& top = stack.back();
  // Programming steps once per byte: between two percentages only a count and a compare.
  if (++top.Count < top.NextCount) return;
  const int64_t percent = PercentOf(top.Count, top.Total);
  if (percent > top.LastPercent) {
    DispatchPtr gui = HostGUIManager();
    if (gui)
      for (int64_t i = top.LastPercent; i < percent; ++i)
        Call(gui, dispid::gui::SetStatusBarText, dispid::progress::Step, "");
  }
  top.LastPercent = percent;
  top.NextCount = NextCountOf(top.Count, percent, top.Total);
}

void ProgressEnd() {
  auto& stack = State().Progress;
  if (stack.empty()) return;
  SendStatus(dispid::progress::Finish, "");
  SendStatus(dispid::progress::End, "");
  stack.pop_back();
}

size_t ProgressDepth() {
  return State().Progress.size();
}

}  // namespace morvel
