// Initialisation files with the platform's semantics: section and key names compared without
// regard to case, values trimmed (and unquoted), the first occurrence winning.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvel {

class TIniFile {
 public:
  // Reads the file; a missing or unreadable file reads as empty.
  explicit TIniFile(const std::string& path);
  static TIniFile FromText(std::string_view text);

  bool Exists() const { return FExists; }
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback = {}) const;
  bool HasKey(std::string_view section, std::string_view key) const;
  std::vector<std::string> Sections() const;
  // The keys of a section with their values, in file order.
  std::vector<std::pair<std::string, std::string>> Keys(std::string_view section) const;

 private:
  TIniFile() = default;
  void Parse(std::string_view text);

  struct Entry {
    std::string Section;
    std::string Key;
    std::string Value;
  };
  std::vector<Entry> FEntries;
  std::vector<std::string> FSections;
  bool FExists = false;
};

}  // namespace morvel
