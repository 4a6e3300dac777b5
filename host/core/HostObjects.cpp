// The simulated host's automation objects and their dispatch tables.
#include "core/HostObjects.h"

#include <algorithm>

#include "core/ProjectFile.h"
#include "sdk/DriverDispIds.h"
#include "sdk/FlowDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/IniFile.h"
#include "sdk/Param.h"
#include "sdk/Platform.h"
#include "sdk/Strings.h"

namespace morvel::host {

namespace id = dispid;

// ---- option storage

std::string OptionStorage::Key(const std::string& section, const std::string& name) {
  return UpperCase(section) + "\n" + UpperCase(name);
}

std::string OptionStorage::Read(const std::string& section, const std::string& name,
                                const std::string& fallback) const {
  const auto it = FEntries.find(Key(section, name));
  return it == FEntries.end() ? fallback : it->second.Value;
}

void OptionStorage::Write(const std::string& section, const std::string& name,
                          const std::string& value) {
  const auto [it, added] = FEntries.try_emplace(Key(section, name), Entry{section, name, value});
  if (!added) it->second.Value = value;
}

void OptionStorage::Remove(const std::string& section, const std::string& name) {
  FEntries.erase(Key(section, name));
}

// ---- base

const DispatchTable& THostObject::Table() {
  static const DispatchTable table({"HostObject"}, nullptr);
  return table;
}

HostStatePtr THostObject::State() const {
  HostStatePtr state = FState.lock();
  if (!state) throw OleError(E_UNEXPECTED, "The host has shut down");
  return state;
}

// ---- client API

const DispatchTable& THostClientAPI::Table() {
  using C = THostClientAPI;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::clientapi::GetApplicationFolder, C, GetApplicationFolder),
                      MORVEL_DISP(id::clientapi::GetInstallationFolder, C, GetInstallationFolder),
                      MORVEL_DISP(id::clientapi::GetSystemFolder, C, GetSystemFolder),
                      MORVEL_DISP(id::clientapi::SetCursor, C, SetCursor),
                      MORVEL_DISP(id::clientapi::HelpKeywordExists, C, HelpKeywordExists),
                      MORVEL_DISP(id::clientapi::ShowHelpKeyword, C, ShowHelpKeyword),
                      MORVEL_DISP(id::clientapi::GetProjectDisplayText, C, GetProjectDisplayText),
                      MORVEL_DISP(id::clientapi::GetMainWindowHandle, C, GetMainWindowHandle),
                      MORVEL_DISP(id::clientapi::IsShuttingDown, C, IsShuttingDown),
                      MORVEL_DISP(id::clientapi::ProcessMessages, C, ProcessMessages));
  static const DispatchTable table(kEntries, {"ClientAPI"}, &THostObject::Table());
  return table;
}

std::string THostClientAPI::GetApplicationFolder() {
  return IncludeTrailingPathDelimiter(State()->InstallFolder.string());
}
void THostClientAPI::ProcessMessages() {
  if (State()->PumpMessages) State()->PumpMessages();
}
std::string THostClientAPI::GetInstallationFolder() {
  return GetApplicationFolder();
}
std::string THostClientAPI::GetSystemFolder() {
  return IncludeTrailingPathDelimiter(State()->SystemFolder().string());
}

int32_t THostClientAPI::SetCursor(int32_t cursor) {
  HostStatePtr s = State();
  const int32_t previous = s->Cursors.empty() ? 0 : s->Cursors.back();
  s->Cursors.push_back(cursor);
  return previous;
}

bool THostClientAPI::HelpKeywordExists(const std::string& keyword) {
  // The simulated host ships no help file; every topic is unknown.
  (void)keyword;
  return false;
}

void THostClientAPI::ShowHelpKeyword(const std::string& keyword) {
  DialogRecord record;
  record.Type = id::dialog::Information;
  record.Caption = "Help";
  record.Text = "No help topic for " + keyword;
  State()->Dialogs.push_back(record);
}

std::string THostClientAPI::GetProjectDisplayText(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// ---- plug-in registry

const DispatchTable& THostPluginRegistryItem::Table() {
  using C = THostPluginRegistryItem;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::registry::ItemGetFolder, C, GetFolder),
                      MORVEL_DISP(id::registry::ItemGetFile, C, GetFile),
                      MORVEL_DISP(id::registry::ItemGetDisabled, C, GetDisabled));
  static const DispatchTable table(kEntries, {"PluginRegistryItem"}, &THostObject::Table());
  return table;
}

const RegistryItem& THostPluginRegistryItem::Item() {
  HostStatePtr s = State();
  if (FIndex >= s->Registry.size()) throw OleError(E_INVALIDARG, "The registry entry is gone");
  return s->Registry[FIndex];
}

std::string THostPluginRegistryItem::GetFolder() {
  return IncludeTrailingPathDelimiter(Item().Folder.string());
}
std::string THostPluginRegistryItem::GetFile() {
  return (Item().Folder / Item().File).string();
}
int32_t THostPluginRegistryItem::GetDisabled() {
  return Item().Disabled ? 1 : 0;
}

const DispatchTable& THostPluginRegistry::Table() {
  using C = THostPluginRegistry;
  static constexpr auto kEntries = DispatchEntries(MORVEL_DISP(id::registry::GetCount, C, GetCount),
                                                   MORVEL_DISP(id::registry::GetItem, C, GetItem));
  static const DispatchTable table(kEntries, {"PluginRegistry"}, &THostObject::Table());
  return table;
}

int32_t THostPluginRegistry::GetCount() {
  return static_cast<int32_t>(State()->Registry.size());
}

DispatchPtr THostPluginRegistry::GetItem(int32_t index) {
  HostStatePtr s = State();
  if (index < 0 || static_cast<size_t>(index) >= s->Registry.size()) return nullptr;
  return DispatchOf(MakeHostObject<THostPluginRegistryItem>(s, static_cast<size_t>(index)));
}

// ---- GUI manager

const DispatchTable& THostGUIManager::Table() {
  using C = THostGUIManager;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::gui::SetStatusBarText, C, SetStatusBarText),
                      MORVEL_DISP(id::gui::ShowPanel, C, ShowPanel),
                      MORVEL_DISP(id::gui::SetPanelSize, C, SetPanelSize),
                      MORVEL_DISP(id::gui::GetPanelSize, C, GetPanelSize),
                      MORVEL_DISP(id::gui::MessageDialog, C, MessageDialog),
                      MORVEL_DISP(id::gui::FileOpenDialog, C, FileOpenDialog));
  static const DispatchTable table(kEntries, {"GUIManager"}, &THostObject::Table());
  return table;
}

void THostGUIManager::SetStatusBarText(int32_t pane, const std::string& text) {
  HostStatePtr s = State();
  if (pane >= 0) {
    s->StatusBar[pane] = text;
    return;
  }
  // Negative panes are progress commands.
  const StatusCommand command{pane, text};
  s->ProgressCommands.push_back(command);
  if (s->OnProgress) s->OnProgress(command);
}

void THostGUIManager::ShowPanel(const std::string& name, bool visible) {
  HostStatePtr s = State();
  std::string& panel = s->Panels[name];
  const size_t blank = panel.find(' ');
  panel = std::string(visible ? "shown" : "hidden") +
          (blank == std::string::npos ? std::string(" 0,0") : panel.substr(blank));
}

void THostGUIManager::SetPanelSize(const std::string& name, int32_t width, int32_t height) {
  HostStatePtr s = State();
  std::string& panel = s->Panels[name];
  const std::string shown = panel.rfind("shown", 0) == 0 ? "shown" : "hidden";
  panel = shown + " " + std::to_string(width) + "," + std::to_string(height);
}

std::string THostGUIManager::GetPanelSize(const std::string& name) {
  HostStatePtr s = State();
  const auto it = s->Panels.find(name);
  if (it == s->Panels.end()) return "0,0";
  return it->second.substr(it->second.find(' ') + 1);
}

int32_t THostGUIManager::MessageDialog(int32_t type, const std::string& caption,
                                       const std::string& text) {
  HostStatePtr s = State();
  DialogRecord record;
  record.Type = type;
  record.Caption = caption;
  record.Text = text;
  s->Dialogs.push_back(record);
  if (s->OnDialog) s->OnDialog(record);
  return id::dialog::ResultOk;
}

std::string THostGUIManager::FileOpenDialog(const std::string& title, const std::string& filter,
                                            int32_t filterIndex, const std::string& initial) {
  // The simulated host has no screen: the user chose beforehand (on the command line), or the
  // dialog is cancelled. The initial file is only where a real dialog would start browsing.
  (void)initial;
  HostStatePtr s = State();
  DialogRecord record;
  record.Type = kFileOpenDialog;
  record.Caption = title;
  record.Filter = filter;
  record.FilterIndex = filterIndex;
  record.Answer = s->ChosenFile.value_or(std::string());
  record.Text = "open file, filter " + std::to_string(filterIndex) + " of \"" + filter + "\" -> " +
                (record.Answer.empty() ? std::string("cancelled (no file chosen)") : record.Answer);
  s->Dialogs.push_back(record);
  if (s->OnDialog) s->OnDialog(record);
  return record.Answer;
}

// ---- timers

const DispatchTable& THostTimerManager::Table() {
  using C = THostTimerManager;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::timer::AddTimer, C, AddTimer),
                      MORVEL_DISP(id::timer::RemoveTimer, C, RemoveTimer),
                      MORVEL_DISP(id::timer::EnableTimer, C, EnableTimer));
  static const DispatchTable table(kEntries, {"TimerManager"}, &THostObject::Table());
  return table;
}

int32_t THostTimerManager::AddTimer(DispatchPtr handler, int32_t intervalMs, bool enabled) {
  if (!handler) throw OleError(E_POINTER, "A timer needs a handler");
  HostStatePtr s = State();
  TimerRecord timer;
  timer.Id = s->NextTimerId++;
  timer.Handler = std::move(handler);
  timer.IntervalMs = std::max(intervalMs, 1);
  timer.Enabled = enabled;
  timer.Due = std::chrono::steady_clock::now() + std::chrono::milliseconds(timer.IntervalMs);
  s->Timers.push_back(std::move(timer));
  return s->Timers.back().Id;
}

void THostTimerManager::RemoveTimer(int32_t timerId) {
  HostStatePtr s = State();
  std::erase_if(s->Timers, [timerId](const TimerRecord& t) { return t.Id == timerId; });
}

void THostTimerManager::EnableTimer(int32_t timerId, bool enabled) {
  HostStatePtr s = State();
  for (TimerRecord& t : s->Timers)
    if (t.Id == timerId) {
      if (enabled && !t.Enabled)
        t.Due = std::chrono::steady_clock::now() + std::chrono::milliseconds(t.IntervalMs);
      t.Enabled = enabled;
    }
}

// ---- processes

const DispatchTable& THostProcessLauncher::Table() {
  using C = THostProcessLauncher;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::launcher::RunProcess, C, RunProcess));
  static const DispatchTable table(kEntries, {"ProcessLauncher"}, &THostObject::Table());
  return table;
}

void THostProcessLauncher::RunProcess(const std::string& name, InOut<std::string> parameters,
                                      const DispatchPtr& view) {
  HostStatePtr s = State();
  std::string params = parameters.Get();
  s->Processes.push_back({name, params});
  for (const auto& [processName, action] : s->ProcessActions)
    if (SameText(processName, name)) {
      action(params, view);
      parameters.Set(params);
      return;
    }
}

// ---- vendor tools

const DispatchTable& THostVendorToolManager::Table() {
  using C = THostVendorToolManager;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::vendortools::Descriptor, C, Descriptor),
                      MORVEL_DISP(id::vendortools::Present, C, Present),
                      MORVEL_DISP(id::vendortools::UpToDate, C, UpToDate),
                      MORVEL_DISP(id::vendortools::ToolPath, C, ToolPath),
                      MORVEL_DISP(id::vendortools::Version, C, Version));
  static const DispatchTable table(kEntries, {"VendorToolManager"}, &THostObject::Table());
  return table;
}

std::string THostVendorToolManager::Descriptor(const std::string& vendor) {
  return vendor + " tools";
}
bool THostVendorToolManager::Present(const std::string& vendor) {
  HostStatePtr s = State();
  const std::string prefix = UpperCase(vendor) + "\n";
  for (const auto& [key, path] : s->VendorToolPaths)
    if (key.rfind(prefix, 0) == 0 && !path.empty()) return true;
  return false;
}
bool THostVendorToolManager::UpToDate(const std::string& vendor) {
  return Present(vendor);
}
std::string THostVendorToolManager::ToolPath(const std::string& vendor, const std::string& tool) {
  HostStatePtr s = State();
  const auto it = s->VendorToolPaths.find(UpperCase(vendor) + "\n" + UpperCase(tool));
  return it == s->VendorToolPaths.end() ? std::string() : it->second;
}
std::string THostVendorToolManager::Version(const std::string& /*vendor*/) {
  return {};
}

const DispatchTable& THostServerModule::Table() {
  using C = THostServerModule;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::fpgaflow::GetVendorToolManager, C, GetVendorToolManager));
  static const DispatchTable table(kEntries, {"ServerModule"}, &THostObject::Table());
  return table;
}

DispatchPtr THostServerModule::GetVendorToolManager() {
  if (!SameText(FName, "FPGAFlow")) return nullptr;
  if (!FTools) FTools = MakeHostObject<THostVendorToolManager>(State());
  return DispatchOf(FTools);
}

// ---- messages

const DispatchTable& THostMessagesManager::Table() {
  using C = THostMessagesManager;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(id::messages::AddMessage, C, AddMessage),
      MORVEL_DISP(id::messages::AddMessageFromParameters, C, AddMessageFromParameters),
      MORVEL_DISP(id::messages::BeginUpdate, C, BeginUpdate),
      MORVEL_DISP(id::messages::EndUpdate, C, EndUpdate));
  static const DispatchTable table(kEntries, {"MessagesManager"}, &THostObject::Table());
  return table;
}

void THostMessagesManager::AddMessage(const std::string& messageClass, const std::string& text,
                                      const std::string& source, const std::string& document,
                                      const std::string& callBackProcess,
                                      const std::string& callBackParameters, int32_t imageIndex) {
  HostStatePtr s = State();
  s->Messages.push_back(
      {messageClass, text, source, document, callBackProcess, callBackParameters, imageIndex});
  if (s->OnMessage) s->OnMessage(s->Messages.back());
}

void THostMessagesManager::AddMessageFromParameters(const std::string& parameters,
                                                    const std::string& callBackParameters) {
  const TParameterList list(parameters);
  MessageRecord m;
  list.GetState_ParameterAsString("Class", m.Class);
  list.GetState_ParameterAsString("Text", m.Text);
  list.GetState_ParameterAsString("Source", m.Source);
  list.GetState_ParameterAsString("Document", m.Document);
  list.GetState_ParameterAsString("CallBackProcess", m.CallBackProcess);
  list.GetState_ParameterAsInteger("ImageIndex", m.ImageIndex);
  m.CallBackParameters = callBackParameters;
  HostStatePtr s = State();
  bool replaceIfLast = false;
  bool replaceSameClass = false;
  list.GetState_ParameterAsBoolean("ReplaceLastMessageIfSameClass", replaceIfLast);
  list.GetState_ParameterAsBoolean("ReplaceLastMessageOfSameClass", replaceSameClass);
  // A replaced message is news all the same: the terminal shows it as it comes.
  if (s->OnMessage) s->OnMessage(m);
  if ((replaceIfLast || replaceSameClass) && !s->Messages.empty() &&
      SameText(s->Messages.back().Class, m.Class)) {
    s->Messages.back() = m;
    return;
  }
  if (replaceSameClass) {
    for (auto it = s->Messages.rbegin(); it != s->Messages.rend(); ++it)
      if (SameText(it->Class, m.Class)) {
        *it = m;
        return;
      }
  }
  s->Messages.push_back(std::move(m));
}

void THostMessagesManager::BeginUpdate() {
  ++State()->MessageUpdateDepth;
}
void THostMessagesManager::EndUpdate() {
  HostStatePtr s = State();
  if (s->MessageUpdateDepth > 0) --s->MessageUpdateDepth;
}

// ---- projects and documents

const DispatchTable& THostDocument::Table() {
  using C = THostDocument;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::document::GetFileName, C, GetFileName),
                      MORVEL_DISP(id::document::FileAboutToChange, C, FileAboutToChange),
                      MORVEL_DISP(id::document::FileChanged, C, FileChanged));
  static const DispatchTable table(kEntries, {"Document"}, &THostObject::Table());
  return table;
}

const DispatchTable& THostProject::Table() {
  using C = THostProject;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::project::GetFileName, C, GetFileName),
                      MORVEL_DISP(id::project::GetDocumentCount, C, GetDocumentCount),
                      MORVEL_DISP(id::project::GetDocument, C, GetDocument),
                      MORVEL_DISP(id::project::GetUserID, C, GetUserID),
                      MORVEL_DISP(id::project::GetGoverningProject, C, GetGoverningProject),
                      MORVEL_DISP(id::project::GetOutputPath, C, GetOutputPath),
                      MORVEL_DISP(id::project::GetSynthesizer, C, GetSynthesizer),
                      MORVEL_DISP(id::options::Read, C, ReadOption),
                      MORVEL_DISP(id::options::Write, C, WriteOption),
                      MORVEL_DISP(id::options::Remove, C, RemoveOption));
  static const DispatchTable table(kEntries, {"Project"}, &THostObject::Table());
  return table;
}

DispatchPtr THostProject::GetDocument(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= FDocuments.size()) return nullptr;
  return DispatchOf(FDocuments[static_cast<size_t>(index)]);
}

void THostProject::AddDocument(const std::filesystem::path& path) {
  FDocuments.push_back(MakeHostObject<THostDocument>(State(), path));
  Save();
}

void THostProject::WriteOption(const std::string& section, const std::string& name,
                               const std::string& value) {
  Options.Write(section, name, value);
  Save();
}

void THostProject::RemoveOption(const std::string& section, const std::string& name) {
  Options.Remove(section, name);
  Save();
}

ComPtr<THostProject> THostProject::Load(const HostStatePtr& state,
                                        const std::filesystem::path& file) {
  const ProjectData data = LoadProjectFile(file);
  ComPtr<THostProject> project = MakeHostObject<THostProject>(state, data.File);
  project->Synthesizer = data.Synthesizer;
  project->OutputPath = data.OutputPath;
  project->UserID = data.UserID;
  for (const auto& document : data.Documents)
    project->FDocuments.push_back(MakeHostObject<THostDocument>(state, document));
  for (const auto& [section, name, value] : data.Options)
    project->Options.Write(section, name, value);
  project->FBacked = true;
  return project;
}

void THostProject::Save() {
  if (!FBacked) return;
  ProjectData data;
  data.File = FPath;
  data.Synthesizer = Synthesizer;
  data.OutputPath = OutputPath;
  data.UserID = UserID;
  for (const auto& d : FDocuments) data.Documents.push_back(d->Path());
  for (const auto& [key, entry] : Options.Entries()) {
    (void)key;
    data.Options.emplace_back(entry.Section, entry.Name, entry.Value);
  }
  SaveProjectFile(data);
}

const DispatchTable& THostWorkspace::Table() {
  using C = THostWorkspace;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::workspace::OutputLine, C, OutputLine),
                      MORVEL_DISP(id::workspace::GetOutputPanelNumber, C, GetOutputPanelNumber),
                      MORVEL_DISP(id::workspace::GetMessagesManager, C, GetMessagesManager),
                      MORVEL_DISP(id::workspace::GetProjectByPath, C, GetProjectByPath),
                      MORVEL_DISP(id::workspace::GetProjectCount, C, GetProjectCount),
                      MORVEL_DISP(id::workspace::GetProject, C, GetProject),
                      MORVEL_DISP(id::workspace::GetFocusedProject, C, GetFocusedProject),
                      MORVEL_DISP(id::workspace::GetDocumentByPath, C, GetDocumentByPath),
                      MORVEL_DISP(id::workspace::IsInteractive, C, IsInteractive),
                      MORVEL_DISP(id::options::Read, C, ReadOption),
                      MORVEL_DISP(id::options::Write, C, WriteOption),
                      MORVEL_DISP(id::options::Remove, C, RemoveOption));
  static const DispatchTable table(kEntries, {"Workspace"}, &THostObject::Table());
  return table;
}

void THostWorkspace::OutputLine(const std::string& text, bool /*a*/, bool /*b*/) {
  HostStatePtr s = State();
  s->OutputLines.push_back(text);
  if (s->OnOutputLine) s->OnOutputLine(text);
}

DispatchPtr THostWorkspace::GetMessagesManager() {
  if (!FMessages) FMessages = MakeHostObject<THostMessagesManager>(State());
  return DispatchOf(FMessages);
}

namespace {
bool SamePath(const std::filesystem::path& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return a.lexically_normal() == std::filesystem::path(b).lexically_normal();
}
}  // namespace

DispatchPtr THostWorkspace::GetProjectByPath(const std::string& path) {
  for (const auto& p : FProjects)
    if (SamePath(p->Path(), path)) return DispatchOf(p);
  return nullptr;
}

DispatchPtr THostWorkspace::GetProject(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= FProjects.size()) return nullptr;
  return DispatchOf(FProjects[static_cast<size_t>(index)]);
}

DispatchPtr THostWorkspace::GetFocusedProject() {
  return FFocused < FProjects.size() ? DispatchOf(FProjects[FFocused]) : nullptr;
}

DispatchPtr THostWorkspace::GetDocumentByPath(const std::string& path) {
  for (const auto& p : FProjects)
    for (const auto& d : p->Documents())
      if (SamePath(d->Path(), path)) return DispatchOf(d);
  return nullptr;
}

bool THostWorkspace::IsInteractive() {
  return State()->Interactive;
}

std::string THostWorkspace::ReadOption(const std::string& section, const std::string& name,
                                       const std::string& fallback) {
  return State()->WorkspaceOptions.Read(section, name, fallback);
}
void THostWorkspace::WriteOption(const std::string& section, const std::string& name,
                                 const std::string& value) {
  State()->WorkspaceOptions.Write(section, name, value);
}
void THostWorkspace::RemoveOption(const std::string& section, const std::string& name) {
  State()->WorkspaceOptions.Remove(section, name);
}

ComPtr<THostProject> THostWorkspace::OpenProject(const std::filesystem::path& file) {
  const auto absolute = std::filesystem::absolute(file).lexically_normal();
  for (const auto& p : FProjects)
    if (SamePath(p->Path(), absolute.string())) return p;
  FProjects.push_back(THostProject::Load(State(), absolute));
  FFocused = FProjects.size() - 1;
  return FProjects.back();
}

ComPtr<THostProject> THostWorkspace::AddProject(const std::filesystem::path& path) {
  FProjects.push_back(MakeHostObject<THostProject>(State(), path));
  FFocused = FProjects.size() - 1;
  return FProjects.back();
}

// ---- device manager and families

const DispatchTable& THostDeviceFamily::Table() {
  using C = THostDeviceFamily;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::family::GetName, C, GetName),
                      MORVEL_DISP(id::family::HasParameter, C, HasParameter),
                      MORVEL_DISP(id::family::GetParameter, C, GetParameter));
  static const DispatchTable table(kEntries, {"DeviceFamily"}, &THostObject::Table());
  return table;
}

bool THostDeviceFamily::HasParameter(const std::string& name) {
  HostStatePtr s = State();
  const auto family = s->FamilyParameters.find(UpperCase(FName));
  return family != s->FamilyParameters.end() && family->second.count(UpperCase(name)) > 0;
}

std::string THostDeviceFamily::GetParameter(const std::string& name) {
  HostStatePtr s = State();
  const auto family = s->FamilyParameters.find(UpperCase(FName));
  if (family == s->FamilyParameters.end()) return {};
  const auto it = family->second.find(UpperCase(name));
  return it == family->second.end() ? std::string() : it->second;
}

const DispatchTable& THostDeviceManager::Table() {
  using C = THostDeviceManager;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::devices::GetDeviceFamily, C, GetDeviceFamily),
                      MORVEL_DISP(id::devices::GetDeviceByName, C, GetDeviceByName));
  static const DispatchTable table(kEntries, {"DeviceManager"}, &THostObject::Table());
  return table;
}

DispatchPtr THostDeviceManager::GetDeviceFamily(const std::string& name) {
  HostStatePtr s = State();
  // Families are named with exact case, as the device-family registry names them.
  for (const auto& [key, parameters] : s->FamilyParameters) {
    (void)parameters;
    if (key == UpperCase(name)) return DispatchOf(MakeHostObject<THostDeviceFamily>(s, name));
  }
  return nullptr;
}

DispatchPtr THostDeviceManager::GetDeviceByName(const std::string& name) {
  HostStatePtr s = State();
  return s->DeviceByName ? s->DeviceByName(name) : nullptr;
}

// ---- host devices

const DispatchTable& THostDevice::Table() {
  using C = THostDevice;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(id::device::GetJTagChannel, C, GetJTagChannel),
      MORVEL_DISP(id::device::GetJTagDeviceIndex, C, GetJTagDeviceIndex),
      MORVEL_DISP(id::device::ReadRegister, C, ReadRegister),
      MORVEL_DISP(id::device::WriteRegister, C, WriteRegister),
      MORVEL_DISP(id::device::BeginAccess, C, BeginAccess),
      MORVEL_DISP(id::device::EndAccess, C, EndAccess),
      MORVEL_DISP(id::device::GetDeviceName, C, GetDeviceName),
      MORVEL_DISP(id::info::GetDeviceName, C, GetDeviceName),
      MORVEL_DISP(id::info::GetDeviceDescription, C, GetDeviceDescription),
      MORVEL_DISP(id::info::GetVendorName, C, GetVendorName),
      MORVEL_DISP(id::info::GetDownloadFileExtensions, C, GetDownloadFileExtensions),
      MORVEL_DISP(id::device::ResetDevice, C, ResetDevice),
      MORVEL_DISP(id::device::GetDeviceState, C, GetDeviceState),
      MORVEL_DISP(id::device::ProgramDevice, C, ProgramDevice));
  static const DispatchTable table(kEntries, {"MorvelDevice"}, &THostObject::Table());
  return table;
}

uint32_t THostDevice::ReadRegister(int32_t address, int32_t width) {
  const uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << std::max(width, 0)) - 1u;
  const uint32_t value = Registers[address] & mask;
  Trace.push_back({false, address, width, value});
  return value;
}

void THostDevice::WriteRegister(int32_t address, int32_t width, uint32_t value) {
  const uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << std::max(width, 0)) - 1u;
  Registers[address] = value & mask;
  Trace.push_back({true, address, width, value & mask});
}

std::string THostDevice::GetDeviceName() {
  return FDriver ? Call(FDriver, id::info::GetDeviceName).AsText() : std::string();
}

std::string THostDevice::GetDeviceDescription() {
  return FDriver ? Call(FDriver, id::info::GetDeviceDescription).AsText() : std::string();
}

std::string THostDevice::GetVendorName() {
  return FDriver ? Call(FDriver, id::info::GetVendorName).AsText() : std::string();
}

std::string THostDevice::GetDownloadFileExtensions() {
  return FDriver ? Call(FDriver, id::info::GetDownloadFileExtensions).AsText() : std::string();
}

bool THostDevice::ResetDevice() {
  return FDriver && Call(FDriver, id::driver::ResetDevice).AsBool();
}

int32_t THostDevice::GetDeviceState() {
  return FDriver ? Call(FDriver, id::driver::GetDeviceState).AsInt() : 0;
}

int32_t THostDevice::ProgramDevice(const std::string& fileName) {
  return FDriver ? Call(FDriver, id::driver::ProgramDevice, fileName).AsInt() : 0;
}

// ---- VHDL synthesis service

const DispatchTable& THostVHDLSynthesizer::Table() {
  using C = THostVHDLSynthesizer;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(id::synthesizer::GetProjectSynthesizer, C, GetProjectSynthesizer));
  static const DispatchTable table(kEntries, {"VHDLSynthesizer"}, &THostObject::Table());
  return table;
}

std::string THostVHDLSynthesizer::GetProjectSynthesizer(const DispatchPtr& project) {
  if (!project) throw OleError(E_INVALIDARG, "GetProjectSynthesizer needs a project");
  // The project object is the workspace's own; it knows what its project file chose.
  return Call(project, id::project::GetSynthesizer).AsText();
}

// ---- run display

const DispatchTable& THostFlowRunner::Table() {
  using C = THostFlowRunner;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::runner::RunStarted, C, RunStarted),
                      MORVEL_DISP(id::runner::StageStarted, C, StageStarted),
                      MORVEL_DISP(id::runner::AddSummaryItem, C, AddSummaryItem),
                      MORVEL_DISP(id::runner::RunFinished, C, RunFinished));
  static const DispatchTable table(kEntries, {"ProcessFlowRunner"}, &THostObject::Table());
  return table;
}

void THostFlowRunner::Record(const FlowEvent& event) {
  HostStatePtr s = State();
  s->FlowEvents.push_back(event);
  if (s->OnFlowEvent) s->OnFlowEvent(event);
}

void THostFlowRunner::RunStarted() {
  Record({FlowEvent::RunStarted, {}, {}, {}, {}, {}});
}

void THostFlowRunner::StageStarted(const DispatchPtr& stage) {
  const std::string name = stage ? Call(stage, id::flow::StageName).AsText() : std::string();
  Record({FlowEvent::StageStarted, name, {}, {}, {}, {}});
}

void THostFlowRunner::AddSummaryItem(const std::string& category, const std::string& item,
                                     const std::string& value, const std::string& source) {
  Record({FlowEvent::SummaryItem, {}, category, item, value, source});
}

void THostFlowRunner::RunFinished() {
  Record({FlowEvent::RunFinished, {}, {}, {}, {}, {}});
}

// ---- client

THostClient::THostClient(const HostStatePtr& state)
    : THostObject(state),
      FClientAPI(MakeHostObject<THostClientAPI>(state)),
      FRegistry(MakeHostObject<THostPluginRegistry>(state)),
      FGUI(MakeHostObject<THostGUIManager>(state)),
      FTimers(MakeHostObject<THostTimerManager>(state)),
      FLauncher(MakeHostObject<THostProcessLauncher>(state)) {}

const DispatchTable& THostClient::Table() {
  using C = THostClient;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(id::client::GetGUIManager, C, GetGUIManager),
      MORVEL_DISP(id::client::GetServerModule, C, GetServerModule),
      MORVEL_DISP(id::client::RegisterNotificationHandler, C, RegisterNotificationHandler),
      MORVEL_DISP(id::client::UnregisterNotificationHandler, C, UnregisterNotificationHandler),
      MORVEL_DISP(id::client::GetTimerManager, C, GetTimerManager),
      MORVEL_DISP(id::client::GetProcessLauncher, C, GetProcessLauncher),
      MORVEL_DISP(id::client::GetInstallationFolder, C, GetInstallationFolder),
      MORVEL_DISP(id::client::GetClientAPI, C, GetClientAPI),
      MORVEL_DISP(id::client::GetPluginRegistry, C, GetPluginRegistry));
  static const DispatchTable table(kEntries, {"Client"}, &THostObject::Table());
  return table;
}

DispatchPtr THostClient::GetServerModule(const std::string& name) {
  // Only the FPGA flow server exists in the simulated host; asking starts it.
  if (!SameText(name, "FPGAFlow")) return nullptr;
  ComPtr<THostServerModule>& server = FServers[UpperCase(name)];
  if (!server) server = MakeHostObject<THostServerModule>(State(), name);
  return DispatchOf(server);
}

void THostClient::RegisterNotificationHandler(DispatchPtr handler) {
  if (handler) State()->NotificationHandlers.push_back(std::move(handler));
}

void THostClient::UnregisterNotificationHandler(DispatchPtr handler) {
  HostStatePtr s = State();
  std::erase_if(s->NotificationHandlers,
                [&](const DispatchPtr& h) { return h.Get() == handler.Get(); });
}

std::string THostClient::GetInstallationFolder() {
  return IncludeTrailingPathDelimiter(State()->InstallFolder.string());
}

}  // namespace morvel::host
