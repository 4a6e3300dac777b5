// The vendor tool stage against a simulated host: output classification, the result rules,
// the previous output kept as a ".~" copy, application paths with switches and blanks, Stop
// while the tool runs, script files and command lines from the options, constraint files,
// guarded saves, and the vendor tool lookups.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "flow/VendorProcess.h"
#include "flow/VendorTools.h"
#include "hosted/HostFixture.h"
#include "sdk/FlowDispIds.h"
#include "sdk/GuardedSave.h"
#include "sdk/HostCall.h"
#include "sdk/Strings.h"

namespace morvel::testing {
namespace {

namespace fs = std::filesystem;

class TTestVendorStage : public TFlowStage_VendorProcess {
 public:
  TTestVendorStage(const std::string& applicationPath, std::string optionsFile)
      : TFlowStage_VendorProcess(".in", ".rbf", ".a.rpt, .b.rpt", "Make", "&Make", "Make it",
                                 "Tool", applicationPath, nullptr),
        FOptionsFile(std::move(optionsFile)) {}
  std::string OptionsFileName() override { return FOptionsFile; }
  void SetConstraintsExt(const std::string& ext) { FConstraintsExt = ext; }
  TFlowRunResult Run() { return Execute(nullptr); }

 private:
  std::string FOptionsFile;
};

class VendorProcess : public HostFixture {
 protected:
  void SetUp() override {
    StartHost(/*loadModules=*/true);
    work = dir.Path() / "Out";
    fs::create_directories(work);
  }

  // A shell script as the tool; its output lines end in CR LF as a console tool's do.
  std::string Tool(const std::string& body, const std::string& name = "tool.sh") {
    const fs::path path = dir.Write("bin/" + name, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
    return path.string();
  }
  ComPtr<TTestVendorStage> Stage(const std::string& tool, const std::string& optionsFile = {}) {
    ComPtr<TTestVendorStage> stage(new TTestVendorStage(tool, optionsFile));
    stage->SetBasePath((work / "top").string());
    return stage;
  }
  std::vector<std::string> Messages(const std::string& messageClass) {
    std::vector<std::string> texts;
    for (const auto& m : State().Messages)
      if (m.Class == messageClass) texts.push_back(m.Text);
    return texts;
  }
  bool Output(const std::string& line) {
    const auto& lines = State().OutputLines;
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  static std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path work;
};

TEST_F(VendorProcess, ToolOutputBecomesMessagesAndAnErrorLineFailsTheStage) {
  dir.Write("System/FPGAMessagesToIgnore.txt", "harmless error\n\n");
  const std::string tool = Tool(
      "printf 'Info: starting\\r\\n'\n"
      "printf '   error: lower case at the start\\r\\n'\n"
      "printf 'Warning: w1\\r\\nCritical Warning: w2\\r\\n'\n"
      "printf 'no ERROR at the start\\r\\n'\n"
      "printf 'Error: a HARMLESS ERROR, ignored\\r\\n'\n"
      "printf 'caf\\351\\r\\n'\n"
      "touch top.rbf\n");
  auto stage = Stage(tool);
  EXPECT_EQ(stage->Run(), eFlowRun_Failure) << "the output exists, but an error was seen";
  EXPECT_TRUE(stage->ErrorsOccured);

  EXPECT_EQ(Messages("ProcessFlowError"),
            std::vector<std::string>{"error: lower case at the start"});
  EXPECT_EQ(Messages("ProcessFlowWarning"),
            (std::vector<std::string>{"Warning: w1", "Critical Warning: w2"}));
  EXPECT_EQ(Messages("ProcessFlowInfo"),
            (std::vector<std::string>{"Info: starting", "Tool - Errors Occurred"}));
  EXPECT_TRUE(Output("no ERROR at the start"));
  EXPECT_TRUE(Output("Error: a HARMLESS ERROR, ignored"));
  EXPECT_TRUE(Output("caf\xC3\xA9")) << "output bytes are Latin-1";
  EXPECT_TRUE(Output("---")) << "the empty last line after the final CR LF";
  EXPECT_EQ(State().OutputLines.back(), "---------------------");
  for (const auto& m : State().Messages) {
    if (m.Class == "ProcessFlowWarning") {
      EXPECT_EQ(m.CallBackProcess, "WorkspaceManager:View");
    }
  }
}

TEST_F(VendorProcess, ThePreviousOutputIsKeptAsTheBackupCopy) {
  std::ofstream(work / "top.rbf") << "old";
  std::ofstream(work / "top.~.rbf") << "older";
  auto fresh = Stage(Tool("printf 'new' > top.rbf\n"));
  EXPECT_EQ(fresh->Run(), eFlowRun_Success);
  EXPECT_EQ(Read(work / "top.rbf"), "new");
  EXPECT_EQ(Read(work / "top.~.rbf"), "old");
  EXPECT_EQ(Messages("ProcessFlowProgress").back(), "Tool - Completed Successfully");
  EXPECT_TRUE(fresh->ThisStage_OutputExists());
  EXPECT_GT(fresh->ThisStage_DateTimeUpdated().Value, 40000.0);

  auto none = Stage(Tool("printf 'Info: nothing made\\r\\n'\n", "none.sh"));
  EXPECT_EQ(none->Run(), eFlowRun_Failure);
  EXPECT_FALSE(fs::exists(work / "top.rbf"));
  EXPECT_EQ(Read(work / "top.~.rbf"), "new") << "the old output remains only as the copy";
  EXPECT_EQ(Messages("ProcessFlowInfo").back(), "Tool - Failed To Generate File : top.rbf");
  EXPECT_EQ(none->ThisStage_DateTimeUpdated().Value, 0.0);
}

TEST_F(VendorProcess, ASwitchAfterTheToolGoesInFrontOfTheParameters) {
  // The tool records its arguments one per line; it lives in a folder with a blank in its
  // name, which must neither split the path nor lose the quoting.
  const std::string tool =
      Tool("for a in \"$@\"; do printf '%s\\n' \"$a\" >> args.txt; done\ntouch top.rbf\n",
           "../my tools/tool.sh");
  dir.Write("System/Scripted.xml",
            "<Options><script pos=\"head\">--project top</script></Options>");
  auto split = Stage(tool + " -switch", "Scripted.xml");
  split->ReloadOptions();
  EXPECT_EQ(split->Run(), eFlowRun_Success);
  EXPECT_EQ(Read(work / "args.txt"), "-switch\n--project\ntop\n");
  EXPECT_TRUE(Output("    Parameters: -switch --project top"));
  EXPECT_TRUE(Output("Running " + tool + "..."));

  fs::remove(work / "args.txt");
  auto whole = Stage(tool);
  EXPECT_EQ(whole->Run(), eFlowRun_Success);
  EXPECT_FALSE(fs::exists(work / "args.txt")) << "no parameters at all";
}

TEST_F(VendorProcess, StopEndsTheToolAndTheStageIsCancelled) {
  auto stage = Stage(Tool("printf 'Info: busy\\r\\n'\nsleep 30\ntouch top.rbf\n"));
  // The host's event loop turns while the stage waits; the user presses Stop from there.
  bool wrapperSeen = false;
  State().PumpMessages = [&] {
    wrapperSeen = wrapperSeen || stage->ExecWrapper != nullptr;
    stage->Stop();
  };
  const fs::path cwd = fs::current_path();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(stage->Run(), eFlowRun_Cancelled);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_TRUE(wrapperSeen);
  EXPECT_EQ(stage->ExecWrapper, nullptr);
  for (const auto& m : State().Messages) {
    EXPECT_EQ(m.Text.rfind("Tool - ", 0), std::string::npos) << "a cancelled stage reports nothing";
  }
  EXPECT_EQ(fs::current_path(), cwd);
}

TEST_F(VendorProcess, AToolThatCannotStartEndsTheWorkWithAnErrorAndTheFolderRestored) {
  const fs::path cwd = fs::current_path();
  std::ofstream(work / "top.rbf") << "old";
  const fs::path plain = dir.Write("bin/plain.sh", "touch top.rbf\n");  // not executable
  for (const std::string& tool : {(dir.Path() / "bin/missing").string(), plain.string()}) {
    SCOPED_TRACE(tool);
    auto stage = Stage(tool);
    EXPECT_ANY_THROW(stage->Run());
    EXPECT_EQ(fs::current_path(), cwd);
    EXPECT_EQ(stage->ExecWrapper, nullptr);
  }
  EXPECT_EQ(Read(work / "top.~.rbf"), "old");
}

const char* const kScriptOptions = R"(<Options>
  <command_filename>.ReplaceName.tcl</command_filename>
  <command pos="head">project_new top</command>
  <command pos="tail">project_close</command>
  <script pos="head">  -t  </script>
  <script pos="tail">.ReplaceName.tcl</script>
</Options>)";

// Replaces one macro, as the vendor stages do with theirs.
class TMacroStage : public TTestVendorStage {
 public:
  using TTestVendorStage::TTestVendorStage;
  std::string ExpandMacros(const std::string& text) override {
    std::string out = Trim(text);
    if (const size_t at = out.find(".ReplaceName"); at != std::string::npos)
      out.replace(at, 12, "top");
    return out;
  }
};

TEST_F(VendorProcess, ScriptFileAndCommandLineComeFromTheOptions) {
  dir.Write("System/Scripted.xml", kScriptOptions);
  ComPtr<TMacroStage> stage(new TMacroStage("", "Scripted.xml"));
  stage->SetBasePath((work / "top").string());
  stage->ReloadOptions();

  std::vector<std::string> cmd;
  std::vector<std::string> scr;
  bool readOnly = false;
  ASSERT_TRUE(stage->BuildCommandLines(&cmd, &scr, readOnly, false));
  EXPECT_TRUE(readOnly);
  EXPECT_EQ(scr, (std::vector<std::string>{"-t", ".ReplaceName.tcl"})) << "trimmed, unexpanded";
  ASSERT_TRUE(stage->BuildCommandLines(nullptr, &scr, readOnly, true));
  EXPECT_EQ(scr.back(), "top.tcl");

  EXPECT_EQ(stage->BuildParameters(), " -t top.tcl");
  EXPECT_EQ(Read(work / "top.tcl"), "project_new top\nproject_close\n");

  // A user's own script replaces the generated one, line by line.
  stage->Options->CustomUser_Cmd = "mine\r\n  .ReplaceName  ";
  stage->BuildParameters();
  EXPECT_EQ(Read(work / "top.tcl"), "mine\ntop\n");

  ComPtr<TTestVendorStage> bare(new TTestVendorStage("", ""));
  EXPECT_FALSE(bare->BuildCommandLines(&cmd, &scr, readOnly, true));
  EXPECT_EQ(bare->BuildParameters(), "");
  EXPECT_FALSE(bare->CanEditProperties());
}

TEST_F(VendorProcess, TheConstraintFileCollectsTheProjectsConstraintDocuments) {
  const auto project =
      dir.Write("Counter.PrjFpg",
                "[Project]\nSynthesizer=x\nOutputPath=Out/top.edf\n"
                "[Documents]\nDocument1=b.tcl\nDocument2=a.vhd\nDocument3=a.TCL\n");
  dir.Write("b.tcl", "set b 1\r\n");
  dir.Write("a.TCL", "set a 1\n");
  dir.Write("a.vhd", "entity a is end;\n");
  host->Workspace()->OpenProject(project);
  auto stage = Stage("");
  stage->SetConstraintsExt(".TCL");
  Call(DispatchPtr(stage->AsDispatch()), dispid::flow::ProjectChanged, project.string());

  stage->MakeConstraintFile();
  EXPECT_EQ(Read(work / "top.TCL"), "set b 1\nset a 1\n");
  std::ofstream(work / "top_BUILD.TCL") << "set build 1\n";
  stage->MakeConstraintFile();
  EXPECT_EQ(Read(work / "top.TCL"), "set b 1\nset a 1\nset build 1\n") << "the build's last";

  auto none = Stage("");
  none->SetConstraintsExt(".sdc");
  Call(DispatchPtr(none->AsDispatch()), dispid::flow::ProjectChanged, project.string());
  none->MakeConstraintFile();
  EXPECT_TRUE(fs::exists(work / "top.sdc")) << "written also when empty";
  EXPECT_EQ(Read(work / "top.sdc"), "");
}

TEST_F(VendorProcess, AFileLockedBySomeoneElseIsNotWritten) {
  State().Interactive = true;
  const fs::path file = work / "top.tcl";
  std::ofstream(file) << "theirs\n";
  std::ofstream(work / "~$top.tcl_loc") << "ComputerName=bench7\nUserName=ada\nProcessID=1\n";
  EXPECT_FALSE(GuardedSaveLines(file.string(), {"mine"}));
  EXPECT_EQ(Read(file), "theirs\n");
  ASSERT_EQ(State().Messages.size(), 1u);
  EXPECT_EQ(State().Messages[0].Class, "[Locked File]");
  EXPECT_EQ(State().Messages[0].Text,
            "top.tcl is used by ada on bench7. You will not be able to save your changes.");
  EXPECT_EQ(State().Messages[0].CallBackParameters, "FileName=" + file.string());

  // This process's own lock, and a lock that names no process, do not stop the write.
  std::ofstream(work / "~$top.tcl_loc")
      << "ComputerName=" << ThisComputerName() << "\nUserName=" << ThisUserName()
      << "\nProcessID=" << getpid() << "\n";
  EXPECT_TRUE(GuardedSaveLines(file.string(), {"mine"}));
  std::ofstream(work / "~$top.tcl_loc") << "ComputerName=bench7\nUserName=ada\n";
  EXPECT_TRUE(GuardedSaveLines(file.string(), {"again"}));
  EXPECT_EQ(Read(file), "again\n");
}

TEST_F(VendorProcess, TheVendorLookupsFollowTheVendorName) {
  // A Quartus installation with the tool the version lookup starts from.
  const fs::path quartus = dir.Path() / "q";
  fs::create_directories(quartus / "bin");
  std::ofstream(quartus / "bin" / "quartus_cmd") << "";
  std::ofstream(quartus / "readme.txt") << "Quartus II Version 13.1.0 Build 162\r\nmore\n";
  EXPECT_EQ(host->SetQuartusFolder(quartus), 1);

  dir.Write("System/AlteraVersions.Txt", "9.0\n13.0.1\n");
  EXPECT_EQ(QuartusVersion().Text, "13.1.0");
  EXPECT_FALSE(VendorToolsUpToDate("ALTERA")) << "found but not listed";
  EXPECT_EQ(VendorToolVersion("Altera"), "");
  dir.Write("System/AlteraVersions.Txt", "9.0\n 13.1.0 \n");
  EXPECT_TRUE(VendorToolsUpToDate("altera"));
  EXPECT_EQ(VendorToolVersion("Altera"), "13.1.0");
  EXPECT_DOUBLE_EQ(QuartusVersionNumberOfHost(), 13.1);

  struct Case {
    const char* vendor;
    const char* descriptor;
    bool present;
    bool upToDate;
  };
  for (const Case& c :
       {Case{"Altera", "Altera Quartus II", true, true},
        Case{"Actel", "ACTEL LiberoIDE", false, false},
        Case{"Xilinx", "Xilinx tools", false, false}, Case{"Zephra", "", true, true}}) {
    SCOPED_TRACE(c.vendor);
    EXPECT_EQ(VendorToolsDescriptor(c.vendor), c.descriptor);
    EXPECT_EQ(VendorToolsPresent(c.vendor), c.present);
    EXPECT_EQ(VendorToolsUpToDate(c.vendor), c.upToDate);
  }

  fs::remove(dir.Path() / "System/AlteraVersions.Txt");
  EXPECT_THROW(QuartusVersion(), OleError) << "a missing version list is an error";
  EXPECT_EQ(host->SetQuartusFolder(dir.Path() / "nowhere"), 0);
  EXPECT_FALSE(VendorToolsPresent("Altera"));
  EXPECT_DOUBLE_EQ(QuartusVersionNumberOfHost(), 100000000.0);
}

}  // namespace
}  // namespace morvel::testing
