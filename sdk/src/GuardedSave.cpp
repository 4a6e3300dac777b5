// Guarded saves of text files.
#include "sdk/GuardedSave.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sdk/Errors.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/HostUtil.h"
#include "sdk/Strings.h"

namespace morvel {

std::string ThisComputerName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "localhost";
  return name;
}

std::string ThisUserName() {
  if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_name != nullptr)
    return pw->pw_name;
  const char* user = std::getenv("USER");
  return user != nullptr ? user : "";
}

namespace {

struct LockOwner {
  std::string Computer;
  std::string User;
  std::string Process;
};

// The owner a lock file names, when it names all three.
bool ReadLock(const std::filesystem::path& lock, LockOwner& owner) {
  std::ifstream in(lock);
  if (!in) return false;
  bool computer = false;
  bool user = false;
  bool process = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // The value starts after the key and one separator character.
    auto value = [&](const char* key) { return Trim(line.substr(std::string(key).size() + 1)); };
    if (line.rfind("ComputerName", 0) == 0 && line.size() > 12) {
      owner.Computer = value("ComputerName");
      computer = true;
    } else if (line.rfind("UserName", 0) == 0 && line.size() > 8) {
      owner.User = value("UserName");
      user = true;
    } else if (line.rfind("ProcessID", 0) == 0 && line.size() > 9) {
      owner.Process = value("ProcessID");
      process = true;
    }
  }
  return computer && user && process;
}

void ReportLocked(const std::filesystem::path& file, const LockOwner& owner) {
  DispatchPtr workspace = HostWorkspace();
  if (!workspace || !Call(workspace, dispid::workspace::IsInteractive).AsBool()) return;
  DispatchPtr messages = Call(workspace, dispid::workspace::GetMessagesManager).AsObject();
  if (!messages) return;
  Call(messages, dispid::messages::AddMessage, "[Locked File]",
       file.filename().string() + " is used by " + owner.User + " on " + owner.Computer +
           ". You will not be able to save your changes.",
       "", "", "WorkspaceManager:OpenObject", "FileName=" + file.string(), 0);
}

}  // namespace

bool GuardedSaveLines(const std::string& target, const std::vector<std::string>& lines) {
  // A file that exists in another case is the one written, as the host's platform would.
  const std::string path = ActualFileName(target);
  const std::filesystem::path file(path);
  const auto lock = file.parent_path() / ("~$" + file.filename().string() + "_loc");
  LockOwner owner;
  if (ReadLock(lock, owner) &&
      (owner.Computer != ThisComputerName() || owner.User != ThisUserName() ||
       owner.Process != std::to_string(getpid()))) {
    ReportLocked(file, owner);
    return false;
  }
  DispatchPtr document;
  if (DispatchPtr workspace = HostWorkspace())
    document = Call(workspace, dispid::workspace::GetDocumentByPath, path).AsObject();
  if (document) Call(document, dispid::document::FileAboutToChange);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << "\n";
    out.flush();
    if (!out) throw OleError(E_FAIL, "Cannot write the file " + path);
  }
  if (document) Call(document, dispid::document::FileChanged);
  return true;
}

}  // namespace morvel
