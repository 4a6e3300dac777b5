// Dispatch identifiers of process flows and of the host's run display, shared by the plug-in
// and the host.
#pragma once

#include "automation/Types.h"

namespace morvel::dispid {

// IProcessFlow: what the host (and every other stage) calls.
namespace flow {
inline constexpr DISPID StageName = 503705;
inline constexpr DISPID StageCaption = 503706;
inline constexpr DISPID StageDescription = 503707;
inline constexpr DISPID InputDescription = 503708;
inline constexpr DISPID OutputDescription = 503709;
inline constexpr DISPID CanRun = 503710;
inline constexpr DISPID IsCategory = 503711;
inline constexpr DISPID Run = 503712;
inline constexpr DISPID RunIfOutOfDate = 503713;
inline constexpr DISPID RunAll = 503714;
inline constexpr DISPID RunWholeStage = 503715;
inline constexpr DISPID Stop = 503716;
inline constexpr DISPID UpdateFlowState = 503717;
inline constexpr DISPID FlowState = 503718;
inline constexpr DISPID IsRunning = 503719;
inline constexpr DISPID RunningStage = 503720;
inline constexpr DISPID LastRunResult = 503721;
inline constexpr DISPID ClearLastRunResult = 503722;
inline constexpr DISPID ProjectChanged = 503723;
inline constexpr DISPID SetBasePath = 503724;
inline constexpr DISPID GetBasePath = 503725;
inline constexpr DISPID CanEditProperties = 503726;
inline constexpr DISPID EditProperties = 503727;
inline constexpr DISPID ReportCount = 503728;
inline constexpr DISPID ReportPath = 503729;
inline constexpr DISPID GetParentStage = 503730;
inline constexpr DISPID SetParentStage = 503731;
inline constexpr DISPID GetChildStageCount = 503732;
inline constexpr DISPID GetChildStage = 503733;
inline constexpr DISPID ClearChildren = 503734;
inline constexpr DISPID AddChildStage = 503735;
inline constexpr DISPID GetDependenciesCount = 503736;
inline constexpr DISPID GetDependency = 503737;
inline constexpr DISPID ClearDependencies = 503738;
inline constexpr DISPID AddDependency = 503739;
}  // namespace flow

// IProcessFlow_Internal: the run protocol between stages; the host does not call it.
namespace flowinternal {
inline constexpr DISPID RunStage = 509011;  // Force, WholeStage, All, Runner
inline constexpr DISPID PrepareRun = 509012;
inline constexpr DISPID FinishRun = 509013;
inline constexpr DISPID ClearRunResults = 509014;
inline constexpr DISPID ResetRunning = 509015;
inline constexpr DISPID SetLastRunResult = 509016;
inline constexpr DISPID ThisStage_OutputExists = 509017;
inline constexpr DISPID ThisStage_DateTimeUpdated = 509018;
inline constexpr DISPID RunDependencies = 509019;  // All, Runner
inline constexpr DISPID DependencyOutputsExist = 509020;
inline constexpr DISPID DependencyOutputsDateTime = 509021;
inline constexpr DISPID DependenciesUpToDate = 509022;
inline constexpr DISPID BeforeStart = 509023;  // IProcessFlow_CustomEventsOnly
}  // namespace flowinternal

// The option set of a vendor stage, for the host's option views: options listed in the set's
// order, values saved to the project at once, and the script and command line the stage
// would use now. Stages without options answer a count of 0.
namespace vendoroptions {
inline constexpr DISPID OptionCount = 509101;
inline constexpr DISPID OptionName = 509102;      // index -> name ("" beyond the list)
inline constexpr DISPID OptionSection = 509103;   // index -> section
inline constexpr DISPID OptionValue = 509104;     // index -> value as text
inline constexpr DISPID OptionValues = 509105;    // index -> allowed values, comma text ("" = any)
inline constexpr DISPID SetOptionValue = 509106;  // name, value -> false: no such option or refused
inline constexpr DISPID ScriptText = 509107;      // replace macros -> script lines joined by LF
inline constexpr DISPID CommandLineText = 509108;  // replace macros -> the tool's parameters
inline constexpr DISPID ToolPath = 509109;         // -> the tool the stage runs ("" = not found)
}  // namespace vendoroptions

// The download stage's run with the file chooser: the host's file-open dialog picks the file.
namespace download {
inline constexpr DISPID ProgramChosenFile = 509111;  // -> run result (Failure when cancelled)
}  // namespace download

// IProcessFlowRunner: the host's run display.
namespace runner {
inline constexpr DISPID StageStarted = 503740;    // stage
inline constexpr DISPID AddSummaryItem = 503741;  // category, item, value, source
inline constexpr DISPID RunStarted = 503743;
inline constexpr DISPID RunFinished = 503744;
}  // namespace runner

}  // namespace morvel::dispid
