// The simulated host's inner state: what a real host keeps in its panels, status bar, option
// storage and dialogs, held in memory so that tests can inspect it and the command line can
// print it. Host objects share it, so an object the plug-in still holds stays valid.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/ComPtr.h"

namespace morvel::host {

struct MessageRecord {
  std::string Class;
  std::string Text;
  std::string Source;
  std::string Document;
  std::string CallBackProcess;
  std::string CallBackParameters;
  int32_t ImageIndex = 0;
};

// A file-open dialog, recorded beside the message dialogs (whose types are dispid::dialog's).
inline constexpr int32_t kFileOpenDialog = 100;

struct DialogRecord {
  int32_t Type = 0;  // dispid::dialog, or kFileOpenDialog
  std::string Caption;
  std::string Text;  // of a file-open dialog: its request and answer in words
  // A file-open dialog's request ("Name|mask|Name|mask", the selected one from 1) and the file
  // it answered, empty when cancelled.
  std::string Filter;
  int32_t FilterIndex = 0;
  std::string Answer;
};

struct ProcessRecord {
  std::string Name;
  std::string Parameters;
};

struct StatusCommand {
  int32_t Pane = 0;
  std::string Text;
};

// What the run display saw: a run starting or finishing, a stage starting, a summary item.
struct FlowEvent {
  enum Kind { RunStarted, StageStarted, SummaryItem, RunFinished } What = RunStarted;
  std::string Stage;     // the stage's name, for StageStarted
  std::string Category;  // the four texts of a summary item
  std::string Item;
  std::string Value;
  std::string Source;
};

struct RegistryItem {
  std::filesystem::path Folder;
  std::string File;
  bool Disabled = false;
};

struct TimerRecord {
  int32_t Id = 0;
  DispatchPtr Handler;
  int32_t IntervalMs = 0;
  bool Enabled = false;
  std::chrono::steady_clock::time_point Due;
};

// Option storage: section and name (compared without regard to case) to value; the names keep
// the case they were first written with.
class OptionStorage {
 public:
  struct Entry {
    std::string Section;
    std::string Name;
    std::string Value;
  };
  std::string Read(const std::string& section, const std::string& name,
                   const std::string& fallback) const;
  void Write(const std::string& section, const std::string& name, const std::string& value);
  void Remove(const std::string& section, const std::string& name);
  const std::map<std::string, Entry>& Entries() const { return FEntries; }

 private:
  static std::string Key(const std::string& section, const std::string& name);
  std::map<std::string, Entry> FEntries;  // "SECTION\nNAME" -> entry
};

// The JTAG chain position of a host device, as the host models it until a channel exists.
struct RegisterAccess {
  bool Write = false;
  int32_t Address = 0;
  int32_t Width = 0;
  uint32_t Value = 0;
};

struct HostState {
  std::filesystem::path InstallFolder;
  bool Interactive = false;  // a user is at the screen (dialogs would block)

  std::vector<RegistryItem> Registry;
  std::vector<std::string> OutputLines;
  std::vector<MessageRecord> Messages;
  int32_t MessageUpdateDepth = 0;
  std::map<int32_t, std::string> StatusBar;
  std::vector<StatusCommand> ProgressCommands;
  std::vector<DialogRecord> Dialogs;
  std::vector<ProcessRecord> Processes;
  std::vector<int32_t> Cursors;
  std::map<std::string, std::string> Panels;  // name -> "visible width,height"
  OptionStorage WorkspaceOptions;
  std::map<std::string, std::map<std::string, std::string>> FamilyParameters;
  std::map<std::string, std::string> VendorToolPaths;  // "VENDOR\nTOOL" -> path
  // One turn of the host's event loop, for plug-ins that wait on a tool.
  std::function<void()> PumpMessages;
  // The file the file-open dialog answers: a user's choice made before the dialog appears (the
  // command line's --choose); without one the dialog is cancelled.
  std::optional<std::string> ChosenFile;

  std::vector<TimerRecord> Timers;
  int32_t NextTimerId = 1;
  std::vector<DispatchPtr> NotificationHandlers;
  std::vector<std::function<void()>> Posted;

  // Actions a process name runs when launched (later work plugs them in).
  std::map<std::string, std::function<void(std::string& parameters, const DispatchPtr& view)>>
      ProcessActions;
  // Called for every progress command, so a terminal can draw a bar.
  std::function<void(const StatusCommand&)> OnProgress;
  std::vector<FlowEvent> FlowEvents;
  std::function<void(const FlowEvent&)> OnFlowEvent;
  // Called for every dialog, so the command line can print it as it happens.
  std::function<void(const DialogRecord&)> OnDialog;
  // Called for every line of the output panel and every message of the messages panel, as
  // they arrive, so a run can be followed on the terminal.
  std::function<void(const std::string&)> OnOutputLine;
  std::function<void(const MessageRecord&)> OnMessage;
  // Called at the end of every turn of the event loop, for work that waits for the host to be
  // idle (a stop the user asked for, output held back to be merged).
  std::function<void()> OnIdle;
  // Resolves a device name to the device-information object of a loaded plug-in.
  std::function<DispatchPtr(const std::string&)> DeviceByName;

  std::filesystem::path SystemFolder() const { return InstallFolder / "System"; }
};

using HostStatePtr = std::shared_ptr<HostState>;

}  // namespace morvel::host
