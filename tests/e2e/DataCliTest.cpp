// morvel-host's pins, iostandards and bsdl commands, and every exported boundary-scan
// description read back by UrJTAG's BSDL reader.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/PluginLibrary.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace {

namespace fs = std::filesystem;

struct ShellRun {
  int status;
  std::string out;
};

ShellRun Shell(const std::string& command) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  ShellRun run{-1, {}};
  if (pipe == nullptr) return run;
  char buf[4096];
  size_t n = 0;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

ShellRun Host(const std::string& args) {
  return Shell(std::string(MORVEL_HOST_EXE) + " " + args);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string f; in >> f;) fields.push_back(f);
  return fields;
}

TEST(DataCli, PinsListsEveryPinWithItsFields) {
  const ShellRun run = Host("pins 5sgsed6k1f40c2n");
  ASSERT_EQ(run.status, 0) << run.out;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1517u);
  std::map<std::string, std::vector<std::string>> byBall;
  for (const auto& line : lines) byBall[Fields(line).front()] = Fields(line);
  EXPECT_EQ(byBall["C36"],
            (std::vector<std::string>{"C36", "-", "T", "-", "HDiffP,TransmitDiff", "0"}));
  EXPECT_EQ(byBall["AW29"],
            (std::vector<std::string>{"AW29", "3B", "22", "0", "IO,CLK,DiffN,ClkDiffN", "51"}));
  EXPECT_EQ(byBall["B39"], (std::vector<std::string>{"B39", "-", "-", "-", "-", "0"}));
}

TEST(DataCli, IOStandardsListSlewRatesAndDriveStrengths) {
  const ShellRun run = Host("iostandards 0");
  ASSERT_EQ(run.status, 0) << run.out;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(Fields(lines[3]),
            (std::vector<std::string>{"LVCMOS25", "LVCMOS", "2.5V", "slew:", "SLOW", "FAST",
                                      "drive:", "4mA", "8mA", "12mA", "16mA"}));
  EXPECT_NE(run.out.find("DSSTL12          Differential 1.3-V SSTL"), std::string::npos);
  EXPECT_EQ(run.out.find("PCML"), std::string::npos) << "5SEE devices have no PCML inputs";
}

TEST(DataCli, BsdlWritesTheEntityWithTheCatalogueIdcode) {
  const ShellRun run = Host("bsdl 5SEE9F45C2N");
  ASSERT_EQ(run.status, 0) << run.out;
  for (const char* text : {
           "entity STRATIX_V_5SEE9F45 is",
           "generic (PHYSICAL_PIN_MAP : string := \"FBGA1932\");",
           "use STD_1149_1_2001.all;",
           "TDI : AM37",
           "attribute TAP_SCAN_CLOCK of TCK : signal is (10.0e6, BOTH);",
           "attribute INSTRUCTION_LENGTH of STRATIX_V_5SEE9F45 : entity is 10;",
           "\"0000\" & \"0010100110010101\" & \"00001101110\" & \"1\";",
           "\"BOUNDARY (EXTEST_PULSE, EXTEST_TRAIN)",
           "IOCSR[471061] (CONFIG_IO)",
           "attribute BOUNDARY_LENGTH of STRATIX_V_5SEE9F45 : entity is 2945;",
           "end STRATIX_V_5SEE9F45;",
       })
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
}

TEST(DataCli, BadDevicesAreUsageErrors) {
  for (const char* args :
       {"pins 1337", "pins -1", "iostandards NOSUCHDEVICE", "bsdl", "pins 1 2"}) {
    const ShellRun run = Host(args);
    EXPECT_EQ(run.status, 2) << args << ": " << run.out;
    EXPECT_EQ(Lines(run.out).size(), 1u) << args << ": " << run.out;
  }
}

// Exports the description of every compiled-in record and reads each back with UrJTAG.
TEST(DataCli, EveryExportParsesWithUrJtag) {
  const std::string checker = MORVEL_BSDL_CHECK;
  if (checker.empty()) GTEST_SKIP() << "liburjtag is not installed (./bootstrap installs it)";
  std::string pattern = (fs::temp_directory_path() / "bsdl-export-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const fs::path folder = pattern;

  morvel::host::PluginLibrary plugin(MORVEL_PLUGIN_FILE);
  std::map<std::string, int32_t> kindOfFile;
  for (int32_t kind = 0; kind < plugin.DriverCount(); ++kind) {
    const auto name =
        morvel::Call(plugin.CreateDriver(kind), morvel::dispid::info::GetBSDLFilename).AsText();
    kindOfFile.emplace(name, kind);
  }
  ASSERT_EQ(kindOfFile.size(), 212u);
  std::string files;
  for (const auto& [name, kind] : kindOfFile) {
    const fs::path file = folder / name;
    const ShellRun run = Host("bsdl " + std::to_string(kind) + " > " + file.string());
    ASSERT_EQ(run.status, 0) << name << ": " << run.out;
    files += " " + file.string();
  }
  const ShellRun check = Shell(checker + files);
  EXPECT_EQ(check.status, 0) << check.out;
  int passed = 0;
  for (const auto& line : Lines(check.out)) {
    EXPECT_EQ(line.find("rror"), std::string::npos) << line;
    passed += line.size() > 4 && line.compare(line.size() - 4, 4, ": ok") == 0;
  }
  EXPECT_EQ(passed, 212) << check.out;

  // The jtag shell runs the same reader; where its build cannot read a known-good file at all,
  // the library's verdict above stands.
  if (Shell("command -v jtag").status == 0) {
    const fs::path script = folder / "commands";
    std::ofstream(script) << "bsdl test " << (folder / "5SEE9F45.bsd").string() << "\n";
    const ShellRun probe = Shell("jtag -n -q " + script.string() + " < /dev/null");
    if (probe.status == 0 && probe.out.find("passed BSDL stage correctly") != std::string::npos) {
      std::ofstream all(script);
      for (const auto& entry : kindOfFile)
        all << "bsdl test " << (folder / entry.first).string() << "\n";
      all.close();
      const ShellRun shell = Shell("jtag -n -q " + script.string() + " < /dev/null");
      EXPECT_EQ(shell.status, 0) << shell.out;
      EXPECT_EQ(shell.out.find("rror"), std::string::npos) << shell.out;
    } else {
      std::printf(
          "note: the jtag shell of this urjtag build cannot read BSDL files (it reads\n"
          "      standard input instead); UrJTAG's library reader checked every file.\n");
    }
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace
