// The Quartus tool stand-ins run as processes on a copy of the sample project, driven the way
// the build flow drives them: the script and command line made from the option definitions,
// the constraint documents collected beside the output path, one tool after the other, the
// report readers on their reports and a simulated device programmed with their raw bit file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/ProjectFile.h"
#include "flow/ConsoleApplication.h"
#include "flow/QuartusReports.h"
#include "host/ChainTestSupport.h"
#include "jtag/ConfigStream.h"
#include "jtag/SimulatedChain.h"
#include "options/FPGAOptions.h"
#include "sdk/Strings.h"
#include "support/TclShell.h"
#include "support/TempDir.h"

namespace morvel {
namespace {

namespace fs = std::filesystem;
namespace jtag = host::jtag;
using testing::TclShellInstalled;

const fs::path kStage = MORVEL_STAGE_DIR;
constexpr const char* kTranslateSection = "Translate DesignQuartus_sh";

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> ReadBytes(const fs::path& file) {
  const std::string text = ReadText(file);
  return {text.begin(), text.end()};
}

std::vector<std::string> ReadLines(const fs::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);)
    if (!Trim(line).empty()) lines.push_back(Trim(line));
  return lines;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The file of that name in the folder, whatever its letter case, as the tools' home platform
// finds files; empty when there is none.
fs::path FindFile(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec))
    if (SameText(e.path().filename().string(), name)) return e.path();
  return {};
}

std::string ReplaceText(std::string text, const std::string& from, const std::string& to) {
  const std::string upperFrom = UpperCase(from);
  for (size_t pos = 0; (pos = UpperCase(text).find(upperFrom, pos)) != std::string::npos;) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
  return text;
}

// What the build flow's vendor stage makes of one output line.
enum class TLineKind { Plain, Info, Warning, Error };

TLineKind Classify(const std::string& line, const std::vector<std::string>& ignored) {
  const std::string upper = UpperCase(line);
  for (const std::string& fragment : ignored)
    if (Contains(upper, UpperCase(fragment))) return TLineKind::Plain;
  const std::string t = UpperCase(Trim(line));
  if (t.starts_with("ERROR")) return TLineKind::Error;
  if (t.starts_with("WARNING") || t.starts_with("CRITICAL WARNING")) return TLineKind::Warning;
  if (t.starts_with("INFO")) return TLineKind::Info;
  return TLineKind::Plain;
}

const std::vector<std::string>& IgnoredFragments() {
  static const std::vector<std::string> lines =
      ReadLines(kStage / "System/FPGAMessagesToIgnore.txt");
  return lines;
}

// One tool run through the plug-in's console runner: its lines as the host receives them.
struct TRun {
  uint32_t ExitCode = 0;
  std::vector<std::string> Lines;
  int Updates = 0;

  std::string Text() const {
    std::string text;
    for (const std::string& l : Lines) text += l + "\n";
    return text;
  }
  std::vector<std::string> Of(TLineKind kind) const {
    std::vector<std::string> found;
    for (const std::string& l : Lines)
      if (Classify(l, IgnoredFragments()) == kind) found.push_back(l);
    return found;
  }
};

TRun RunTool(const std::string& tool, const std::string& parameters, const fs::path& folder,
             const std::vector<std::string>& environment = {}) {
  TRun run;
  std::string env;
  if (!environment.empty()) {
    for (char** e = environ; *e != nullptr; ++e) (env += *e) += '\0';
    for (const std::string& e : environment) (env += e) += '\0';
  }
  TConsoleAppWrapper runner((kStage / "Quartus/bin" / ("quartus_" + tool)).string(), parameters,
                            env, folder.string(),
                            [&](const std::string& l) { run.Lines.push_back(l); },
                            [&](const std::string&) { ++run.Updates; }, true, [] {});
  run.ExitCode = runner.Execute(120, false);
  return run;
}

// The macro values the translate stage gives for the sample project on the built-in board's
// first device with Quartus 13.1.
std::string ExpandMacros(const std::string& line) {
  static const std::pair<const char*, const char*> kMacros[] = {
      {".ReplaceDeviceFamilyName", "Stratix V"},
      {".ReplaceDeviceName", "5SGXEA7N2F45C2"},
      {".ReplaceProjectName", "Counter"},
      {".ReplaceLMF", "/opt/host/EDIF/Zephra.LMF"},
      {".ReplaceUserID", "00C0FFEE"},
      {".ReplaceShortUserID", ""},
      {".ReplaceEnablePLDFlow", "0"},
      {".ReplaceOptimizationFlag", "cyclone_optimization_technique"},
      {".ReplaceConfigSchemeFlag", "cyclone_configuration_scheme"},
      {".ReplaceConfigDeviceFlag", "cyclone_configuration_device"},
      {".ReplaceAddTimeQuestFile", ""},
  };
  std::string text = Trim(line);
  for (const auto& [macro, value] : kMacros) text = ReplaceText(text, macro, value);
  return text;
}

// A copy of the sample project in a folder of its own, with what the build flow does before
// each tool: the translate stage's script, command line and collected constraint documents.
class TSampleProject {
 public:
  TSampleProject() {
    fs::copy(kStage / "Examples/Counter", FDir.Path(), fs::copy_options::recursive);
    Reload();
  }

  void Reload() { FProject = host::LoadProjectFile(FDir / "Counter.PrjFpg"); }
  const fs::path& Folder() const { return FDir.Path(); }
  fs::path Output() const { return fs::path(FProject.OutputPath).parent_path(); }
  std::string Name() const { return fs::path(FProject.OutputPath).stem().string(); }
  fs::path Find(const std::string& name) const { return FindFile(Output(), name); }

  void SetOption(const std::string& name, const std::string& value) {
    std::erase_if(FProject.Options, [&](const auto& o) { return SameText(std::get<1>(o), name); });
    FProject.Options.emplace_back(kTranslateSection, name, value);
    host::SaveProjectFile(FProject);
  }
  void Edit(const std::string& document,
            const std::function<std::string(const std::string&)>& change) {
    const fs::path file = FDir / document;
    const std::string text = change(ReadText(file));
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  }

  // The translate stage's options as the project stores them.
  std::unique_ptr<TFPGAOptions> Options() const {
    auto options = std::make_unique<TFPGAOptions>("5SGXEA7N2F45C2N", "13.1.0");
    options->LoadOptions((kStage / "System/DefaultOptions_Quartus.xml").string());
    for (const auto& [section, name, value] : FProject.Options) {
      TFPGAOption_Abstract* option = options->GetOption(name);
      if (!SameText(section, kTranslateSection) || option == nullptr) continue;
      option->SetValue(value);
      option->WasLoaded = true;
    }
    return options;
  }

  // Writes the script and the collected constraints; answers quartus_sh's parameters.
  std::string PrepareTranslate() const {
    const auto options = Options();
    TFPGAStringList script;
    TFPGAStringList pieces;
    options->GetLines(true, script, options->Device(), options->Tool());
    options->GetLines(false, pieces, options->Device(), options->Tool());
    fs::create_directories(Output());
    std::ofstream out(Output() / ExpandMacros(options->Commands_Filename));
    for (const std::string& line : script) out << ExpandMacros(line) << "\n";
    std::string parameters;
    for (const std::string& piece : pieces) parameters += " " + ExpandMacros(piece);
    std::ofstream constraints(Output() / (Name() + "_UserConstraints.TCL"));
    for (const fs::path& document : FProject.Documents)
      if (SameText(document.extension().string(), ".TCL")) constraints << ReadText(document);
    return parameters;
  }

  TRun Translate() const { return RunTool("sh", PrepareTranslate(), Output()); }
  TRun Run(const std::string& tool, const std::string& extra = "",
           const std::vector<std::string>& environment = {}) const {
    return RunTool(tool, Name() + extra, Output(), environment);
  }

 private:
  testing::TempDir FDir;
  host::ProjectData FProject;
};

struct TItem {
  std::string Item;
  std::string Value;
  bool operator==(const TItem&) const = default;
};

void PrintTo(const TItem& i, std::ostream* os) {
  *os << "{\"" << i.Item << "\", \"" << i.Value << "\"}";
}

std::vector<TItem> Collect(const std::function<void(const TSummaryItemSink&)>& read) {
  std::vector<TItem> items;
  read([&](const std::string&, const std::string& item, const std::string& value,
           const std::string&) {
    items.push_back({item, value});
  });
  return items;
}

// Fitter item names keep their cell's padding, which says nothing of the figures.
std::vector<TItem> TrimmedNames(std::vector<TItem> items) {
  for (TItem& i : items) i.Item = Trim(i.Item);
  return items;
}

// ---- The sample project built once, tool by tool -----------------------------------------------

class QuartusSampleBuild : public ::testing::Test {
 protected:
  struct TBuild {
    TSampleProject Project;
    std::string Parameters;
    std::map<std::string, TRun> Runs;
    std::vector<uint8_t> Compressed;
  };

  static void SetUpTestSuite() {
    if (!TclShellInstalled()) return;
    FBuild = std::make_unique<TBuild>();
    TBuild& b = *FBuild;
    b.Parameters = b.Project.PrepareTranslate();
    b.Runs["sh"] = RunTool("sh", b.Parameters, b.Project.Output());
    b.Runs["map"] = b.Project.Run("map");
    b.Runs["fit"] = b.Project.Run("fit");
    b.Runs["sta"] = b.Project.Run("sta", " --sdc=" + b.Project.Name() + "_sta.sdc");
    b.Runs["tan"] = b.Project.Run("tan");
    // The assembler's two passes of a compressed build: the compressed file is kept aside.
    b.Runs["asm-on"] = b.Project.Run("asm", " --set=ON_CHIP_BITSTREAM_DECOMPRESSION=ON");
    if (const fs::path rbf = b.Project.Find("counter.rbf"); !rbf.empty())
      b.Compressed = ReadBytes(rbf);
    b.Runs["asm"] = b.Project.Run("asm", " --set=ON_CHIP_BITSTREAM_DECOMPRESSION=OFF");
  }
  static void TearDownTestSuite() { FBuild.reset(); }

  void SetUp() override {
    if (!FBuild) GTEST_SKIP() << "tclsh is not installed (./bootstrap installs the tcl package)";
  }

  static TBuild& Build() { return *FBuild; }
  static fs::path Output(const std::string& name) { return Build().Project.Find(name); }

 private:
  static inline std::unique_ptr<TBuild> FBuild;
};

TEST_F(QuartusSampleBuild, OptionDefinitionsMakeTheScriptAndCommandLine) {
  EXPECT_EQ(Build().Parameters, " -t Counter.tcl");
  const auto options = Build().Project.Options();
  for (const char* name : {"Use TimeQuest Timing Analyzer", "On-Chip Bitstream Compression"})
    ASSERT_NE(options->GetOption(name), nullptr) << name;
  EXPECT_EQ(options->GetOption("Use TimeQuest Timing Analyzer")->GetValue(), "True")
      << "the flow compares the value with True";
  EXPECT_EQ(options->GetOption("On-Chip Bitstream Compression")->GetValue(), "False");
  TFPGAOptions timing("5SGXEA7N2F45C2N", "13.1.0");
  timing.LoadOptions((kStage / "System/DefaultOptions_Quartus_Tan.xml").string());
  ASSERT_NE(timing.GetOption("Skip Timing Analysis"), nullptr);
  EXPECT_EQ(timing.GetOption("Skip Timing Analysis")->GetValue(), "False");

  const std::string script = ReadText(Output("Counter.tcl"));
  for (const char* line :
       {"project_new -overwrite Counter\n", "set_global_assignment -name FAMILY \"Stratix V\"\n",
        "set_global_assignment -name DEVICE 5SGXEA7N2F45C2\n",
        "set_global_assignment -name TOP_LEVEL_ENTITY counter\n",
        "add_design_files {../counter.vhd}\n", "set_user_code \"00C0FFEE\"\n",
        "set_global_assignment -name USE_TIMEQUEST_TIMING_ANALYZER ON\n",
        "set_global_assignment -name ON_CHIP_BITSTREAM_DECOMPRESSION OFF\n",
        "source Counter_UserConstraints.TCL", " write_timing_constraints Counter_sta.sdc\n",
        "file copy -force Counter.qpf Counter.qpf_orig\n"})
    EXPECT_TRUE(Contains(script, line)) << line;
  EXPECT_FALSE(Contains(script, "//")) << "comments are stripped";
  EXPECT_FALSE(Contains(script, ".Replace")) << "every macro is expanded";
}

TEST_F(QuartusSampleBuild, TheScriptMakesTheProjectTheConstraintsAndTheTranslateOutput) {
  ASSERT_EQ(Build().Runs["sh"].ExitCode, 0u) << Build().Runs["sh"].Text();
  EXPECT_FALSE(Output("counter.qpf_orig").empty()) << "the translate stage's output";
  const std::string qsf = ReadText(Output("Counter.qsf"));
  for (const char* line :
       {"set_global_assignment -name FAMILY \"Stratix V\"\n",
        "set_global_assignment -name DEVICE 5SGXEA7N2F45C2\n",
        "set_global_assignment -name VHDL_FILE ../counter.vhd\n",
        "set_global_assignment -name STRATIX_JTAG_USER_CODE 00C0FFEE\n",
        "set_global_assignment -name SDC_FILE Counter_sta.sdc\n",
        "set_location_assignment PIN_AJ27 -to clk\n",
        "set_location_assignment PIN_BA35 -to led[3]\n",
        "set_instance_assignment -name IO_STANDARD \"2.5 V\" -to led[*]\n",
        "set_global_assignment -name FMAX_REQUIREMENT \"100 MHz\" -section_id clk\n",
        "set_instance_assignment -name CLOCK_SETTINGS clk -to clk\n"})
    EXPECT_TRUE(Contains(qsf, line)) << line;
  EXPECT_TRUE(Contains(ReadText(Output("counter_sta.sdc")),
                       "create_clock -name {clk} -period 10.000 [get_ports {clk}]\n"));
}

TEST_F(QuartusSampleBuild, EveryToolWritesItsOutputAndOnlyClassifiedLines) {
  const std::pair<const char*, const char*> outputs[] = {
      {"sh", "counter.qpf_orig"}, {"map", "counter.map.rpt"}, {"fit", "counter.fit.rpt"},
      {"sta", "counter.sta.rpt"}, {"tan", "counter.tan.rpt"}, {"asm", "counter.rbf"},
      {"asm", "counter.asm.rpt"}};
  for (const auto& [tool, file] : outputs) {
    SCOPED_TRACE(tool);
    const TRun& run = Build().Runs[tool];
    EXPECT_EQ(run.ExitCode, 0u) << run.Text();
    EXPECT_FALSE(Output(file).empty()) << file;
    EXPECT_EQ(run.Updates, 0) << "every line ends in CR LF, so none overwrites the one before";
    EXPECT_TRUE(run.Of(TLineKind::Error).empty()) << run.Text();
    ASSERT_FALSE(run.Lines.empty());
    EXPECT_EQ(run.Lines.back(), "") << "output ending in CR LF leaves one empty line";
    for (size_t i = 0; i + 1 < run.Lines.size(); ++i) {
      const std::string& line = run.Lines[i];
      if (Classify(line, IgnoredFragments()) == TLineKind::Plain) {
        EXPECT_TRUE(Classify(line, {}) != TLineKind::Plain)
            << "only lines of the ignore list go unclassified: " << line;
      }
    }
  }
  const std::vector<std::string> summary = Build().Runs["map"].Of(TLineKind::Info);
  ASSERT_FALSE(summary.empty());
  EXPECT_EQ(summary.back(),
            "Info: Quartus II 64-Bit Analysis & Synthesis was successful. 0 errors, 0 warnings");
}

TEST_F(QuartusSampleBuild, FitterSummaryReadsTheResourceTable) {
  const std::string report = Output("counter.fit.rpt").string();
  const std::vector<TItem> items =
      Collect([&](const TSummaryItemSink& sink) { FitterSummary(report, sink); });
  // The three-column table of the family: the reader picks the register, pin, DSP and clock
  // rows, the ALM rows about registers among them.
  const std::vector<TItem> expected = {
      {"[a] ALMs used for LUT logic and registers", " 13"},
      {"[c] ALMs used for registers", " 4"},
      {"Dedicated logic registers", " 26"},
      {"-- Primary logic registers", "     26 / 938,880 (< 1%)"},
      {"-- Secondary logic registers", "      0 / 938,880 ( 0%)"},
      {"-- Design implementation registers", " 26"},
      {"-- Routing optimization registers", " 0"},
      {"I/O pins", "      6 /     840 (< 1%)"},
      {"Total DSP Blocks", "      0 /     256 ( 0%)"},
      {"Global clocks", "      1 /      16 ( 6%)"},
  };
  EXPECT_EQ(TrimmedNames(items), expected);
}

TEST_F(QuartusSampleBuild, TimingSummariesReadTheConstrainedClock) {
  const std::string sta = Output("counter.sta.rpt").string();
  EXPECT_EQ(Collect([&](const TSummaryItemSink& s) { TimeQuestSummary(sta, 13.1, s); }),
            (std::vector<TItem>{{"clk", "443.78 MHz"}}));
  const std::string tan = Output("counter.tan.rpt").string();
  EXPECT_EQ(Collect([&](const TSummaryItemSink& s) { ClassicTimingSummary(tan, s); }),
            (std::vector<TItem>{
                {"Minimum input required time before clock", " 1.881 ns"},
                {"Maximum output delay after clock", " 4.739 ns"},
                {"Minimum clock hold time", "-0.421 ns"},
                {"clk (Constraint = 100.00 MHz)", "443.78 MHz"},
            }));
}

TEST_F(QuartusSampleBuild, RawBitFilesCarryTheUserCodeAndProgramADevice) {
  const std::vector<uint8_t> plain = ReadBytes(Output("counter.rbf"));
  const std::vector<uint8_t>& compressed = Build().Compressed;
  const auto header = jtag::ReadRawBitHeader(plain);
  const auto compressedHeader = jtag::ReadRawBitHeader(compressed);
  ASSERT_TRUE(header && compressedHeader);
  EXPECT_EQ(header->UserCode, 0x00C0FFEEu);
  EXPECT_EQ(compressedHeader->UserCode, 0x00C0FFEEu);
  EXPECT_EQ(header->PayloadLength, plain.size() - jtag::kRawBitPayloadOffset);
  EXPECT_EQ(header->PayloadCrc, jtag::Crc32(std::span(plain).subspan(jtag::kRawBitPayloadOffset)));
  EXPECT_LT(compressed.size() * 4, plain.size()) << "an almost empty device compresses well";

  for (const std::vector<uint8_t>* file : {&plain, &compressed}) {
    jtag::SimulatedChain chain({jtag::test::EA7(), jtag::test::SMD5()});
    jtag::test::Program(chain, *file, 0);
    EXPECT_EQ(chain.Device(0).State(), jtag::SimulatedDevice::Configuration::Configured);
    EXPECT_TRUE(chain.Device(0).Stream().PayloadIntact());
    EXPECT_EQ(jtag::test::ReadRegister(chain, jtag::stratix::kUserCode, 0), 0x00C0FFEEu);
  }

  TRun again = Build().Project.Run("asm");
  ASSERT_EQ(again.ExitCode, 0u) << again.Text();
  EXPECT_EQ(ReadBytes(Output("counter.rbf")), plain) << "the same design, the same bytes";
}

// ---- Errors ------------------------------------------------------------------------------------

class QuartusTools : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TclShellInstalled())
      GTEST_SKIP() << "tclsh is not installed (./bootstrap installs the tcl package)";
  }
};

// Each case spoils the sample project, builds up to the tool that must object, and checks that
// the tool reports an "Error:" line, ends with exit status 3 and leaves no output behind.
TEST_F(QuartusTools, DesignErrorsStopTheToolWithoutOutput) {
  struct TCase {
    const char* Name;
    std::function<void(TSampleProject&)> Spoil;
    const char* Tool;
    const char* Output;
    const char* Error;
  };
  const auto edit = [](const char* document, const char* from, const char* to) {
    return [=](TSampleProject& p) {
      p.Edit(document, [=](const std::string& text) { return ReplaceText(text, from, to); });
    };
  };
  const TCase cases[] = {
      {"missing source file", [](TSampleProject& p) { fs::remove(p.Folder() / "counter.vhd"); },
       "map", "counter.map.rpt", "Error (12002): Can't find design file \"../counter.vhd\""},
      {"unbalanced end", edit("counter.vhd", "    end if;\n", ""), "map", "counter.map.rpt",
       "Error (10500): VHDL syntax error at counter.vhd(29) near text \"process\";  expecting "
       "\"if\""},
      {"entity without its end", edit("counter.vhd", "end entity counter;", ""), "map",
       "counter.map.rpt",
       "near text \"architecture\";  expecting \"end\" of the entity opened at line 7"},
      {"end of another name", edit("counter.vhd", "end entity counter;", "end entity count;"),
       "map", "counter.map.rpt", "must match previously specified name \"counter\""},
      {"top-level entity undeclared",
       [](TSampleProject& p) { p.SetOption("Top-Level Entity", "blinker"); }, "map",
       "counter.map.rpt", "Error (12007): Top-level design entity \"blinker\" is undefined"},
      {"ball outside the package", edit("counter_pins.TCL", "PIN_AJ27", "PIN_BE50"), "fit",
       "counter.fit.rpt", "Can't place pin \"clk\" at location \"PIN_BE50\""},
      {"two pins on one ball", edit("counter_pins.TCL", "PIN_AV37", "PIN_AW37"), "fit",
       "counter.fit.rpt", "Can't place multiple pins assigned to pin location PIN_AW37"},
      {"user code not hexadecimal", [](TSampleProject& p) { p.SetOption("User Code", "C0FFEE-1"); },
       "sh", "counter.qpf_orig",
       "Error (23035): Tcl error: User code \"C0FFEE-1\" of the project is not a hexadecimal"},
      {"constraint document with a Tcl error",
       edit("counter_pins.TCL", "create_base_clock", "create_base_clok"), "sh", "counter.qpf_orig",
       "invalid command name \"create_base_clok\""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSampleProject project;
    c.Spoil(project);
    project.Reload();
    TRun run = project.Translate();
    for (const char* tool : {"map", "fit"}) {
      if (std::string(c.Tool) == "sh" || run.ExitCode != 0) break;
      run = project.Run(tool);
      if (c.Tool == std::string(tool)) break;
    }
    EXPECT_EQ(run.ExitCode, 3u) << run.Text();
    EXPECT_TRUE(Contains(run.Text(), c.Error)) << run.Text();
    EXPECT_FALSE(run.Of(TLineKind::Error).empty());
    EXPECT_TRUE(project.Find(c.Output).empty()) << c.Output << " was written";
  }
}

TEST_F(QuartusTools, ToolsWithoutTheirArgumentsSayWhatIsMissing) {
  struct TCase {
    const char* Tool;
    const char* Parameters;
    const char* Error;
  };
  const TCase cases[] = {
      {"sh", "", "Error: quartus_sh needs something to do"},
      {"sh", "-t", "Error: quartus_sh -t needs the name of a Tcl script"},
      {"map", "", "Error: quartus_map needs the name of a project"},
      {"fit", "--rev", "Error: --rev needs the name of a revision"},
      {"sta", "counter --sdc", "Error: --sdc needs a value"},
      {"tan", "counter --bogus", "Error: Unknown option --bogus"},
      {"asm", "counter --set=ON_CHIP_BITSTREAM_DECOMPRESSION", "Error: --set needs an assignment"},
      {"cmd", "", "Error: quartus_cmd needs the name of a project"},
  };
  testing::TempDir dir;
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Tool) + " " + c.Parameters);
    const TRun run = RunTool(c.Tool, c.Parameters, dir.Path());
    EXPECT_EQ(run.ExitCode, 2u) << run.Text();
    ASSERT_FALSE(run.Lines.empty());
    EXPECT_TRUE(run.Lines[0].starts_with(c.Error)) << run.Text();
  }
  EXPECT_TRUE(fs::is_empty(dir.Path())) << "nothing is written";

  const TRun missing = RunTool("map", "nowhere", dir.Path());
  EXPECT_EQ(missing.ExitCode, 3u);
  EXPECT_TRUE(Contains(missing.Text(), "Error (20000): Can't open project \"nowhere\""));
  const TRun unfit = RunTool("sh", "-t no_such_script.tcl", dir.Path());
  EXPECT_EQ(unfit.ExitCode, 3u);
  EXPECT_TRUE(Contains(unfit.Text(), "Can't open Tcl script file \"no_such_script.tcl\""));
}

TEST_F(QuartusTools, ToolsRunOutOfOrderAskForTheToolBefore) {
  TSampleProject project;
  ASSERT_EQ(project.Translate().ExitCode, 0u);
  for (const char* tool : {"fit", "sta", "tan", "asm"}) {
    const TRun run = project.Run(tool);
    EXPECT_EQ(run.ExitCode, 3u) << tool;
    EXPECT_TRUE(Contains(
        run.Text(), tool == std::string("fit") ? "run Analysis & Synthesis" : "run the Fitter"))
        << run.Text();
  }
}

// ---- Replayed reports and designs of other shapes ------------------------------------------

// The sample's counter written in Verilog, and in VHDL as two halves of another entity: the
// same registers, pins and clock through every tool.
TEST_F(QuartusTools, VerilogAndHierarchicalDesignsBuildLikeTheSample) {
  const std::pair<const char*, const char*> designs[] = {
      {"counter.v",
       "// The counter in Verilog\n"
       "module counter #(parameter WIDTH = 26) (input wire clk, input wire reset_n,\n"
       "                                       output wire [3:0] led);\n"
       "  reg [WIDTH-1:0] count;\n"
       "  always @(posedge clk or negedge reset_n) begin\n"
       "    if (!reset_n) count <= 0;\n"
       "    else count <= count + 1'b1;\n"
       "  end\n"
       "  assign led = count[WIDTH-1:WIDTH-4];\n"
       "endmodule\n"},
      {"halves.vhd",
       "library ieee; use ieee.std_logic_1164.all; use ieee.numeric_std.all;\n"
       "entity half is\n"
       "  generic (W : natural := 13);\n"
       "  port (clk, reset_n, en : in std_logic; q : out std_logic_vector(W - 1 downto 0));\n"
       "end entity half;\n"
       "architecture rtl of half is\n"
       "  signal n : unsigned(W - 1 downto 0);\n"
       "begin\n"
       "  process (clk, reset_n) begin\n"
       "    if reset_n = '0' then n <= (others => '0');\n"
       "    elsif rising_edge(clk) then\n"
       "      if en = '1' then n <= n + 1; end if;\n"
       "    end if;\n"
       "  end process;\n"
       "  q <= std_logic_vector(n);\n"
       "end architecture rtl;\n"
       "library ieee; use ieee.std_logic_1164.all;\n"
       "entity counter is\n"
       "  port (clk, reset_n : in std_logic; led : out std_logic_vector(3 downto 0));\n"
       "end entity counter;\n"
       "architecture structure of counter is\n"
       "  signal low, high : std_logic_vector(12 downto 0);\n"
       "begin\n"
       "  lower : entity work.half port map (clk => clk, reset_n => reset_n, en => '1', q => "
       "low);\n"
       "  upper : entity work.half port map (clk => clk, reset_n => reset_n, en => low(12), q => "
       "high);\n"
       "  led <= high(12 downto 9);\n"
       "end architecture structure;\n"},
  };
  for (const auto& [file, text] : designs) {
    SCOPED_TRACE(file);
    TSampleProject project;
    fs::remove(project.Folder() / "counter.vhd");
    std::ofstream(project.Folder() / file) << text;
    project.SetOption("Source Files", std::string("../") + file);
    project.Reload();
    ASSERT_EQ(project.Translate().ExitCode, 0u);
    for (const char* tool : {"map", "fit"}) {
      const TRun run = project.Run(tool);
      ASSERT_EQ(run.ExitCode, 0u) << run.Text();
      EXPECT_TRUE(run.Of(TLineKind::Warning).empty()) << run.Text();
    }
    ASSERT_EQ(project.Run("sta", " --sdc=counter_sta.sdc").ExitCode, 0u);
    const std::vector<TItem> fitter = TrimmedNames(Collect([&](const TSummaryItemSink& s) {
      FitterSummary(project.Find("counter.fit.rpt").string(), s);
    }));
    EXPECT_NE(std::find(fitter.begin(), fitter.end(), TItem{"Dedicated logic registers", " 26"}),
              fitter.end());
    EXPECT_NE(
        std::find(fitter.begin(), fitter.end(), TItem{"I/O pins", "      6 /     840 (< 1%)"}),
        fitter.end());
    const std::vector<TItem> timing = Collect([&](const TSummaryItemSink& s) {
      TimeQuestSummary(project.Find("counter.sta.rpt").string(), 13.1, s);
    });
    ASSERT_EQ(timing.size(), 1u);
    EXPECT_EQ(timing[0].Item, "clk");
  }
}

TEST_F(QuartusTools, AToolReplaysTheReportItIsGiven) {
  TSampleProject project;
  ASSERT_EQ(project.Translate().ExitCode, 0u);
  ASSERT_EQ(project.Run("map").ExitCode, 0u);
  const fs::path real = fs::path(MORVEL_REPORT_DIR) / "stratix5-memtestsm.fit.rpt";
  const TRun run = project.Run("fit", "", {"MORVEL_REPLAY_QUARTUS_FIT=" + real.string()});
  ASSERT_EQ(run.ExitCode, 0u) << run.Text();
  const fs::path report = project.Find("counter.fit.rpt");
  EXPECT_EQ(ReadText(report), ReadText(real));
  const std::vector<TItem> items =
      Collect([&](const TSummaryItemSink& s) { FitterSummary(report.string(), s); });
  const std::vector<TItem> trimmed = TrimmedNames(items);
  EXPECT_NE(std::find(trimmed.begin(), trimmed.end(), TItem{"Dedicated logic registers", " 178"}),
            trimmed.end());

  const TRun lost = project.Run("map", "", {"MORVEL_REPLAY_QUARTUS_MAP=/no/such/report.rpt"});
  EXPECT_EQ(lost.ExitCode, 3u);
  EXPECT_TRUE(Contains(lost.Text(), "Error: Can't replay report \"/no/such/report.rpt\""));
}

TEST_F(QuartusTools, ACombinationalDesignHasNoTimingConstraints) {
  TSampleProject project;
  project.Edit("counter.vhd", [](const std::string&) {
    return "library ieee;\nuse ieee.std_logic_1164.all;\n"
           "entity counter is\n  port (a, b : in std_logic; y : out std_logic; spare : in "
           "std_logic);\nend counter;\n"
           "architecture rtl of counter is\nbegin\n  y <= a xor b;\nend rtl;\n";
  });
  project.Edit("counter_pins.TCL", [](const std::string&) { return std::string(); });
  project.Reload();
  ASSERT_EQ(project.Translate().ExitCode, 0u);
  const TRun map = project.Run("map");
  ASSERT_EQ(map.ExitCode, 0u) << map.Text();
  EXPECT_TRUE(Contains(map.Text(), "Warning (15610): No output dependent on input pin \"spare\""));
  const TRun fit = project.Run("fit");
  ASSERT_EQ(fit.ExitCode, 0u) << fit.Text();
  EXPECT_TRUE(Contains(
      fit.Text(),
      "Critical Warning (169085): No exact pin location assignment(s) for 4 pins of 4 total pins"));
  ASSERT_EQ(project.Run("sta", " --sdc=counter_sta.sdc").ExitCode, 0u);
  ASSERT_EQ(project.Run("tan").ExitCode, 0u);
  const std::string sta = project.Find("counter.sta.rpt").string();
  EXPECT_EQ(Collect([&](const TSummaryItemSink& s) { TimeQuestSummary(sta, 13.1, s); }),
            (std::vector<TItem>{{"No timing constraints.", ""}}));
  const std::string tan = project.Find("counter.tan.rpt").string();
  EXPECT_EQ(Collect([&](const TSummaryItemSink& s) { ClassicTimingSummary(tan, s); }),
            (std::vector<TItem>{{"No timing constraints.", ""},
                                {"Maximum point to point delay", " 6.108 ns"}}));
}

}  // namespace
}  // namespace morvel
