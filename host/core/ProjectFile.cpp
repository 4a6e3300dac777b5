// Reading and writing the host's project files.
#include "core/ProjectFile.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "sdk/IniFile.h"
#include "sdk/Strings.h"

namespace morvel::host {

namespace {

constexpr const char* kOptionsPrefix = "Options:";

std::filesystem::path Resolve(const std::filesystem::path& folder, const std::string& value) {
  const std::filesystem::path p(value);
  return (p.is_absolute() ? p : folder / p).lexically_normal();
}

std::string Relative(const std::filesystem::path& folder, const std::filesystem::path& path) {
  const auto rel = path.lexically_relative(folder);
  return rel.empty() || rel.string().rfind("..", 0) == 0 ? path.string() : rel.string();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string EscapeProjectValue(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    const bool edgeBlank = c == ' ' && (i == 0 || i + 1 == value.size());
    if (c < 32 || c == 127 || c == '%' || edgeBlank || c == ';' || c == '"') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string UnescapeProjectValue(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int hi = HexDigit(text[i + 1]);
      const int lo = HexDigit(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

ProjectData LoadProjectFile(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec))
    throw ProjectFileError("project file " + file.string() + " does not exist");
  const TIniFile ini(file.string());
  if (!ini.Exists()) throw ProjectFileError("cannot read project file " + file.string());
  bool hasProject = false;
  for (const std::string& s : ini.Sections()) hasProject = hasProject || SameText(s, "Project");
  if (!hasProject)
    throw ProjectFileError("project file " + file.string() +
                           " is damaged: it has no [Project] section");
  ProjectData p;
  p.File = std::filesystem::absolute(file).lexically_normal();
  const auto folder = p.File.parent_path();
  p.Synthesizer = UnescapeProjectValue(ini.ReadString("Project", "Synthesizer"));
  const std::string output = UnescapeProjectValue(ini.ReadString("Project", "OutputPath"));
  if (output.empty())
    throw ProjectFileError("project file " + file.string() + " names no OutputPath");
  p.OutputPath = Resolve(folder, output).string();
  p.UserID = UnescapeProjectValue(ini.ReadString("Project", "UserID"));
  for (const auto& [key, value] : ini.Keys("Documents")) {
    (void)key;
    if (!value.empty()) p.Documents.push_back(Resolve(folder, UnescapeProjectValue(value)));
  }
  for (const std::string& section : ini.Sections()) {
    if (!StartsWithText(section, kOptionsPrefix)) continue;
    const std::string name = section.substr(std::string(kOptionsPrefix).size());
    for (const auto& [key, value] : ini.Keys(section))
      p.Options.emplace_back(UnescapeProjectValue(name), UnescapeProjectValue(key),
                             UnescapeProjectValue(value));
  }
  return p;
}

void SaveProjectFile(const ProjectData& project) {
  const auto folder = project.File.parent_path();
  std::ostringstream out;
  out << "; Host project file. Paths are relative to this folder.\n[Project]\n";
  out << "Synthesizer=" << EscapeProjectValue(project.Synthesizer) << "\n";
  out << "OutputPath=" << EscapeProjectValue(Relative(folder, project.OutputPath)) << "\n";
  out << "UserID=" << EscapeProjectValue(project.UserID) << "\n[Documents]\n";
  for (size_t i = 0; i < project.Documents.size(); ++i)
    out << "Document" << i + 1 << "=" << EscapeProjectValue(Relative(folder, project.Documents[i]))
        << "\n";
  // One section per option section, in the order the sections first appear.
  auto options = project.Options;
  std::vector<std::string> order;
  for (const auto& [s, name, value] : options) {
    (void)name, (void)value;
    bool seen = false;
    for (const std::string& o : order) seen = seen || SameText(o, s);
    if (!seen) order.push_back(s);
  }
  std::stable_sort(options.begin(), options.end(), [&](const auto& a, const auto& b) {
    auto rank = [&](const std::string& s) {
      for (size_t i = 0; i < order.size(); ++i)
        if (SameText(order[i], s)) return i;
      return order.size();
    };
    return rank(std::get<0>(a)) < rank(std::get<0>(b));
  });
  std::string section;
  for (const auto& [s, name, value] : options) {
    if (section.empty() || !SameText(section, s)) {
      section = s;
      out << "[" << kOptionsPrefix << EscapeProjectValue(s) << "]\n";
    }
    out << EscapeProjectValue(name) << "=" << EscapeProjectValue(value) << "\n";
  }
  const std::string text = out.str();
  const auto temp = folder / ("." + project.File.filename().string() + ".saving");
  {
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    file << text;
    file.flush();
    if (!file) {
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      throw ProjectFileError("cannot write project file " + project.File.string());
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, project.File, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    throw ProjectFileError("cannot replace project file " + project.File.string() + ": " +
                           ec.message());
  }
}

}  // namespace morvel::host
