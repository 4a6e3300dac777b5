// Version texts of the Quartus installation and their numeric readings.
#include "flow/QuartusVersion.h"

#include <charconv>
#include <limits>

#include "sdk/Strings.h"

namespace morvel {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Decimal text to the nearest double, so that "7.2" compares equal to the literal 7.2.
double ParseDecimal(const std::string& text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)end;
  if (ec == std::errc::result_out_of_range)
    return text.find("e-") != std::string::npos ? 0.0 : std::numeric_limits<double>::infinity();
  return value;
}

}  // namespace

std::optional<std::string> ParseQuartusReadmeLine(std::string_view line) {
  size_t pos = line.find("Version");
  if (pos == std::string_view::npos) pos = line.find("Release");
  if (pos == std::string_view::npos) return std::nullopt;
  // Both words are seven characters long.
  const std::string rest = Trim(line.substr(pos + 7));
  const size_t blank = rest.find(' ');
  if (blank == std::string::npos) return std::nullopt;
  return rest.substr(0, blank);
}

double QuartusVersionNumber(const std::optional<std::string>& version) {
  if (!version) return kQuartusVersionUnknown;
  const std::string_view versionText = *version;
  // The first digit weighs 10^(dot position - 2), counted from 1, or 10^(length - 1).
  const size_t dot = versionText.find('.');
  long long exponent = dot == std::string_view::npos
                           ? static_cast<long long>(versionText.size()) - 1
                           : static_cast<long long>(dot) - 1;
  std::string digits;
  for (const char c : versionText)
    if (IsDigit(c)) digits.push_back(c);
  if (digits.empty()) return 0.0;
  // One correctly rounded conversion of "digits e shift" instead of a sum of weights, which
  // would collect rounding errors.
  exponent -= static_cast<long long>(digits.size()) - 1;
  return ParseDecimal(digits + "e" + std::to_string(exponent));
}

std::optional<double> QuartusMajorMinor(std::string_view versionText) {
  size_t end = 0;
  while (end < versionText.size() && IsDigit(versionText[end])) ++end;
  if (end == 0) return std::nullopt;
  if (end + 1 < versionText.size() && versionText[end] == '.' && IsDigit(versionText[end + 1])) {
    ++end;
    while (end < versionText.size() && IsDigit(versionText[end])) ++end;
  }
  return ParseDecimal(std::string(versionText.substr(0, end)));
}

}  // namespace morvel
