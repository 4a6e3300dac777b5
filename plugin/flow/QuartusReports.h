// Key figures of the Quartus text reports for the run display: the fitter's resource usage and
// the timing results of the TimeQuest and classic timing analysers.
//
// Each reader sends its figures as summary items (category, item, value, source) to a sink;
// the source is the report path. Without a sink, or when the report does not exist, nothing
// happens. A report that exists but cannot be read raises std::system_error. Reports are read
// as bytes (they are Latin-1, some with CR LF line ends) and texts are passed on unconverted.
#pragma once

#include <functional>
#include <string>

namespace morvel {

using TSummaryItemSink = std::function<void(const std::string& category, const std::string& item,
                                            const std::string& value, const std::string& source)>;

inline constexpr const char* kFitterSummaryCategory = "Device Resources - Usage Summary";
inline constexpr const char* kTimingSummaryCategory = "Design Statistics - Timing Summary";

// The rows of the fitter's resource usage table that count logic, registers, pins, memory,
// DSP blocks and global clocks.
void FitterSummary(const std::string& reportPath, const TSummaryItemSink& sink);

// The clocks of the first Fmax summary of a TimeQuest report, or "No timing constraints.".
// quartusVersion is the installed tool's QuartusVersionNumber: releases up to 7.2 may print
// frequencies without their unit.
void TimeQuestSummary(const std::string& reportPath, double quartusVersion,
                      const TSummaryItemSink& sink);

// The worst-case delays and clock setup results of a classic timing analyser report.
void ClassicTimingSummary(const std::string& reportPath, const TSummaryItemSink& sink);

}  // namespace morvel
