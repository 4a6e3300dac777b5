// The report summaries on real fitter and timing reports of several releases and families, and
// on small reports that show one rule each.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "flow/QuartusReports.h"

namespace morvel {
namespace {

struct TItem {
  std::string item;
  std::string value;
  bool operator==(const TItem&) const = default;
};

void PrintTo(const TItem& i, std::ostream* os) {
  *os << "{\"" << i.item << "\", \"" << i.value << "\"}";
}

// Names keep their table cell's padding less four blanks: a name padded to the table's width.
std::string Name(const std::string& text, size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

std::string ReportPath(const std::string& name) {
  return std::string(MORVEL_REPORT_DIR) + "/" + name;
}

// Collects the items, checking the category and source of each.
class TCollector {
 public:
  TCollector(std::string category, std::string source)
      : FCategory(std::move(category)), FSource(std::move(source)) {}
  TSummaryItemSink Sink() {
    return [this](const std::string& category, const std::string& item, const std::string& value,
                  const std::string& source) {
      EXPECT_EQ(category, FCategory);
      EXPECT_EQ(source, FSource);
      items.push_back({item, value});
    };
  }
  std::vector<TItem> items;

 private:
  std::string FCategory;
  std::string FSource;
};

std::vector<TItem> Fitter(const std::string& path) {
  TCollector c(kFitterSummaryCategory, path);
  FitterSummary(path, c.Sink());
  return c.items;
}

std::vector<TItem> TimeQuest(const std::string& path, double version) {
  TCollector c(kTimingSummaryCategory, path);
  TimeQuestSummary(path, version, c.Sink());
  return c.items;
}

std::vector<TItem> Classic(const std::string& path) {
  TCollector c(kTimingSummaryCategory, path);
  ClassicTimingSummary(path, c.Sink());
  return c.items;
}

const TItem kNoConstraints{"No timing constraints.", ""};

// Small reports written for one test each.
class ReportFile : public ::testing::Test {
 protected:
  void SetUp() override {
    FFolder = std::filesystem::temp_directory_path() /
              ("morvel-reports-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(FFolder);
  }
  void TearDown() override { std::filesystem::remove_all(FFolder); }

  std::string Write(const std::string& name, const std::string& content) {
    std::string path = (FFolder / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  std::filesystem::path FFolder;
};

TEST(FitterSummary, RealReportsGiveTheirResourceRows) {
  const struct {
    const char* file;
    std::vector<TItem> items;
  } cases[] = {
      // Quartus II 7.2, Cyclone II, CR LF. The footnote under the table ("Register count does
      // not include registers inside RAM blocks or DSP blocks.") is no item.
      {"cyclone2-q72-block1.fit.rpt",
       {{Name("Total logic elements", 40), "     56 /  33,216 (< 1%)"},
        {Name("Total registers*", 40), "     31 /  34,593 (< 1%)"},
        {Name("-- Dedicated logic registers", 36), "     31 /  33,216 (< 1%)"},
        {Name("-- I/O registers", 36), "      0 /   1,377 ( 0%)"},
        {Name("I/O pins", 40), "     16 /     475 ( 3%)"},
        {Name("Total memory bits", 40), "      0 / 483,840 ( 0%)"},
        {Name("Total RAM block bits", 40), "      0 / 483,840 ( 0%)"},
        {Name("Global clocks", 40), "      2 /      16 (13%)"}}},
      // 11.0, Cyclone IV E, CR LF: "User inserted logic elements" is skipped; "Total block
      // memory bits" is none of the keywords.
      {"cyclone4e-vga.fit.rpt",
       {{Name("Total logic elements", 40), "  3,467 / 114,480 ( 3%)"},
        {Name("Total registers*", 40), "    207 / 117,053 (< 1%)"},
        {Name("-- Dedicated logic registers", 36), "    207 / 114,480 (< 1%)"},
        {Name("-- I/O registers", 36), "      0 /   2,573 ( 0%)"},
        {Name("I/O pins", 40), "     34 /     529 ( 6%)"},
        {Name("Global clocks", 40), "      2 /      20 (10%)"}}},
      // 8.1, FLEX10KE: the table ends at the empty line before the entity table.
      {"flex10ke-alu.fit.rpt",
       {{Name("Total logic elements", 30), "     61 /   1,728 ( 4%)"},
        {Name("Registers", 30), "      9 /   1,728 (< 1%)"},
        {Name("I/O pins", 30), "     20 /     102 (20%)"},
        {Name("Total memory bits", 30), "      0 /  24,576 ( 0%)"},
        {Name("Total RAM block bits", 30), "      0 /  24,576 ( 0%)"}}},
      // 13.0.1, MAX7000S product-term device: "Logic cells".
      {"max7000s-alcontroller.fit.rpt",
       {{Name("Logic cells", 25), "     52 /     128 (41%)"},
        {Name("Registers", 25), "      6 /     128 ( 5%)"},
        {Name("I/O pins", 25), "     63 /      68 (93%)"}}},
      // 13.1.4, Stratix III: every row that mentions registers counts, values without a total
      // stay as they are.
      {"stratix3-lc3b-mp1.fit.rpt",
       {{Name("Dedicated logic registers", 78), "    225 /  38,000 (< 1%)"},
        {Name("-- Estimated pairs recoverable by pairing ALUTs and registers as design grows", 78),
         " -24"},
        {Name("Total registers*", 78), " 225"},
        {Name("-- Dedicated logic registers", 74), "    225 /  38,000 (< 1%)"},
        {Name("-- I/O registers", 74), "      0 /   2,752 ( 0%)"},
        {Name("I/O pins", 78), "     54 /     488 (11%)"},
        {Name("DSP block 18-bit elements", 78), "      0 /     384 ( 0%)"},
        {Name("Global clocks", 78), "      1 /      16 ( 6%)"}}},
      // 16.0, Stratix V: the percentage has a column of its own and is put back in brackets;
      // an empty percentage cell leaves the usage alone.
      {"stratix5-memtestsm.fit.rpt",
       {{Name("[a] ALMs used for LUT logic and registers", 48), " 84"},
        {Name("[c] ALMs used for registers", 48), " 5"},
        {Name("Dedicated logic registers", 56), " 178"},
        {Name("-- Primary logic registers", 48), "    178 / 469,440 (< 1%)"},
        {Name("-- Secondary logic registers", 48), "      0 / 469,440 ( 0%)"},
        {Name("-- Design implementation registers", 48), " 178"},
        {Name("-- Routing optimization registers", 48), " 0"},
        {Name("I/O pins", 56), "    424 /     664 (64%)"},
        {Name("Total DSP Blocks", 56), "      0 /     256 ( 0%)"},
        {Name("Global clocks", 56), "      1 /      16 ( 6%)"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(Fitter(ReportPath(c.file)), c.items);
  }
}

TEST_F(ReportFile, FitterReadsOnlyRowsOfTheFirstResourceTable) {
  const std::string path =
      Write("top.fit.rpt",
            "; Fitter Summary ;\n"
            "; Total logic elements ; 99 / 100 ( 99 % ) ;\n"  // before the section
            "+---------------------------------+\n"
            "; Fitter Resource Usage Summary   ;\n"
            "; Total logic elements          ; 1,234 / 10,000 ( 12 % ) ;\n"
            "; User-specified registers      ; 12                      ;\n"
            "; Total ALUTs                   ; 7                       ;\n"
            "; DSP block 9-bit elements      ; (n/a)                   ;\n"
            "; Global clocks ; 3 ;\n"
            "* Registers and DSP blocks are counted elsewhere.\n"
            "\n"
            "; Total registers               ; 5 / 50 ( 10 % ) ;\n");
  const std::vector<TItem> expected = {
      {Name("Total logic elements", 26), "  1,234 /  10,000 (12%)"},
      {Name("Total ALUTs", 26), " 7"},
      // "(" before "/": no layout.
      {Name("DSP block 9-bit elements", 26), " (n/a)"},
      // Short padding is not shortened.
      {"Global clocks ", " 3"},
  };
  EXPECT_EQ(Fitter(path), expected);
}

TEST_F(ReportFile, LineEndsAreCrLfCrOrLf) {
  const std::string table =
      "; Fitter Resource Usage Summary ;@; Registers ; 1 ;@; I/O pins ; 2 ;@@; Global clocks ; 3 "
      ";@";
  const std::vector<TItem> expected = {{"Registers ", " 1"}, {"I/O pins ", " 2"}};
  for (const std::string& ending : {std::string("\r\n"), std::string("\r"), std::string("\n")}) {
    std::string text = table;
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@'))
      text.replace(at, 1, ending);
    EXPECT_EQ(Fitter(Write("top.fit.rpt", text)), expected) << (ending == "\n" ? "LF" : "CR");
  }
}

TEST(TimeQuestSummary, RealReportsGiveTheClocksOfTheFirstFmaxSummary) {
  const struct {
    const char* file;
    std::vector<TItem> items;
  } cases[] = {
      // 7.2, whose cells carry their unit: read like later releases even with 7.2 installed.
      {"cyclone2-q72-block1.sta.rpt",
       {{"clk", "280.9 MHz"}, {"DIV_50M_HZ:inst|OUT", "1610.31 MHz"}}},
      // 11.0: only the slow 85C corner is read.
      {"cyclone4e-vga-2clocks.sta.rpt",
       {{"vga_control_module:inst|CLK_25M", "42.12 MHz"}, {"CLK", "195.05 MHz"}}},
      // A clock called SlowCLK is a clock, not a panel title.
      {"max7000s-alcontroller-3clocks.sta.rpt",
       {{"CLK_Select", "76.92 MHz"}, {"SlowCLK", "76.92 MHz"}, {"UserCLK", "76.92 MHz"}}},
      // 13.1.4: the Timing Closure Recommendations panel before the Setup Summary is no clock.
      {"stratix3-lc3b-mp1.sta.rpt", {{"clk", "116.17 MHz"}}},
      // 20.1, no clocks, and the same panel: no timing constraints.
      {"cyclone4e-fulladder-noclocks.sta.rpt", {kNoConstraints}},
  };
  for (const auto& c : cases) {
    for (const double version : {7.2, 13.1, 100000000.0}) {
      SCOPED_TRACE(std::string(c.file) + " with " + std::to_string(version));
      EXPECT_EQ(TimeQuest(ReportPath(c.file), version), c.items);
    }
  }
}

TEST_F(ReportFile, TimeQuestRowsAreCollectedOnce) {
  const std::string path = Write("top.sta.rpt",
                                 "; Slow Model Fmax Summary ;\n"
                                 "; Fmax      ; Restricted Fmax ; Clock Name ; Note ;\n"
                                 "; 100.0 MHz ; 100.0 MHz       ; clk        ;      ;\n"
                                 "; 100.0 mhz ; 100.0 MHz       ; CLK        ;      ;\n"
                                 "; 2.5 MHz   ; 2.5 MHz         ; slow       ;      ;\n"
                                 "; Slow Model Setup Summary ;\n"
                                 "; 5.0 MHz   ; 5.0 MHz         ; late       ;      ;\n");
  const std::vector<TItem> expected = {{"clk", "100.0 MHz"}, {"slow", "2.5 MHz"}};
  EXPECT_EQ(TimeQuest(path, 13.1), expected);
}

TEST_F(ReportFile, EarlyTimeQuestRowsWithoutUnitGetMHz) {
  const std::string path = Write("top.sta.rpt",
                                 "; Fmax Summary ;\n"
                                 "; Fmax  ; Clock Name ;\n"
                                 "; 280.9 ; clk        ;\n"
                                 "; 12.5  ; div        ;\n"
                                 "; Setup Summary ;\n");
  const std::vector<TItem> old = {{"clk", "280.9 MHz"}, {"div", "12.5 MHz"}};
  EXPECT_EQ(TimeQuest(path, 7.2), old);
  // Later releases read the third column as the clock: this layout has none.
  EXPECT_EQ(TimeQuest(path, 7.21), std::vector<TItem>{kNoConstraints});
}

TEST(ClassicTimingSummary, RealReportsGiveWorstCaseDelaysAndClockSetups) {
  const struct {
    const char* file;
    std::vector<TItem> items;
  } cases[] = {
      // 9.0, two Clock Setup rows, one with a required frequency; the Clock Hold row is not
      // read.
      {"cyclone2-de2-automata-multiclock.tan.rpt",
       {{"Minimum input required time before clock", " 9.589 ns"},
        {"Maximum output delay after clock", "11.400 ns"},
        {"Maximum point to point delay", " 9.096 ns"},
        {"Minimum clock hold time", "-6.264 ns"},
        {"VGA_Audio_PLL:p1|altpll:altpll_component|_clk0 (Constraint = 25.20 MHz)", " 49.73 MHz"},
        {"CLOCK_50 (Constraint = None)", "249.63 MHz"}}},
      {"cyclone2-q72-block1.tan.rpt",
       {{"Maximum output delay after clock", "14.234 ns"},
        {"clk (Constraint = None)", "280.90 MHz"}}},
      {"flex10ke-alu.tan.rpt",
       {{"Minimum input required time before clock", "10.700 ns"},
        {"Maximum output delay after clock", " 7.300 ns"},
        {"Minimum clock hold time", " 0.000 ns"},
        {"clk (Constraint = None)", "121.95 MHz"}}},
      {"stratix2-counter-restricted.tan.rpt",
       {{"Maximum output delay after clock", " 9.428 ns"},
        {"clk (Constraint = None)", "Restricted to 500.00 MHz"}}},
      // Worst-case rows do not count as clocks.
      {"stratix2-alu-tpdonly.tan.rpt",
       {kNoConstraints, {"Maximum point to point delay", "15.106 ns"}}},
      {"stratix2-cpu-nosummary.tan.rpt", {kNoConstraints}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(Classic(ReportPath(c.file)), c.items);
  }
}

TEST_F(ReportFile, ClassicNamesEveryWorstCaseAndNeedsAQuotedClock) {
  const std::string path =
      Write("top.tan.rpt",
            "; Timing Analyzer Summary ;\n"
            "; Type ; Slack ; Required Time ; Actual Time ;\n"
            "; worst-case TSU ; N/A ; None ; 1.5 ns ;\n"
            "; Worst-case tco ; N/A ; None ; 12345.678 ns ;\n"
            "; Worst-case th ; N/A ; None ; 0.1 ns ;\n"
            "; Worst-case tpd ; N/A ; None ; 3 ns ;\n"
            "; Worst-case minimum tpd ; N/A ; None ; 2.000 ns ;\n"
            "; Worst-case tpd ; N/A ; None ; 3 ns ;\n"
            "; Clock Setup: clk ; N/A ; None ; 10 MHz ;\n"
            "; Clock Setup: '' ; N/A ; None ; 10 MHz ;\n"
            "; Clock Setup: 'sys clk' ; 1 ns ; 50.0 MHz ( period = 20 ns ) ; 75.5 MHz ( x ) ;\n"
            "; Timing Analyzer Settings ;\n"
            "; Worst-case tco ; N/A ; None ; 9 ns ;\n");
  const std::vector<TItem> expected = {
      {"Minimum input required time before clock", "   1.5 ns"},
      {"Maximum output delay after clock", "12345.678 ns"},
      {"Minimum clock hold time", "   0.1 ns"},
      {"Maximum point to point delay", "     3 ns"},
      {"Minimum point to point delay", " 2.000 ns"},
      {"sys clk (Constraint = 50.0 MHz)", "  75.5 MHz"},
  };
  EXPECT_EQ(Classic(path), expected);
}

TEST_F(ReportFile, NothingWithoutReportOrSink) {
  const std::string missing = (FFolder / "missing.rpt").string();
  EXPECT_TRUE(Fitter(missing).empty());
  EXPECT_TRUE(TimeQuest(missing, 13.1).empty());
  EXPECT_TRUE(Classic(missing).empty());
  const std::string real = ReportPath("flex10ke-alu.tan.rpt");
  EXPECT_NO_THROW(FitterSummary(real, nullptr));
  EXPECT_NO_THROW(TimeQuestSummary(real, 13.1, nullptr));
  EXPECT_NO_THROW(ClassicTimingSummary(real, nullptr));
  // An empty report has no timing constraints.
  EXPECT_EQ(Classic(Write("empty.tan.rpt", "")), std::vector<TItem>{kNoConstraints});
  EXPECT_TRUE(Fitter(Write("empty.fit.rpt", "")).empty());
}

TEST_F(ReportFile, UnreadableReportRaisesAnError) {
  // A folder where the report should be: it exists and cannot be read.
  const std::string path = (FFolder / "top.fit.rpt").string();
  std::filesystem::create_directory(path);
  const TSummaryItemSink sink = [](auto&&...) {};
  try {
    FitterSummary(path, sink);
    FAIL() << "no error";
  } catch (const std::system_error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  EXPECT_THROW(TimeQuestSummary(path, 13.1, sink), std::system_error);
  EXPECT_THROW(ClassicTimingSummary(path, sink), std::system_error);
}

TEST_F(ReportFile, BytesPassUnconverted) {
  // Latin-1 degree sign and a NUL, as some reports hold.
  const std::string clock = std::string("clk\xb0") + '\0' + "x";
  const std::string path = Write("top.sta.rpt", "; Fmax Summary ;\n; 1.0 MHz ; 1.0 MHz ; " + clock +
                                                    " ; ;\n; Setup Summary ;\n");
  EXPECT_EQ(TimeQuest(path, 13.1), (std::vector<TItem>{{clock, "1.0 MHz"}}));
}

}  // namespace
}  // namespace morvel
