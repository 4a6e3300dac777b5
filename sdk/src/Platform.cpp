// POSIX stand-ins for the module and path services.
#include "sdk/Platform.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <filesystem>

#include "sdk/Strings.h"

namespace morvel {

std::string ModuleFolder() {
  Dl_info info{};
  // The address of this function lies in whichever module the SDK was linked into.
  if (dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) == 0 || info.dli_fname == nullptr)
    return {};
  std::error_code ec;
  std::filesystem::path file = std::filesystem::weakly_canonical(info.dli_fname, ec);
  if (ec) file = info.dli_fname;
  return IncludeTrailingPathDelimiter(file.parent_path().string());
}

bool IsRelativePath(std::string_view path) {
  if (path.find(':') != std::string_view::npos) return false;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return false;
  return !(!path.empty() && path[0] == '/');
}

std::string IncludeTrailingChar(std::string_view path, char ch) {
  std::string out(path);
  if (out.empty() || out.back() != ch) out.push_back(ch);
  return out;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  return IncludeTrailingChar(path, '/');
}

namespace {
bool IsFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
}  // namespace

std::string ActualFileName(const std::string& path) {
  if (path.empty() || IsFile(path)) return path;
  const std::filesystem::path target(path);
  const std::string name = target.filename().string();
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::error_code ec;
  std::string found;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    // The first in name order, so that the answer does not depend on the directory's order.
    if (SameText(candidate, name) && (found.empty() || candidate < found) &&
        IsFile(it->path().string()))
      found = candidate;
  }
  return found.empty() ? path : (target.parent_path() / found).string();
}

bool FileExists(const std::string& path) {
  return IsFile(ActualFileName(path));
}

}  // namespace morvel
