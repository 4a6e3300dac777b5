// Writing a text file that a user may have open elsewhere: a lock file next to it names its
// owner (computer, user, process), and a file owned by someone else is left alone with a
// message in the host's messages panel. The host is told before and after the file changes.
#pragma once

#include <string>
#include <vector>

namespace morvel {

// True when the lines were written; false when another user or process holds the file (the
// host shows "[Locked File]") or it cannot be written (an error is raised then).
bool GuardedSaveLines(const std::string& path, const std::vector<std::string>& lines);

// This process's identity as lock files record it.
std::string ThisComputerName();
std::string ThisUserName();

}  // namespace morvel
