// Whether the Quartus tool stand-ins can run here: they are Tcl scripts.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace morvel::testing {

inline bool TclShellInstalled() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && ::access((std::filesystem::path(dir) / "tclsh").c_str(), X_OK) == 0)
      return true;
  return false;
}

}  // namespace morvel::testing
