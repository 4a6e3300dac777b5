// The build-flow commands of morvel-host as users run them on a copy of the sample project:
// the real plug-in's build flow running the Quartus stand-ins, the download into the simulated
// board, a stage's options in the project file, bad projects, and Ctrl-C during a build.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "jtag/ConfigStream.h"
#include "support/HostProcess.h"
#include "support/TclShell.h"
#include "support/TempDir.h"

namespace {

using namespace morvel::testing;
namespace fs = std::filesystem;

const fs::path kStage = fs::path(MORVEL_HOST_EXE).parent_path();

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A copy of the sample project in a folder of the test's own.
class FlowCli : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(kStage / "Examples" / "Counter", project, fs::copy_options::recursive);
  }
  void NeedTools() {
    if (!TclShellInstalled()) GTEST_SKIP() << "tclsh is not installed (Debian package tcl)";
  }
  CommandRun Run(const std::string& args) { return Host(args); }
  fs::path File() const { return project / "Counter.PrjFpg"; }

  TempDir dir;
  fs::path project = dir / "Counter";
};

TEST_F(FlowCli, BuildThenDownloadProgramsTheProjectsUserCode) {
  NeedTools();
  const std::string p = project.string();
  CommandRun run = Run("flow " + p);
  ASSERT_EQ(run.Status, 0) << run.Out;
  for (const char* row : {"Build  ", "  Translate Design", "  Map Design", "  Place and Route",
                          "  Timing Analysis", "  Make BIT File", "Program FPGA"})
    EXPECT_TRUE(Has(run.Out, row)) << row << "\n" << run.Out;
  EXPECT_TRUE(Has(run.Out, "counter.RBF")) << run.Out;
  EXPECT_FALSE(Has(run.Out, "UpToDate")) << "nothing is built yet\n" << run.Out;

  run = Run("build " + p);
  ASSERT_EQ(run.Status, 0) << run.Out;
  // Stages in dependency order, each with the tool's own lines, classified.
  size_t at = 0;
  for (const char* stage : {"-- Translate Design", "-- Map Design", "-- Place and Route",
                            "-- Timing Analysis", "-- Make BIT File"}) {
    const size_t found = run.Out.find(stage, at);
    ASSERT_NE(found, std::string::npos) << stage << "\n" << run.Out;
    at = found;
  }
  EXPECT_TRUE(Has(run.Out, "     info | Info: Command: quartus_map counter")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "0 errors, 0 warnings")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Device Resources - Usage Summary")) << "fitter summary\n" << run.Out;
  EXPECT_TRUE(Has(run.Out, "Timing Summary")) << run.Out;
  EXPECT_TRUE(Has(run.Out, " MHz\n")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Result: Success\n")) << run.Out;
  EXPECT_TRUE(fs::exists(project / "Output" / "counter.rbf"));

  // Built: a run of what is out of date runs nothing; a plain run forces the last stage only.
  run = Run("build " + p + " --if-out-of-date");
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_TRUE(Has(run.Out, "nothing ran")) << run.Out;
  EXPECT_FALSE(Has(run.Out, "\n-- ")) << run.Out;
  run = Run("build " + p);
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_TRUE(Has(run.Out, "-- Make BIT File")) << run.Out;
  EXPECT_FALSE(Has(run.Out, "-- Map Design")) << run.Out;

  run = Run("flow " + p);
  ASSERT_EQ(run.Status, 0) << run.Out;
  for (const std::string& line : Lines(run.Out)) {
    if (line.find("  Make BIT File") == 0 || line.find("Build ") == 0) {
      EXPECT_TRUE(Has(line, "UpToDate")) << line;
    }
  }

  // A fresh board each run: the download resets the device and programs the build's file.
  run = Run("download " + p);
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Downloading via JTAG Completed in")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Device 0 (5SGXEA7N2F45C2N): state 2, Programmed")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Device 0 (5SGXEA7N2F45C2N): user code 0x00C0FFEE")) << run.Out;

  run = Run("download " + p + " --choose " + (project / "Output" / "counter.rbf").string());
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_TRUE(Has(run.Out,
                  "[dialog] Choose Programming File For Altera Stratix5 5SGXEA7N2F45C2N: "
                  "open file, filter 1 of \"5SGXEA7N2F45C2N programming files (*.rbf)|*.RBF|"))
      << run.Out;
  EXPECT_TRUE(Has(run.Out, "user code 0x00C0FFEE")) << run.Out;
}

TEST_F(FlowCli, OptionsShowTheStagesSetAndScriptAndRefusalsChangeNothing) {
  const std::string p = project.string();
  const std::string before = ReadText(File());
  CommandRun run = Run("options " + p + " --stage 'translate design'");
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_TRUE(Has(run.Out, "  [Design]\n    Top-Level Entity = counter\n")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "VHDL Version = VHDL_1993   (one of: VHDL_1987, VHDL_1993, VHDL_2008)"))
      << run.Out;
  EXPECT_LT(run.Out.find("  [Design]"), run.Out.find("  [Fitter]")) << "the set's order";

  // A refused value and an unknown name change nothing, also beside a good one.
  for (const char* set :
       {"'VHDL Version=VHDL_2020'", "'Fitter Sead=8'", "'Fitter Seed=8' --set 'Bogus=1'"}) {
    run = Run("options " + p + " --stage 'Translate Design' --set " + set);
    EXPECT_EQ(run.Status, 1) << set << "\n" << run.Out;
    EXPECT_EQ(ReadText(File()), before) << set;
  }

  run = Run("options " + p + " --stage 'Translate Design' --show-script");
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Tool: " + (kStage / "Quartus/bin/quartus_sh").string())) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Parameters: -t Counter.tcl")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "  project_new -overwrite Counter\n")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "  set_global_assignment -name DEVICE 5SGXEA7N2F45C2\n")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "  set_user_code \"00C0FFEE\"\n")) << "macros replaced\n" << run.Out;
}

TEST_F(FlowCli, ASetOptionIsSavedBesideTheProjectsOtherSettings) {
  const std::string p = project.string();
  CommandRun run = Run("options " + p + " --stage 'translate design' --set 'Fitter Seed=7'");
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Set Fitter Seed = 7\n")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "  [Fitter]\n    Fitter Effort")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "    Fitter Seed = 7\n")) << run.Out;
  const std::string saved = ReadText(File());
  EXPECT_TRUE(Has(saved, "Fitter Seed=7\n")) << saved;
  EXPECT_TRUE(Has(saved, "Top-Level Entity=counter\n")) << saved;
  EXPECT_TRUE(Has(saved, "Source Files=../counter.vhd\n")) << saved;
  run = Run("options " + p + " --stage 'Translate Design' --show-script");
  EXPECT_TRUE(Has(run.Out, "    Fitter Seed = 7\n")) << "read back from the project\n" << run.Out;
}

TEST_F(FlowCli, BadProjectsAndStagesGiveAClearError) {
  const std::string p = project.string();
  dir.Write("Damaged/Counter.PrjFpg", "[Documents]\nDocument1=counter.vhd\n");
  dir.Write("Two/A.PrjFpg", "[Project]\nOutputPath=a.edf\n");
  dir.Write("Two/B.prjfpg", "[Project]\nOutputPath=b.edf\n");
  fs::create_directories(dir / "Empty");
  const struct {
    std::string args;
    int status;
    std::string says;
  } cases[] = {
      {"flow " + (dir / "Missing").string(), 1, "does not exist"},
      {"build " + (dir / "Missing/Counter.PrjFpg").string(), 1, "does not exist"},
      {"build " + (dir / "Damaged").string(), 1, "is damaged"},
      {"flow " + (dir / "Two").string(), 1, "holds 2 project files (A.PrjFpg, B.prjfpg)"},
      {"flow " + (dir / "Empty").string(), 1, "holds no project file"},
      {"build " + p + " --stage 'Place And Rout'", 2,
       "no stage 'Place And Rout'; the stages are: Build, Translate Design, Map Design, Place "
       "and Route, Timing Analysis, Make BIT File"},
      {"build " + p + " --all --if-out-of-date", 2, "not both"},
      {"build", 2, "build takes one PROJECT"},
      {"options " + p, 2, "options needs --stage NAME"},
      {"options " + p + " --stage Download", 1, "Download runs no vendor tool"},
      {"options " + p + " --stage 'Map Design' --set Seed", 2, "--set needs NAME=VALUE"},
      {"download " + p + " --index 5", 2, "beyond the chain"},
      {"download " + p + " --choose " + (dir / "none.rbf").string(), 1,
       "Download file is missing. Current filename is : " + (dir / "none.rbf").string()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CommandRun run = Run(c.args);
    EXPECT_EQ(run.Status, c.status) << run.Out;
    EXPECT_TRUE(Has(run.Out, c.says)) << run.Out;
  }
  EXPECT_FALSE(fs::exists(dir / "Missing")) << "nothing is made for a missing project";
}

TEST_F(FlowCli, AProjectWithoutItsTopLevelDocumentFailsWithTheToolsError) {
  NeedTools();
  fs::remove(project / "counter.vhd");
  std::string text = ReadText(File());
  for (const char* key : {"Document1=counter.vhd\n", "Source Files=../counter.vhd\n"})
    text.erase(text.find(key), std::string(key).size());
  std::ofstream(File(), std::ios::binary | std::ios::trunc) << text;
  const CommandRun run = Run("build " + project.string());
  EXPECT_EQ(run.Status, 1) << run.Out;
  EXPECT_TRUE(Has(run.Out,
                  "    error | Error (12007): Top-level design entity \"counter\" is "
                  "undefined"))
      << run.Out;
  EXPECT_TRUE(Has(run.Out, "2 errors, 1 warning\n")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Result: Failure\n")) << run.Out;
  EXPECT_FALSE(Has(run.Out, "-- Place and Route")) << "the build stops at the failed stage";
}

TEST_F(FlowCli, CtrlCStopsTheBuild) {
  NeedTools();
  // Each tool would take a minute; Ctrl-C must not wait for it.
  BackgroundHost first({"build", project.string()}, {"MORVEL_QUARTUS_DELAY_MS=60000"});
  ASSERT_TRUE(first.WaitFor("Info: Command: quartus_sh")) << first.Output();
  first.Signal(SIGINT);
  EXPECT_EQ(first.Wait(std::chrono::seconds(30)), 1) << first.Output();
  EXPECT_TRUE(Has(first.Output(), "stopping the build")) << first.Output();
  EXPECT_TRUE(Has(first.Output(), "Result: Cancelled (stopped with Ctrl-C)")) << first.Output();
  EXPECT_FALSE(Has(first.Output(), "-- Map Design")) << "no further stage starts";
}

TEST_F(FlowCli, ASecondCtrlCEndsTheProgramAtOnce) {
  // Programming blocks the host's event loop, so the first Ctrl-C waits there; the second
  // does not wait for it.
  std::vector<uint8_t> payload(131072);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 7 + 3);
  fs::create_directories(project / "Output");
  morvel::host::jtag::WriteRawBitFile(project / "Output" / "counter.rbf", 0x00C0FFEEu, payload);
  BackgroundHost host({"download", project.string()}, {});
  ASSERT_TRUE(host.WaitFor("info | Downloading via JTAG\n")) << host.Output();
  host.Signal(SIGINT);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  host.Signal(SIGINT);
  EXPECT_EQ(host.Wait(std::chrono::seconds(30)), 130) << host.Output();
  EXPECT_TRUE(Has(host.Output(), "morvel-host: interrupted")) << host.Output();
  EXPECT_FALSE(Has(host.Output(), "Result:")) << host.Output();
}

TEST(FlowCliTour, TheTourBuildsAndDownloadsTheSample) {
  if (!TclShellInstalled()) GTEST_SKIP() << "tclsh is not installed (Debian package tcl)";
  TempDir temp;
  const CommandRun run = Shell("TMPDIR=" + temp.Path().string() + " " + MORVEL_HOST_EXE + " tour");
  ASSERT_EQ(run.Status, 0) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Working folder: " + temp.Path().string() + "/morvel-tour-")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Device Resources - Usage Summary")) << run.Out;
  EXPECT_TRUE(Has(run.Out, "Device 0 (5SGXEA7N2F45C2N): user code 0x00C0FFEE")) << run.Out;
  EXPECT_TRUE(fs::is_empty(temp.Path())) << "the working folder goes at the end";
}

}  // namespace
