// Platform services the plug-in needs from the operating system: its own file's folder, and
// path rules that keep the host's conventions on a POSIX file system.
#pragma once

#include <string>
#include <string_view>

namespace morvel {

// The folder of the module (plug-in or program) that holds this code, with a trailing
// separator.
std::string ModuleFolder();

// A path is relative when it has no ":" and does not start with two backslashes; a leading
// "/" is absolute too on this platform.
bool IsRelativePath(std::string_view path);
std::string IncludeTrailingChar(std::string_view path, char ch);
std::string IncludeTrailingPathDelimiter(std::string_view path);
// File names are matched as the host's platform matches them, without regard to case: the
// vendor tools name their files in their own case ("top.map.rpt" for ".MAP.RPT").
bool FileExists(const std::string& path);
// The existing file that a path names without regard to the case of its file name part, as
// spelled on disk (an exact match first); the path itself when no file matches.
std::string ActualFileName(const std::string& path);

}  // namespace morvel
