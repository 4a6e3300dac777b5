// The build-flow commands: a project handed to a driver's flows, their stages and states, runs
// of the build and the download followed on the terminal, and the options of a vendor stage.
#include "cli/FlowCommands.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>

#include "Session.h"
#include "cli/Cli.h"
#include "core/ProjectFile.h"
#include "sdk/DriverDispIds.h"
#include "sdk/FlowDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/Strings.h"

namespace morvel::host {

namespace fs = std::filesystem;

std::string FlowRunResultName(int32_t result) {
  switch (static_cast<FlowRunResult>(result)) {
    case FlowRunResult::DidNotRun: return "DidNotRun";
    case FlowRunResult::Cancelled: return "Cancelled";
    case FlowRunResult::Failure: return "Failure";
    case FlowRunResult::Success: return "Success";
  }
  return "unknown result " + std::to_string(result);
}

std::string FlowStateName(int32_t state) {
  switch (static_cast<FlowState>(state)) {
    case FlowState::UpToDate: return "UpToDate";
    case FlowState::OutOfDate: return "OutOfDate";
    case FlowState::Missing: return "Missing";
    case FlowState::None: return "None";
  }
  return "unknown state " + std::to_string(state);
}

std::string PlainCaption(const std::string& caption) {
  std::string plain;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') {
      plain += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
      plain += '&';
      ++i;
    }
  }
  return plain;
}

fs::path FindProjectFile(const std::string& argument) {
  if (argument.empty()) throw ProjectFileError("the project argument is empty");
  std::error_code ec;
  fs::path path = fs::absolute(argument, ec).lexically_normal();
  if (ec || !fs::exists(path, ec))
    throw ProjectFileError("project " + argument + " does not exist");
  if (!fs::is_directory(path, ec)) return path;
  std::vector<fs::path> found;
  fs::directory_iterator it(path, ec);
  if (ec) throw ProjectFileError("cannot read folder " + path.string() + ": " + ec.message());
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code typeError;
    if (it->is_regular_file(typeError) && SameText(it->path().extension().string(), ".PrjFpg"))
      found.push_back(it->path());
  }
  if (ec) throw ProjectFileError("cannot read folder " + path.string() + ": " + ec.message());
  std::sort(found.begin(), found.end());
  if (found.empty())
    throw ProjectFileError("folder " + path.string() + " holds no project file (*.PrjFpg)");
  if (found.size() > 1) {
    std::string names;
    for (const fs::path& f : found) names += (names.empty() ? "" : ", ") + f.filename().string();
    throw ProjectFileError("folder " + path.string() + " holds " + std::to_string(found.size()) +
                           " project files (" + names + "); name the one to use");
  }
  return found.front();
}

FlowProject OpenFlowProject(CommandContext& ctx, const std::string& argument) {
  const fs::path file = FindProjectFile(argument);
  FlowProject p;
  p.Device = SelectDevice(ctx);
  HostApp& host = ctx.GetSession().Board();
  p.Project = host.Workspace()->OpenProject(file);
  const fs::path output(p.Project->OutputPath);
  std::error_code ec;
  fs::create_directories(output.parent_path(), ec);
  if (ec)
    throw std::runtime_error("cannot make the output folder " + output.parent_path().string() +
                             ": " + ec.message());
  const DispatchPtr& driver = p.Device.Device->Driver();
  p.Build = Call(driver, dispid::driver::FlowStage_Build).AsObject();
  p.Download = Call(driver, dispid::driver::FlowStage_Download).AsObject();
  for (const DispatchPtr& flow : {p.Build, p.Download}) {
    if (!flow) continue;
    Call(flow, dispid::flow::SetBasePath, output.string());
    Call(flow, dispid::flow::ProjectChanged, p.Project->Path().string());
    // A stage skips its work by the state it last computed: compute it from the files now,
    // as the flow panel does when a project opens.
    Call(flow, dispid::flow::UpdateFlowState);
  }
  return p;
}

namespace {

// ---- Ctrl-C

// Set by the first Ctrl-C; the host's event loop acts on it, since the flow may only be called
// from the host's own thread and not from a signal handler.
volatile std::sig_atomic_t gInterrupted = 0;

void HandleInterrupt(int /*signal*/) {
  if (gInterrupted != 0) {
    static const char kMessage[] = "\nmorvel-host: interrupted\n";
    if (write(STDERR_FILENO, kMessage, sizeof kMessage - 1) < 0) {
      // Nothing to be done: the program ends anyway.
    }
    _exit(130);
  }
  gInterrupted = 1;
}

// Catches Ctrl-C while it lives, and restores what was there before.
class InterruptGuard {
 public:
  InterruptGuard() {
    gInterrupted = 0;
    struct sigaction action {};
    action.sa_handler = HandleInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &FPrevious);
  }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
  ~InterruptGuard() { sigaction(SIGINT, &FPrevious, nullptr); }

 private:
  struct sigaction FPrevious {};
};

// ---- the run on the terminal

std::string Plural(int count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// Prints rows in columns as wide as their widest cell.
void PrintTable(const std::vector<std::vector<std::string>>& rows, const char* indent) {
  std::vector<size_t> widths;
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) {
      if (widths.size() <= c) widths.push_back(0);
      widths[c] = std::max(widths[c], row[c].size());
    }
  for (const auto& row : rows) {
    std::string line = indent;
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  }
}

// Follows a run through the host's hooks: stages as they start, output lines and messages as
// they arrive, summary items kept for the end. A stage reports most texts twice, as an output
// line and as a message of its class, in either order; the two become one classified line.
class RunDisplay {
 public:
  RunDisplay(HostApp& host, DispatchPtr flow, const RunDisplayOptions& options)
      : FState(host.Data()), FFlow(std::move(flow)), FOptions(options), FProgress(host.Data()) {
    if (FFlow) FFlowName = Call(FFlow, dispid::flow::StageName).AsText();
    FSavedDialog = FState.OnDialog;
    FState.OnOutputLine = [this](const std::string& text) { Line(text); };
    FState.OnMessage = [this](const MessageRecord& m) { Message(m); };
    FState.OnFlowEvent = [this](const FlowEvent& e) { Event(e); };
    FState.OnIdle = [this] { Idle(); };
    FState.OnDialog = [this](const DialogRecord& d) {
      Flush();
      if (FSavedDialog) FSavedDialog(d);
    };
  }
  RunDisplay(const RunDisplay&) = delete;
  RunDisplay& operator=(const RunDisplay&) = delete;
  ~RunDisplay() {
    Flush();
    FState.OnOutputLine = nullptr;
    FState.OnMessage = nullptr;
    FState.OnFlowEvent = nullptr;
    FState.OnIdle = nullptr;
    FState.OnDialog = FSavedDialog;
  }

  void Flush() {
    if (!FPending) return;
    const Pending p = std::move(*FPending);
    FPending.reset();
    std::string word;
    bool shown = FOptions.ToolOutput;
    if (p.Message) {
      const std::string& c = p.Message->Class;
      if (SameText(c, "ProcessFlowError")) {
        word = "error";
        shown = true;
      } else if (SameText(c, "ProcessFlowWarning")) {
        word = "warning";
        shown = true;
      } else if (SameText(c, "ProcessFlowInfo") || SameText(c, "ProcessFlowProgress")) {
        word = "info";
      } else {
        // Messages of other kinds (a locked file, ...) need the user.
        word = c;
        shown = true;
      }
    }
    if (!shown) return;
    std::printf("%9s | %s\n", word.c_str(), p.Text.c_str());
    std::fflush(stdout);
  }

  void Fill(RunOutcome& outcome) {
    Flush();
    outcome.Errors = FErrors;
    outcome.Warnings = FWarnings;
    outcome.StopRequested = FStopRequested;
    outcome.StagesStarted = FStagesStarted;
    outcome.Summary = FSummary;
  }

 private:
  struct Pending {
    std::string Text;
    std::optional<MessageRecord> Message;
    bool Line = false;
  };

  // Message texts travel in parameter strings, which trim them.
  static bool SameLine(const std::string& a, const std::string& b) { return Trim(a) == Trim(b); }

  void Line(const std::string& text) {
    if (FPending && FPending->Message && !FPending->Line && SameLine(FPending->Text, text)) {
      // The line keeps its indentation, which the message lost.
      FPending->Text = text;
      FPending->Line = true;
      Flush();
      return;
    }
    Flush();
    FPending = Pending{text, std::nullopt, true};
  }

  void Message(const MessageRecord& m) {
    if (SameText(m.Class, "ProcessFlowError")) ++FErrors;
    if (SameText(m.Class, "ProcessFlowWarning")) ++FWarnings;
    if (FPending && FPending->Line && !FPending->Message && SameLine(FPending->Text, m.Text)) {
      FPending->Message = m;
      Flush();
      return;
    }
    Flush();
    FPending = Pending{m.Text, m, false};
  }

  void Event(const FlowEvent& e) {
    Flush();
    if (e.What == FlowEvent::StageStarted) {
      ++FStagesStarted;
      // The stage that was asked to run has its heading already.
      if (e.Stage == FFlowName) return;
      std::printf("-- %s\n", e.Stage.c_str());
      std::fflush(stdout);
    } else if (e.What == FlowEvent::SummaryItem) {
      FSummary.push_back(e);
    }
  }

  // Between two steps of a waiting stage: the held-back line goes out, and a Ctrl-C becomes a
  // Stop of the running flow.
  void Idle() {
    Flush();
    if (gInterrupted == 0 || FStopRequested || !FFlow) return;
    FStopRequested = true;
    std::fprintf(stderr, "morvel-host: stopping the %s (press Ctrl-C again to quit at once)\n",
                 FOptions.Activity.c_str());
    try {
      Call(FFlow, dispid::flow::Stop);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "morvel-host: the flow did not stop: %s\n", e.what());
    }
  }

  HostState& FState;
  DispatchPtr FFlow;
  std::string FFlowName;
  RunDisplayOptions FOptions;
  TerminalProgress FProgress;
  std::function<void(const DialogRecord&)> FSavedDialog;
  std::optional<Pending> FPending;
  std::vector<FlowEvent> FSummary;
  int FErrors = 0;
  int FWarnings = 0;
  int FStagesStarted = 0;
  bool FStopRequested = false;
};

// Runs `run` with a fresh run display, the terminal following it.
RunOutcome FollowRun(HostApp& host, const DispatchPtr& flow, const RunDisplayOptions& options,
                     const std::function<Variant(const DispatchPtr& runner)>& run) {
  const ComPtr<THostFlowRunner> runner = MakeHostObject<THostFlowRunner>(host.State());
  RunOutcome outcome;
  const InterruptGuard interrupt;
  RunDisplay display(host, flow, options);
  bool raised = false;
  try {
    outcome.Result = run(DispatchOf(runner)).AsInt();
  } catch (const std::exception& e) {
    raised = true;
    // The flow closes its run also after an error; the stage that was running failed.
    display.Flush();
    std::fprintf(stderr, "morvel-host: the %s ended with an error: %s\n", options.Activity.c_str(),
                 e.what());
    outcome.Result = static_cast<int32_t>(FlowRunResult::Failure);
  }
  display.Fill(outcome);
  if (raised) ++outcome.Errors;
  if (gInterrupted != 0 && !outcome.StopRequested)
    std::fprintf(stderr,
                 "morvel-host: Ctrl-C came while the %s could not be stopped (programming a "
                 "device is not interrupted); it ran to its end\n",
                 options.Activity.c_str());
  return outcome;
}

}  // namespace

RunOutcome RunFlow(HostApp& host, const DispatchPtr& flow, int32_t runEntry,
                   const RunDisplayOptions& options) {
  return FollowRun(host, flow, options,
                   [&](const DispatchPtr& runner) { return Call(flow, runEntry, runner); });
}

void PrintRunOutcome(const RunOutcome& outcome) {
  if (outcome.StagesStarted == 0 && outcome.Result == static_cast<int32_t>(FlowRunResult::Success))
    std::printf("Everything is up to date: nothing ran.\n");
  std::printf("\n%s, %s\n", Plural(outcome.Errors, "error").c_str(),
              Plural(outcome.Warnings, "warning").c_str());
  if (!outcome.Summary.empty()) {
    std::vector<std::vector<std::string>> rows{{"Category", "Item", "Value"}};
    for (const FlowEvent& e : outcome.Summary)
      rows.push_back({Trim(e.Category), Trim(e.Item), Trim(e.Value)});
    std::printf("Summary:\n");
    PrintTable(rows, "  ");
  }
  const bool stopped =
      outcome.StopRequested && outcome.Result == static_cast<int32_t>(FlowRunResult::Cancelled);
  std::printf("Result: %s%s\n", FlowRunResultName(outcome.Result).c_str(),
              stopped ? " (stopped with Ctrl-C)" : "");
  std::fflush(stdout);
}

namespace {

// ---- stages

struct StageRow {
  DispatchPtr Stage;
  int Depth = 0;
};

// The flow and every stage below it, parents first.
void CollectStages(const DispatchPtr& flow, int depth, std::vector<StageRow>& rows) {
  // Flows are the plug-in's: a tree that loops back on itself must not hang the host.
  if (depth > 16) throw std::runtime_error("the flow's stages are nested too deeply");
  rows.push_back({flow, depth});
  const int32_t count = Call(flow, dispid::flow::GetChildStageCount).AsInt();
  for (int32_t i = 0; i < count; ++i)
    if (const DispatchPtr child = Call(flow, dispid::flow::GetChildStage, i).AsObject())
      CollectStages(child, depth + 1, rows);
}

std::vector<StageRow> AllStages(const FlowProject& p) {
  std::vector<StageRow> rows;
  if (p.Build) CollectStages(p.Build, 0, rows);
  if (p.Download) CollectStages(p.Download, 0, rows);
  return rows;
}

std::string StageName(const DispatchPtr& stage) {
  return Call(stage, dispid::flow::StageName).AsText();
}

// The stage a user named, without regard to case; a usage error listing the names otherwise.
DispatchPtr FindStage(const std::vector<StageRow>& rows, const std::string& name) {
  std::string names;
  for (const StageRow& row : rows) {
    const std::string stageName = StageName(row.Stage);
    if (SameText(stageName, name)) return row.Stage;
    names += (names.empty() ? "" : ", ") + stageName;
  }
  throw UsageError("no stage '" + name + "'; the stages are: " + names);
}

void PrintProjectHeader(const FlowProject& p) {
  std::printf("Project: %s\n", p.Project->Path().c_str());
  std::printf("Device:  %d (%s)\n", p.Device.Index, p.Device.Name.c_str());
  std::printf("Output:  %s\n", p.Project->OutputPath.c_str());
}

int NoFlow(const FlowProject& p, const char* what) {
  std::fprintf(stderr, "morvel-host: the driver of %s offers no %s\n", p.Device.Name.c_str(), what);
  return kExitFailure;
}

const std::string& ProjectArgument(CommandContext& ctx, const char* command) {
  ctx.ExpectArgs(1, 1,
                 (std::string(command) + " takes one PROJECT (a project file, or a folder that "
                                         "holds one)")
                     .c_str());
  return ctx.Args()[0];
}

// ---- flow

int RunFlowCommand(CommandContext& ctx) {
  const FlowProject p = OpenFlowProject(ctx, ProjectArgument(ctx, "flow"));
  PrintProjectHeader(p);
  std::printf("\n");
  std::vector<std::vector<std::string>> table{{"Stage", "Input", "Output", "State", "Last run"}};
  for (const DispatchPtr& root : {p.Build, p.Download}) {
    if (!root) continue;
    Call(root, dispid::flow::UpdateFlowState);
    std::vector<StageRow> rows;
    CollectStages(root, 0, rows);
    for (const StageRow& row : rows) {
      const DispatchPtr& s = row.Stage;
      std::string caption = std::string(static_cast<size_t>(row.Depth) * 2, ' ') +
                            PlainCaption(Call(s, dispid::flow::StageCaption).AsText());
      if (!Call(s, dispid::flow::CanRun).AsBool()) caption += " (cannot run)";
      table.push_back({caption, Call(s, dispid::flow::InputDescription).AsText(),
                       Call(s, dispid::flow::OutputDescription).AsText(),
                       FlowStateName(Call(s, dispid::flow::FlowState).AsInt()),
                       FlowRunResultName(Call(s, dispid::flow::LastRunResult).AsInt())});
    }
  }
  PrintTable(table, "");
  if (!p.Build) std::printf("(the driver offers no build flow)\n");
  if (!p.Download) std::printf("(the driver offers no download stage)\n");
  return kExitOk;
}

// ---- build

int RunBuildCommand(CommandContext& ctx) {
  const std::string& argument = ProjectArgument(ctx, "build");
  if (ctx.Has("all") && ctx.Has("if-out-of-date"))
    throw UsageError("build takes --all or --if-out-of-date, not both");
  const FlowProject p = OpenFlowProject(ctx, argument);
  if (!p.Build) return NoFlow(p, "build flow");
  DispatchPtr target = p.Build;
  if (ctx.Has("stage")) {
    std::vector<StageRow> rows;
    CollectStages(p.Build, 0, rows);
    target = FindStage(rows, ctx.Get("stage"));
  }
  DISPID entry = dispid::flow::Run;
  const char* how = "run";
  if (ctx.Has("all")) {
    entry = dispid::flow::RunAll;
    how = "every stage run";
  } else if (ctx.Has("if-out-of-date")) {
    entry = dispid::flow::RunIfOutOfDate;
    how = "run if out of date";
  }
  PrintProjectHeader(p);
  std::printf("\n== %s (%s)\n",
              PlainCaption(Call(target, dispid::flow::StageCaption).AsText()).c_str(), how);
  RunDisplayOptions options;
  options.ToolOutput = !ctx.Has("quiet");
  const RunOutcome outcome = RunFlow(ctx.GetSession().Host(), target, entry, options);
  PrintRunOutcome(outcome);
  Call(p.Build, dispid::flow::UpdateFlowState);
  return outcome.Result == static_cast<int32_t>(FlowRunResult::Success) ? kExitOk : kExitFailure;
}

// ---- download

int RunDownloadCommand(CommandContext& ctx) {
  const std::string& argument = ProjectArgument(ctx, "download");
  std::string chosen;
  if (ctx.Has("choose")) {
    chosen = ctx.Get("choose");
    if (chosen.empty()) throw UsageError("--choose needs a FILE");
  }
  const FlowProject p = OpenFlowProject(ctx, argument);
  if (!p.Download) return NoFlow(p, "download stage");
  HostApp& host = ctx.GetSession().Host();
  PrintProjectHeader(p);
  RunDisplayOptions options;
  options.Activity = "download";
  RunOutcome outcome;
  if (chosen.empty()) {
    std::printf("\n== %s\n",
                PlainCaption(Call(p.Download, dispid::flow::StageCaption).AsText()).c_str());
    outcome = RunFlow(host, p.Download, dispid::flow::Run, options);
  } else {
    // The stage asks for the file with the host's file-open dialog; the user chose already.
    std::error_code ec;
    host.Data().ChosenFile = fs::absolute(chosen, ec).lexically_normal().string();
    std::printf("\n== %s with a chosen file\n",
                PlainCaption(Call(p.Download, dispid::flow::StageCaption).AsText()).c_str());
    outcome = FollowRun(host, p.Download, options, [&](const DispatchPtr& /*runner*/) {
      return Call(p.Download, dispid::download::ProgramChosenFile);
    });
  }
  PrintRunOutcome(outcome);
  ShowState(p.Device);
  ShowUserCode(p.Device);
  return outcome.Result == static_cast<int32_t>(FlowRunResult::Success) ? kExitOk : kExitFailure;
}

// ---- options

struct StageOption {
  std::string Name;
  std::string Section;
  std::string Value;
  std::string Allowed;
};

std::vector<StageOption> ReadOptions(const DispatchPtr& stage, int32_t count) {
  std::vector<StageOption> options;
  // The count is the plug-in's word: no more room than a real option set needs up front.
  options.reserve(static_cast<size_t>(std::clamp(count, 0, 1024)));
  for (int32_t i = 0; i < count; ++i)
    options.push_back({Call(stage, dispid::vendoroptions::OptionName, i).AsText(),
                       Call(stage, dispid::vendoroptions::OptionSection, i).AsText(),
                       Call(stage, dispid::vendoroptions::OptionValue, i).AsText(),
                       Call(stage, dispid::vendoroptions::OptionValues, i).AsText()});
  return options;
}

std::string Allowed(const std::string& comma) {
  std::string out;
  size_t start = 0;
  while (start <= comma.size()) {
    const size_t end = std::min(comma.find(',', start), comma.size());
    out += (out.empty() ? "" : ", ") + Trim(comma.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

void PrintOptions(const std::vector<StageOption>& options) {
  // Sections in the order the set first names them, each option in the set's order.
  std::vector<std::string> sections;
  for (const StageOption& o : options)
    if (std::none_of(sections.begin(), sections.end(),
                     [&](const std::string& s) { return SameText(s, o.Section); }))
      sections.push_back(o.Section);
  for (const std::string& section : sections) {
    std::printf("  [%s]\n", section.c_str());
    for (const StageOption& o : options) {
      if (!SameText(o.Section, section)) continue;
      std::printf("    %s = %s", o.Name.c_str(), o.Value.c_str());
      if (!o.Allowed.empty()) std::printf("   (one of: %s)", Allowed(o.Allowed).c_str());
      std::printf("\n");
    }
  }
}

int RunOptionsCommand(CommandContext& ctx) {
  const std::string& argument = ProjectArgument(ctx, "options");
  if (!ctx.Has("stage"))
    throw UsageError("options needs --stage NAME ('flow PROJECT' lists the stages)");
  std::vector<std::pair<std::string, std::string>> sets;
  for (const std::string& set : ctx.GetAll("set")) {
    const size_t eq = set.find('=');
    if (eq == std::string::npos || Trim(set.substr(0, eq)).empty())
      throw UsageError("--set needs NAME=VALUE, not '" + set + "'");
    sets.emplace_back(Trim(set.substr(0, eq)), set.substr(eq + 1));
  }
  const FlowProject p = OpenFlowProject(ctx, argument);
  if (!p.Build && !p.Download) return NoFlow(p, "build flow");
  const DispatchPtr stage = FindStage(AllStages(p), ctx.Get("stage"));
  const std::string name = StageName(stage);
  int32_t count = 0;
  try {
    count = Call(stage, dispid::vendoroptions::OptionCount).AsInt();
  } catch (const OleError&) {
    std::fprintf(stderr, "morvel-host: %s runs no vendor tool and has no options\n", name.c_str());
    return kExitFailure;
  }
  std::vector<StageOption> options = ReadOptions(stage, count);

  // Every name is checked before anything changes, so a typing error changes nothing.
  for (const auto& set : sets) {
    if (std::none_of(options.begin(), options.end(),
                     [&](const StageOption& o) { return SameText(o.Name, set.first); })) {
      std::fprintf(stderr, "morvel-host: %s has no option '%s'\n", name.c_str(), set.first.c_str());
      return kExitFailure;
    }
  }
  for (const auto& [option, value] : sets) {
    if (!Call(stage, dispid::vendoroptions::SetOptionValue, option, value).AsBool()) {
      std::string allowed;
      for (const StageOption& o : options)
        if (SameText(o.Name, option) && !o.Allowed.empty())
          allowed = " (one of: " + Allowed(o.Allowed) + ")";
      std::fprintf(stderr, "morvel-host: %s refused %s=%s%s\n", name.c_str(), option.c_str(),
                   value.c_str(), allowed.c_str());
      return kExitFailure;
    }
    std::printf("Set %s = %s\n", option.c_str(), value.c_str());
  }
  if (!sets.empty()) options = ReadOptions(stage, count);

  std::printf("Options of %s (kept in %s):\n", name.c_str(), p.Project->Path().c_str());
  if (options.empty()) std::printf("  (none)\n");
  PrintOptions(options);

  if (ctx.Has("show-script")) {
    const std::string tool = Call(stage, dispid::vendoroptions::ToolPath).AsText();
    std::printf("\nTool: %s\n", tool.empty() ? "(not found)" : tool.c_str());
    std::printf("Parameters: %s\n",
                Call(stage, dispid::vendoroptions::CommandLineText, true).AsText().c_str());
    const std::string script = Call(stage, dispid::vendoroptions::ScriptText, true).AsText();
    std::printf("Script:\n");
    if (script.empty()) std::printf("  (none)\n");
    size_t start = 0;
    while (start < script.size()) {
      const size_t end = std::min(script.find('\n', start), script.size());
      std::printf("  %s\n", script.substr(start, end - start).c_str());
      start = end + 1;
    }
  }
  return kExitOk;
}

// ---- registration

const OptionSpec kIndexOption{"index", "N",
                              "the board position of the device to build for (default 0)"};

const char* const kProjectHelp =
    "\n\nPROJECT is a host project file (*.PrjFpg) or a folder holding exactly one. Its\n"
    "OutputPath names the build's files (their folder is made when missing); the device is\n"
    "the board position --index selects (see 'chain'). The sample project is\n"
    "Examples/Counter in the installation folder; copy it before building, the build writes\n"
    "beside it.";

const std::string kFlowHelp =
    std::string(
        "Lists the build flow's stages and the download stage: caption, input and output,\n"
        "flow state (UpToDate, OutOfDate, Missing, None) and the result of their last run in\n"
        "this host (DidNotRun, Cancelled, Failure, Success).") +
    kProjectHelp;

const std::string kBuildHelp =
    std::string(
        "Runs the \"Build\" flow (or the one stage --stage names, in any letter case) with\n"
        "the Quartus tools, printing each stage as it starts and the tools' output as it\n"
        "comes, classified as errors, warnings and information; then the count of errors and\n"
        "warnings, the fitter's and timing analyser's summary and the result. A plain run\n"
        "forces the last stage and brings the others up to date; --all runs every stage,\n"
        "--if-out-of-date runs nothing that is up to date.\n\n"
        "Ctrl-C stops the build (the running tool is ended, the result is Cancelled); a\n"
        "second Ctrl-C ends the program at once. Exits with 0 only when the result is\n"
        "Success. The tools are those of --quartus DIR, else $QUARTUS_ROOTDIR, else the\n"
        "stand-ins in Quartus/ of the installation.") +
    kProjectHelp;

const std::string kOptionsHelp =
    std::string(
        "Shows the options of one vendor stage, grouped by section, with the values\n"
        "allowed. --set NAME=VALUE changes an option (repeat it for more) and saves it in\n"
        "the project file at once; an option the stage does not know or a value it refuses\n"
        "changes nothing further and exits with 1. --show-script prints the tool, its\n"
        "parameters and the script the stage would run now.") +
    kProjectHelp;

const std::string kDownloadHelp =
    std::string(
        "Runs the download stage: resets the device and programs it with the build's raw\n"
        "bit file (the OutputPath with the extension .RBF), then prints the device state and\n"
        "its user code. With --choose FILE the stage asks for the file with the host's\n"
        "file-open dialog, which answers FILE. Exits with 0 only when the device ends\n"
        "programmed.") +
    kProjectHelp;

const CommandRegistration kFlow({"flow",
                                 "PROJECT",
                                 "the build flow's stages and their states",
                                 kFlowHelp.c_str(),
                                 {kIndexOption},
                                 RunFlowCommand});
const CommandRegistration kBuild(
    {"build",
     "PROJECT",
     "build a project with the Quartus tools",
     kBuildHelp.c_str(),
     {kIndexOption,
      {"stage", "NAME", "run only this stage (see 'flow'), with the stages it needs"},
      {"all", nullptr, "run every stage, also those up to date"},
      {"if-out-of-date", nullptr, "run only what is out of date"},
      {"quiet", nullptr, "show errors and warnings, not every output line"}},
     RunBuildCommand});
const CommandRegistration kOptions(
    {"options",
     "PROJECT",
     "a vendor stage's options; change them",
     kOptionsHelp.c_str(),
     {kIndexOption,
      {"stage", "NAME", "the stage (required; see 'flow')"},
      {"set", "NAME=VALUE", "change an option, saved in the project (repeatable)"},
      {"show-script", nullptr, "print the tool, parameters and script of the stage"}},
     RunOptionsCommand});
const CommandRegistration kDownload(
    {"download",
     "PROJECT",
     "program the device with the build's bit file",
     kDownloadHelp.c_str(),
     {kIndexOption, {"choose", "FILE", "program FILE, chosen in the host's file-open dialog"}},
     RunDownloadCommand});

}  // namespace
}  // namespace morvel::host
