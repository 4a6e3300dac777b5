// Quartus version texts: the readme line, the weighted version number and major.minor.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "flow/QuartusVersion.h"

namespace morvel {
namespace {

TEST(QuartusVersion, ReadmeLineGivesTheWordAfterVersionOrRelease) {
  const struct {
    const char* line;
    std::optional<std::string> version;
  } cases[] = {
      {"Version 13.1.0 Build 162 10/23/2013 SJ Web Edition", "13.1.0"},
      {"Quartus II 64-Bit Version 13.0.1 Build 232", "13.0.1"},
      {"Quartus II Release 9.0 Build 132", "9.0"},
      // "Version" wins over an earlier "Release"; the words are matched in exact case.
      {"Release notes for Version 11.0 SP1", "11.0"},
      {"version 13.1 build 162", std::nullopt},
      {"Version   7.2   Build 151", "7.2"},
      // The version must be followed by a blank on the line.
      {"Version 13.1", std::nullopt},
      {"Version", std::nullopt},
      {"", std::nullopt},
      {"Quartus Prime Lite Edition", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ParseQuartusReadmeLine(c.line), c.version);
  }
}

TEST(QuartusVersion, NumberWeighsDigitsFromTheFirstDot) {
  const struct {
    std::optional<std::string> text;
    double number;
  } cases[] = {
      {"13.1", 13.1},    {"9.0", 9.0},     {"7.2", 7.2},     {"7.2.0", 7.2},
      {"13.1.4", 13.14}, {"20.1.0", 20.1}, {"5.1sp2", 5.12}, {".5", 0.5},
      {"13", 13.0},      {"abc", 0.0},     {"", 0.0},        {std::nullopt, 100000000.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.value_or("<none>"));
    // Exact: the timing reader compares the number with 7.2 and the flow with 10.
    EXPECT_EQ(QuartusVersionNumber(c.text), c.number);
  }
  EXPECT_LE(QuartusVersionNumber("7.2"), 7.2);
  EXPECT_GT(QuartusVersionNumber("7.2.1"), 7.2);
}

TEST(QuartusVersion, MajorMinorReadsOnlyTheLeadingNumber) {
  const struct {
    const char* text;
    std::optional<double> number;
  } cases[] = {
      {"13.1.0", 13.1},     {"5.1", 5.1},  {"20.1.1", 20.1},      {"9", 9.0},
      {"12.1sp1", 12.1},    {"13.", 13.0}, {"abc", std::nullopt}, {"", std::nullopt},
      {".5", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(QuartusMajorMinor(c.text), c.number);
  }
}

}  // namespace
}  // namespace morvel
