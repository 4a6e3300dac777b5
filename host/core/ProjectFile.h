// The host's project file: the documents of an FPGA project, its output path, the chosen
// synthesizer, its user code and its option storage, kept in one text file that is replaced
// atomically on every change.
//
//   [Project]
//   Synthesizer=Morvel VHDL Synthesizer
//   OutputPath=Output/counter.edf        ; relative to the project folder
//   UserID=$00C0FFEE
//   [Documents]
//   Document1=counter.vhd                ; relative to the project folder, in project order
//   [Options:Translate DesignQuartus_sh]
//   Skip Timing Analysis=False
//
// Values are written with "%" escapes for "%", control characters and blanks at either end,
// so every value reads back exactly.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace morvel::host {

struct ProjectData {
  std::filesystem::path File;  // the project file itself
  std::string Synthesizer;
  std::string OutputPath;  // absolute once loaded
  std::string UserID;
  std::vector<std::filesystem::path> Documents;  // absolute once loaded
  // (section, name, value) in file order.
  std::vector<std::tuple<std::string, std::string, std::string>> Options;
};

// A project file that cannot be read or makes no sense, with the reason.
class ProjectFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

ProjectData LoadProjectFile(const std::filesystem::path& file);
// Writes to a temporary file beside the target and renames it over the target, so that an
// interrupted write leaves the old file whole.
void SaveProjectFile(const ProjectData& project);

std::string EscapeProjectValue(const std::string& value);
std::string UnescapeProjectValue(const std::string& text);

}  // namespace morvel::host
