// Handing a host project to a driver's build flow and download stage, and following a run on
// the terminal; shared by the flow commands and the tour.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/BoardCommands.h"
#include "core/HostApp.h"

namespace morvel::host {

class CommandContext;

// The flows' enumerations as they travel through dispatch.
enum class FlowRunResult : int32_t { DidNotRun = 0, Cancelled = 1, Failure = 2, Success = 3 };
enum class FlowState : int32_t { UpToDate = 0, OutOfDate = 1, Missing = 2, None = 3 };

std::string FlowRunResultName(int32_t result);
std::string FlowStateName(int32_t state);
// A menu caption as the user reads it: accelerator marks dropped, "&&" kept as "&".
std::string PlainCaption(const std::string& caption);

// A project handed to the flows of the device it is built for.
struct FlowProject {
  ComPtr<THostProject> Project;
  BoardDevice Device;
  DispatchPtr Build;     // nil when the driver offers no build flow
  DispatchPtr Download;  // nil when the driver offers no download stage
};

// The project file an argument names: the file itself, or the one "*.PrjFpg" in a folder.
// Raises ProjectFileError when there is none, or more than one.
std::filesystem::path FindProjectFile(const std::string& argument);

// Opens the project in the host's workspace, makes its output folder, and gives both flows of
// the driver at the board position --index selects the project's output path (their base
// path) and the project file. Missing or damaged projects raise ProjectFileError.
FlowProject OpenFlowProject(CommandContext& ctx, const std::string& argument);

// How much of a run the terminal shows.
struct RunDisplayOptions {
  bool ToolOutput = true;          // every output line, not only errors and warnings
  std::string Activity = "build";  // what Ctrl-C says it stops
};

struct RunOutcome {
  int32_t Result = static_cast<int32_t>(FlowRunResult::DidNotRun);
  int Errors = 0;
  int Warnings = 0;
  bool StopRequested = false;
  int StagesStarted = 0;
  std::vector<FlowEvent> Summary;  // the summary items, in the order they came
};

// Runs a flow with a run entry (dispid::flow::Run, RunAll, RunIfOutOfDate, ...) and the host's
// run display, printing the run as it goes. The first Ctrl-C stops the flow; a second ends the
// program at once.
RunOutcome RunFlow(HostApp& host, const DispatchPtr& flow, int32_t runEntry,
                   const RunDisplayOptions& options);

// The counts, the summary table and the result.
void PrintRunOutcome(const RunOutcome& outcome);

}  // namespace morvel::host
