// Host utilities: the host client and its companion services as a plug-in reaches them,
// module lookup, host processes, message dialogs, the progress display and path helpers.
// Without a host client every call that needs the host is skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sdk/ComPtr.h"
#include "sdk/Platform.h"

namespace morvel {

// The host client, looked up once through the main program's ClientAPI_GetClientInterface;
// null when the plug-in runs outside a host.
DispatchPtr HostClient();
DispatchPtr HostClientAPI();
int64_t HostMainWindowHandle();

// Tests that host plug-in code in their own process name the client here (null: no host).
// Every cache of this unit is dropped.
void SetHostClientForTesting(const DispatchPtr& client);
void ResetHostCaches();

// The plug-in's window handle, attached to the host's main window when a driver is made.
void AttachApplicationToHost();
int64_t ApplicationHandle();

// A host module by file name: one already loaded in the process, else the file in the host's
// System folder, else in the folder of each enabled plug-in registry item. Null when absent.
void* FindModule(const std::string& moduleName);
// The object an entry point of a host module answers; null when module or entry is absent.
DispatchPtr ModuleObject(const std::string& moduleName, const char* entryPoint);

struct PluginRegistryItem {
  std::string Folder;  // with a trailing separator
  std::string File;
  bool Disabled = false;
};
// The host's plug-in registry in its order; empty without a host.
std::vector<PluginRegistryItem> PluginRegistryItems();

// The host application's folder (as the host reports it, else this program's folder) and
// its System folder, both with a trailing separator.
std::string HostApplicationFolder();
std::string HostSystemFolder();
// The folder of the plug-in file itself.
inline std::string PluginFolder() {
  return ModuleFolder();
}

// Starts a host process with a parameter string; the host may change the string.
void RunProcess(const std::string& name, std::string& parameters,
                const DispatchPtr& view = nullptr);

// Modal message dialogs with one OK button; an empty title gives "Warning", "Information" or
// "Error". They answer the dialog's modal result.
int ShowWarning(const std::string& text, const std::string& title = {});
int ShowInformation(const std::string& text, const std::string& title = {});
int ShowError(const std::string& text, const std::string& title = {});

// The host's status bar (pane, text); nothing without a host or GUI manager.
void SetStatusBarText(int pane, const std::string& text);

// The progress display: a stack of progress states spoken through the status-bar operation.
void ProgressBegin(const std::string& caption, int64_t total);
void ProgressStep();
void ProgressEnd();
size_t ProgressDepth();

// Ends a progress display however the work ends.
class TProgressGuard {
 public:
  TProgressGuard(const std::string& caption, int64_t total) { ProgressBegin(caption, total); }
  TProgressGuard(const TProgressGuard&) = delete;
  TProgressGuard& operator=(const TProgressGuard&) = delete;
  ~TProgressGuard() {
    try {
      End();
    } catch (...) {
      // The host may be gone; the error on its way out matters more.
    }
  }
  void End() {
    if (FEnded) return;
    FEnded = true;
    ProgressEnd();
  }

 private:
  bool FEnded = false;
};

// Typed reach of the host's modules.
DispatchPtr HostWorkspace();      // "WorkspaceManager.DLL" GetWorkspace
DispatchPtr HostDeviceManager();  // "MorvelManager.dll" GetDeviceManager
DispatchPtr HostGUIManager();     // client 494

}  // namespace morvel
