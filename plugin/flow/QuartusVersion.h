// The version of the installed Quartus tools as text and as numbers: the text read from the
// first line of the installation's readme, and the two numeric readings the flow compares.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvel {

// The number of an unknown version: above every release, so that the newest behaviour applies.
inline constexpr double kQuartusVersionUnknown = 100000000.0;

// The version text of a readme first line such as "Version 13.1.0 Build 162 ..." (13.1.0):
// the word after "Version", or after "Release" when there is no "Version" (exact case). No
// version when neither word occurs or when nothing follows the version word on the line.
std::optional<std::string> ParseQuartusReadmeLine(std::string_view line);

// The digits of the version text weighted as one decimal number: the first digit counts as
// the units of the part before the first "." and every further digit a tenth of the previous
// one, whatever separates them (13.1 -> 13.1, 13.1.4 -> 13.14, 9.0 -> 9.0). Text without
// digits gives 0; no version gives kQuartusVersionUnknown.
double QuartusVersionNumber(const std::optional<std::string>& versionText);

// The leading major.minor number of a version text (13.1.0 -> 13.1, 9 -> 9); none when the
// text does not start with a digit.
std::optional<double> QuartusMajorMinor(std::string_view versionText);

}  // namespace morvel
