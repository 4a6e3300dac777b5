// Initialisation-file reading.
#include "sdk/IniFile.h"

#include <fstream>
#include <iterator>

#include "sdk/Strings.h"

namespace morvel {

TIniFile::TIniFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  FExists = true;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Parse(text);
}

TIniFile TIniFile::FromText(std::string_view text) {
  TIniFile ini;
  ini.FExists = true;
  ini.Parse(text);
  return ini;
}

void TIniFile::Parse(std::string_view text) {
  // A byte-order mark is not part of the first line.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::string section;
  bool inSection = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      if (close == std::string::npos) {
        inSection = false;  // a broken header: its keys belong to no section
        continue;
      }
      section = Trim(line.substr(1, close - 1));
      inSection = true;
      FSections.push_back(section);
      continue;
    }
    const size_t eq = line.find('=');
    if (!inSection || eq == std::string::npos) continue;
    std::string key = Trim(line.substr(0, eq));
    std::string value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                              (value.front() == '\'' && value.back() == '\'')))
      value = value.substr(1, value.size() - 2);
    if (!key.empty()) FEntries.push_back({section, std::move(key), std::move(value)});
  }
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
  for (const Entry& e : FEntries)
    if (SameText(e.Section, section) && SameText(e.Key, key)) return e.Value;
  return std::string(fallback);
}

bool TIniFile::HasKey(std::string_view section, std::string_view key) const {
  for (const Entry& e : FEntries)
    if (SameText(e.Section, section) && SameText(e.Key, key)) return true;
  return false;
}

std::vector<std::string> TIniFile::Sections() const {
  return FSections;
}

std::vector<std::pair<std::string, std::string>> TIniFile::Keys(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> keys;
  for (const Entry& e : FEntries)
    if (SameText(e.Section, section)) keys.emplace_back(e.Key, e.Value);
  return keys;
}

}  // namespace morvel
