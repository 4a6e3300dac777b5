// Readers of the fitter and timing analyser text reports; they send summary items and never
// change a report.
#include "flow/QuartusReports.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "sdk/Strings.h"

namespace morvel {

namespace {

constexpr const char* kNoTimingConstraints = "No timing constraints.";

// The whole report as bytes; none when the file does not exist.
std::optional<std::string> ReadReport(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return std::nullopt;
  const auto fail = [&path](int error) {
    throw std::system_error(error, std::generic_category(),
                            "Unable to read report \"" + path + "\"");
  };
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) fail(errno);
  std::string text;
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, n);
  if (std::ferror(file.get())) fail(errno != 0 ? errno : EIO);
  return text;
}

// Calls visit(line) for each line until it returns false. CR LF, CR and LF each end a line,
// as the host's text lists read them, so no line keeps a CR.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    if (!visit(text.substr(pos, end - pos))) return;
    if (end < text.size() && text[end] == '\r') ++end;
    if (end < text.size() && text[end] == '\n') ++end;
    pos = end;
  }
}

// Whether text contains needle, ignoring ASCII case; needle is given in upper case.
bool ContainsText(std::string_view text, std::string_view upperNeedle) {
  if (upperNeedle.empty()) return true;
  if (text.size() < upperNeedle.size()) return false;
  const char first = upperNeedle[0];
  const size_t last = text.size() - upperNeedle.size();
  for (size_t i = 0; i <= last; ++i) {
    if (AsciiUpper(text[i]) != first) continue;
    size_t k = 1;
    while (k < upperNeedle.size() && AsciiUpper(text[i + k]) == upperNeedle[k]) ++k;
    if (k == upperNeedle.size()) return true;
  }
  return false;
}

size_t FindText(std::string_view text, std::string_view upperNeedle, size_t from = 0) {
  for (size_t i = from; i + upperNeedle.size() <= text.size(); ++i)
    if (ContainsText(text.substr(i, upperNeedle.size()), upperNeedle)) return i;
  return std::string_view::npos;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
}

// Every occurrence, ignoring case; upperFrom in upper case.
void ReplaceText(std::string& text, std::string_view upperFrom, std::string_view to) {
  size_t pos = 0;
  while ((pos = FindText(text, upperFrom, pos)) != std::string::npos) {
    text.replace(pos, upperFrom.size(), to);
    pos += to.size();
  }
}

std::string PadLeft(std::string_view text, size_t width) {
  std::string out;
  if (text.size() < width) out.assign(width - text.size(), ' ');
  out.append(text);
  return out;
}

// Puts the unit at the eighth character, so that values of one column line up.
std::string Align(const std::string& value, std::string_view upperUnit) {
  const size_t pos = FindText(value, upperUnit);
  if (pos == std::string::npos || pos >= 7) return value;
  return std::string(7 - pos, ' ') + value;
}

// The next ";"-separated cell of rest, which loses it; empty when no separator is left.
std::string NextField(std::string& rest) {
  rest = Trim(rest);
  const size_t semi = rest.find(';');
  if (semi == std::string::npos) return {};
  std::string field = Trim(std::string_view(rest).substr(0, semi));
  rest.erase(0, semi + 1);
  return field;
}

bool StartsWithRowMark(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
  return i < line.size() && line[i] == ';';
}

std::string RowText(std::string_view line) {
  std::string rest = Trim(line);
  if (!rest.empty() && rest[0] == ';') rest.erase(0, 1);
  return rest;
}

// Timing rows in report order, each collected once (compared without regard to case).
class TRowList {
 public:
  void Add(std::vector<std::string> row) {
    std::string key;
    for (const std::string& field : row) {
      key += std::to_string(field.size());
      key += ':';
      key += UpperCase(field);
    }
    if (FSeen.insert(std::move(key)).second) FRows.push_back(std::move(row));
  }

  // Two fields: an item and its value in ns; three: a clock, its constraint and its value in
  // MHz. Other rows are ignored.
  template <typename TranslateItem>
  void Send(const TSummaryItemSink& sink, const std::string& source, TranslateItem translate) {
    for (const std::vector<std::string>& row : FRows) {
      if (row.size() == 2)
        sink(kTimingSummaryCategory, translate(row[0]), Align(row[1], "NS"), source);
      else if (row.size() == 3)
        sink(kTimingSummaryCategory, row[0] + " (Constraint = " + row[1] + ")",
             Align(row[2], "MHZ"), source);
    }
  }

 private:
  std::vector<std::vector<std::string>> FRows;
  std::unordered_set<std::string> FSeen;
};

constexpr std::string_view kFitterKeywords[] = {
    "TOTAL LOGIC ELEMENTS",
    "TOTAL ALUTS",
    "TOTAL REGISTERS",
    "I/O PINS",
    "TOTAL MEMORY BITS",
    "TOTAL RAM BLOCK BITS",
    "DSP BLOCK 9-BIT ELEMENTS",
    "GLOBAL CLOCKS",
    "LOGIC CELLS",
    "REGISTERS",
    "DSP",
};

// "; Total logic elements      ; 1,234 / 10,000 ( 12 % )     ;" becomes
// "Total logic elements  = 1,234 / 10,000 (12%)": the name keeps its cell's padding less four
// blanks, so that names line up in the display.
std::string NormaliseFitterRow(std::string_view line) {
  std::string row = Trim(line);
  if (!row.empty() && row.front() == ';') row.erase(0, 1);
  if (!row.empty() && row.back() == ';') row.pop_back();
  ReplaceAll(row, "( ", "(");
  ReplaceAll(row, " )", ")");
  ReplaceAll(row, ";", "=");
  ReplaceAll(row, " %", "%");
  ReplaceAll(row, "     =", " =");
  return Trim(row);
}

// "n / total (p%)" laid out in fields of 9, 10 and 4 characters.
std::string LayOutUsage(const std::string& value) {
  const size_t slash = value.find('/');
  const size_t paren = value.find('(');
  if (slash == std::string::npos || paren == std::string::npos || paren < slash) return value;
  return PadLeft(std::string_view(value).substr(0, slash + 1), 9) +
         PadLeft(std::string_view(value).substr(slash + 1, paren - slash), 10) +
         PadLeft(std::string_view(value).substr(paren + 1), 4);
}

std::string TranslateClassicItem(std::string item) {
  ReplaceText(item, "WORST-CASE TSU", "Minimum input required time before clock");
  ReplaceText(item, "WORST-CASE TCO", "Maximum output delay after clock");
  ReplaceText(item, "WORST-CASE TH", "Minimum clock hold time");
  ReplaceText(item, "WORST-CASE TPD", "Maximum point to point delay");
  ReplaceText(item, "WORST-CASE MINIMUM TPD", "Minimum point to point delay");
  return item;
}

std::string CutBeforeParenthesis(const std::string& text) {
  return Trim(std::string_view(text).substr(0, text.find('(')));
}

}  // namespace

void FitterSummary(const std::string& reportPath, const TSummaryItemSink& sink) {
  if (!sink) return;
  const std::optional<std::string> text = ReadReport(reportPath);
  if (!text) return;
  bool inSection = false;
  ForEachLine(*text, [&](std::string_view line) {
    if (ContainsText(line, "; LOGIC CELLS") ||
        ContainsText(line, "; FITTER RESOURCE USAGE SUMMARY"))
      inSection = true;
    if (!inSection) return true;
    if (line.empty()) return false;
    // Only table rows: the footnote under the table names registers and DSP blocks too.
    if (!StartsWithRowMark(line)) return true;
    const std::string row = NormaliseFitterRow(line);
    const std::string upper = UpperCase(row);
    if (upper.find("USER") != std::string::npos) return true;
    bool wanted = false;
    for (const std::string_view keyword : kFitterKeywords)
      if (upper.find(keyword) != std::string::npos) wanted = true;
    if (!wanted) return true;
    const size_t equals = row.find('=');
    const std::string name = row.substr(0, equals);
    std::string value = equals == std::string::npos ? std::string() : row.substr(equals + 1);
    // Later releases give the percentage a column of its own ("n / total ; p %"): it goes back
    // into brackets so that the value reads and lines up as in the two-column table.
    if (const size_t third = value.find('='); third != std::string::npos) {
      const std::string percent = Trim(std::string_view(value).substr(third + 1));
      const std::string usage = Trim(std::string_view(value).substr(0, third));
      value.assign(1, ' ');
      value += usage;
      if (!percent.empty()) value += " (" + percent + ")";
    }
    sink(kFitterSummaryCategory, name, LayOutUsage(value), reportPath);
    return true;
  });
}

void TimeQuestSummary(const std::string& reportPath, double quartusVersion,
                      const TSummaryItemSink& sink) {
  if (!sink) return;
  const std::optional<std::string> text = ReadReport(reportPath);
  if (!text) return;
  TRowList rows;
  bool found = false;
  bool inSection = false;
  ForEachLine(*text, [&](std::string_view line) {
    const bool tableLine = !line.empty() && line[0] == ';';
    if (tableLine && ContainsText(line, "FMAX SUMMARY")) inSection = true;
    if (!inSection) return true;
    if (tableLine && line.find("Setup Summary") != std::string_view::npos) return false;
    if (line.find(';') == std::string_view::npos) return true;
    // Panel titles and the column header; a clock may well be called SlowClk.
    if (StartsWithText(line, "; SLOW") || StartsWithText(line, "; FMAX")) return true;
    std::string rest = RowText(line);
    const std::string f1 = NextField(rest);
    const std::string f2 = NextField(rest);
    const std::string f3 = NextField(rest);
    // Early releases printed a bare frequency and the clock; a frequency with its unit is the
    // later layout, whichever release is installed.
    std::vector<std::string> row;
    if (quartusVersion <= 7.2 && !EndsWithText(f1, "MHz"))
      row = {f2, f1 + " MHz"};
    else
      row = {f3, f1};
    // Panels between the Fmax and Setup summaries (Timing Closure Recommendations) are not
    // clocks.
    if (row[0].empty()) return true;
    found = true;
    rows.Add(std::move(row));
    return true;
  });
  if (!found) sink(kTimingSummaryCategory, kNoTimingConstraints, "", reportPath);
  rows.Send(sink, reportPath, [](const std::string& item) { return item; });
}

void ClassicTimingSummary(const std::string& reportPath, const TSummaryItemSink& sink) {
  if (!sink) return;
  const std::optional<std::string> text = ReadReport(reportPath);
  if (!text) return;
  TRowList rows;
  bool found = false;
  bool inSection = false;
  ForEachLine(*text, [&](std::string_view line) {
    if (ContainsText(line, "; TIMING ANALYZER SUMMARY")) inSection = true;
    if (!inSection) return true;
    if (line.find("; Timing Analyzer Settings") != std::string_view::npos) return false;
    if (!ContainsText(line, "CLOCK SETUP") && !ContainsText(line, "WORST-CASE")) return true;
    std::string rest = RowText(line);
    std::string type = NextField(rest);
    if (ContainsText(type, "WORST-CASE")) {
      NextField(rest);  // slack
      NextField(rest);  // required time
      std::string actual = NextField(rest);
      rows.Add({std::move(type), std::move(actual)});
    } else if (ContainsText(type, "CLOCK SETUP")) {
      // Clock Setup: 'name'
      const size_t close = type.rfind('\'');
      if (close == std::string::npos) return true;
      type.erase(close, 1);
      const size_t open = type.rfind('\'');
      if (open == std::string::npos) return true;
      std::string clock = Trim(std::string_view(type).substr(open + 1));
      if (clock.empty()) return true;
      NextField(rest);  // slack
      std::string required = CutBeforeParenthesis(NextField(rest));
      std::string actual = CutBeforeParenthesis(NextField(rest));
      found = true;
      rows.Add({std::move(clock), std::move(required), std::move(actual)});
    }
    return true;
  });
  if (!found) sink(kTimingSummaryCategory, kNoTimingConstraints, "", reportPath);
  rows.Send(sink, reportPath, TranslateClassicItem);
}

}  // namespace morvel
