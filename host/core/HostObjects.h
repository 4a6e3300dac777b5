// The simulated host's automation objects: the client and every service the plug-in reaches
// through it or through the host modules. Each declares one dispatch table.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/HostState.h"
#include "sdk/Objects.h"

namespace morvel::host {

// A host object: shares the host's state, and fails cleanly once the host has shut down.
class THostObject : public TAbstractSupportService {
 public:
  explicit THostObject(const HostStatePtr& state) : FState(state) {}
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 protected:
  HostStatePtr State() const;

 private:
  std::weak_ptr<HostState> FState;
};

// Makes a host object and hands out its counted dispatch reference.
template <class T, class... A>
ComPtr<T> MakeHostObject(A&&... args) {
  return ComPtr<T>(new T(std::forward<A>(args)...));
}

template <class T>
DispatchPtr DispatchOf(const ComPtr<T>& p) {
  return DispatchPtr(p ? p->AsDispatch() : nullptr);
}

class THostClientAPI : public THostObject {
 public:
  using THostObject::THostObject;
  std::string GetApplicationFolder();
  std::string GetInstallationFolder();
  std::string GetSystemFolder();
  int32_t SetCursor(int32_t cursor);
  bool HelpKeywordExists(const std::string& keyword);
  void ShowHelpKeyword(const std::string& keyword);
  std::string GetProjectDisplayText(const std::string& path);
  int64_t GetMainWindowHandle() { return 0x00010042; }
  bool IsShuttingDown() { return false; }
  void ProcessMessages();
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

class THostPluginRegistryItem : public THostObject {
 public:
  THostPluginRegistryItem(const HostStatePtr& state, size_t index)
      : THostObject(state), FIndex(index) {}
  std::string GetFolder();
  std::string GetFile();
  int32_t GetDisabled();
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  const RegistryItem& Item();
  size_t FIndex;
};

class THostPluginRegistry : public THostObject {
 public:
  using THostObject::THostObject;
  int32_t GetCount();
  DispatchPtr GetItem(int32_t index);
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

class THostGUIManager : public THostObject {
 public:
  using THostObject::THostObject;
  void SetStatusBarText(int32_t pane, const std::string& text);
  void ShowPanel(const std::string& name, bool visible);
  void SetPanelSize(const std::string& name, int32_t width, int32_t height);
  std::string GetPanelSize(const std::string& name);
  int32_t MessageDialog(int32_t type, const std::string& caption, const std::string& text);
  std::string FileOpenDialog(const std::string& title, const std::string& filter,
                             int32_t filterIndex, const std::string& initial);
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

class THostTimerManager : public THostObject {
 public:
  using THostObject::THostObject;
  int32_t AddTimer(DispatchPtr handler, int32_t intervalMs, bool enabled);
  void RemoveTimer(int32_t id);
  void EnableTimer(int32_t id, bool enabled);
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

class THostProcessLauncher : public THostObject {
 public:
  using THostObject::THostObject;
  void RunProcess(const std::string& name, InOut<std::string> parameters, const DispatchPtr& view);
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

class THostVendorToolManager : public THostObject {
 public:
  using THostObject::THostObject;
  std::string Descriptor(const std::string& vendor);
  bool Present(const std::string& vendor);
  bool UpToDate(const std::string& vendor);
  std::string ToolPath(const std::string& vendor, const std::string& tool);
  std::string Version(const std::string& vendor);
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

// A server module of the host ("FPGAFlow").
class THostServerModule : public THostObject {
 public:
  THostServerModule(const HostStatePtr& state, std::string name)
      : THostObject(state), FName(std::move(name)) {}
  DispatchPtr GetVendorToolManager();
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  std::string FName;
  ComPtr<THostVendorToolManager> FTools;
};

class THostMessagesManager : public THostObject {
 public:
  using THostObject::THostObject;
  void AddMessage(const std::string& messageClass, const std::string& text,
                  const std::string& source, const std::string& document,
                  const std::string& callBackProcess, const std::string& callBackParameters,
                  int32_t imageIndex);
  void AddMessageFromParameters(const std::string& parameters,
                                const std::string& callBackParameters);
  void BeginUpdate();
  void EndUpdate();
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

class THostDocument : public THostObject {
 public:
  THostDocument(const HostStatePtr& state, std::filesystem::path path)
      : THostObject(state), FPath(std::move(path)) {}
  std::string GetFileName() { return FPath.string(); }
  void FileAboutToChange() { ++AboutToChange; }
  void FileChanged() { ++Changed; }
  const std::filesystem::path& Path() const { return FPath; }
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

  int AboutToChange = 0;
  int Changed = 0;

 private:
  std::filesystem::path FPath;
};

class THostProject : public THostObject {
 public:
  THostProject(const HostStatePtr& state, std::filesystem::path path)
      : THostObject(state), FPath(std::move(path)) {}
  std::string GetFileName() { return FPath.string(); }
  int32_t GetDocumentCount() { return static_cast<int32_t>(FDocuments.size()); }
  DispatchPtr GetDocument(int32_t index);
  std::string GetUserID() { return UserID; }
  DispatchPtr GetGoverningProject() { return Governing; }
  std::string GetOutputPath() { return OutputPath; }
  std::string GetSynthesizer() { return Synthesizer; }
  std::string ReadOption(const std::string& section, const std::string& name,
                         const std::string& fallback) {
    return Options.Read(section, name, fallback);
  }
  void WriteOption(const std::string& section, const std::string& name, const std::string& value);
  void RemoveOption(const std::string& section, const std::string& name);

  const std::filesystem::path& Path() const { return FPath; }
  void AddDocument(const std::filesystem::path& path);
  // A project read from its project file; changes to its options are saved back at once.
  static ComPtr<THostProject> Load(const HostStatePtr& state, const std::filesystem::path& file);
  // Writes the project file (projects made in memory have none).
  void Save();
  const std::vector<ComPtr<THostDocument>>& Documents() const { return FDocuments; }
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

  OptionStorage Options;
  std::string UserID;
  std::string OutputPath;
  std::string Synthesizer;
  DispatchPtr Governing;

 private:
  std::filesystem::path FPath;
  std::vector<ComPtr<THostDocument>> FDocuments;
  bool FBacked = false;
};

class THostWorkspace : public THostObject {
 public:
  using THostObject::THostObject;
  void OutputLine(const std::string& text, bool a, bool b);
  int32_t GetOutputPanelNumber() { return 3; }
  DispatchPtr GetMessagesManager();
  DispatchPtr GetProjectByPath(const std::string& path);
  int32_t GetProjectCount() { return static_cast<int32_t>(FProjects.size()); }
  DispatchPtr GetProject(int32_t index);
  DispatchPtr GetFocusedProject();
  DispatchPtr GetDocumentByPath(const std::string& path);
  bool IsInteractive();
  std::string ReadOption(const std::string& section, const std::string& name,
                         const std::string& fallback);
  void WriteOption(const std::string& section, const std::string& name, const std::string& value);
  void RemoveOption(const std::string& section, const std::string& name);

  ComPtr<THostProject> AddProject(const std::filesystem::path& path);
  // Opens the project file (or answers the project already open from it); raises
  // ProjectFileError for a missing or damaged file.
  ComPtr<THostProject> OpenProject(const std::filesystem::path& file);
  const std::vector<ComPtr<THostProject>>& Projects() const { return FProjects; }
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  ComPtr<THostMessagesManager> FMessages;
  std::vector<ComPtr<THostProject>> FProjects;
  size_t FFocused = 0;
};

class THostDeviceFamily : public THostObject {
 public:
  THostDeviceFamily(const HostStatePtr& state, std::string name)
      : THostObject(state), FName(std::move(name)) {}
  std::string GetName() { return FName; }
  bool HasParameter(const std::string& name);
  std::string GetParameter(const std::string& name);
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  std::string FName;
};

class THostDeviceManager : public THostObject {
 public:
  using THostObject::THostObject;
  DispatchPtr GetDeviceFamily(const std::string& name);
  DispatchPtr GetDeviceByName(const std::string& name);
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

// The host's object for one chain position: it holds the attached driver, the device's debug
// registers (recording every access) and, once a chain is attached, its JTAG channel.
class THostDevice : public THostObject {
 public:
  THostDevice(const HostStatePtr& state, int32_t index, DispatchPtr driver)
      : THostObject(state), FIndex(index), FDriver(std::move(driver)) {}
  DispatchPtr GetJTagChannel() { return Channel; }
  int32_t GetJTagDeviceIndex() { return FIndex; }
  uint32_t ReadRegister(int32_t address, int32_t width);
  void WriteRegister(int32_t address, int32_t width, uint32_t value);
  void BeginAccess() { ++AccessDepth; }
  void EndAccess() { --AccessDepth; }
  // The attached driver's answers, for stages that ask the device rather than the driver.
  std::string GetDeviceName();
  std::string GetDeviceDescription();
  std::string GetVendorName();
  std::string GetDownloadFileExtensions();
  bool ResetDevice();
  int32_t GetDeviceState();
  int32_t ProgramDevice(const std::string& fileName);

  const DispatchPtr& Driver() const { return FDriver; }
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

  DispatchPtr Channel;
  std::map<int32_t, uint32_t> Registers;
  std::vector<RegisterAccess> Trace;
  int32_t AccessDepth = 0;

 private:
  int32_t FIndex;
  DispatchPtr FDriver;
};

// The host's VHDL synthesis service ("EditVHDL.DLL"): which synthesizer a project uses.
class THostVHDLSynthesizer : public THostObject {
 public:
  using THostObject::THostObject;
  std::string GetProjectSynthesizer(const DispatchPtr& project);
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

// The run display the host passes to a flow's run entries.
class THostFlowRunner : public THostObject {
 public:
  using THostObject::THostObject;
  void RunStarted();
  void StageStarted(const DispatchPtr& stage);
  void AddSummaryItem(const std::string& category, const std::string& item,
                      const std::string& value, const std::string& source);
  void RunFinished();
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  void Record(const FlowEvent& event);
};

class THostClient : public THostObject {
 public:
  explicit THostClient(const HostStatePtr& state);
  DispatchPtr GetGUIManager() { return DispatchOf(FGUI); }
  DispatchPtr GetServerModule(const std::string& name);
  void RegisterNotificationHandler(DispatchPtr handler);
  void UnregisterNotificationHandler(DispatchPtr handler);
  DispatchPtr GetTimerManager() { return DispatchOf(FTimers); }
  DispatchPtr GetProcessLauncher() { return DispatchOf(FLauncher); }
  std::string GetInstallationFolder();
  DispatchPtr GetClientAPI() { return DispatchOf(FClientAPI); }
  DispatchPtr GetPluginRegistry() { return DispatchOf(FRegistry); }
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  ComPtr<THostClientAPI> FClientAPI;
  ComPtr<THostPluginRegistry> FRegistry;
  ComPtr<THostGUIManager> FGUI;
  ComPtr<THostTimerManager> FTimers;
  ComPtr<THostProcessLauncher> FLauncher;
  std::map<std::string, ComPtr<THostServerModule>> FServers;  // by upper-cased name
};

}  // namespace morvel::host
