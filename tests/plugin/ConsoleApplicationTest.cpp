// The console runner: line assembly from output bytes, the command line, and real child
// processes that behave and misbehave (missing, crashing, silent, flooding, endless, leaving
// processes behind).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "flow/ConsoleApplication.h"

namespace morvel {
namespace {

namespace fs = std::filesystem;

struct TEvent {
  bool isNew;
  std::string text;
  bool operator==(const TEvent&) const = default;
};

void PrintTo(const TEvent& e, std::ostream* os) {
  *os << (e.isNew ? "new \"" : "update \"") << e.text << "\"";
}

TEvent New(std::string text) {
  return {true, std::move(text)};
}
TEvent Update(std::string text) {
  return {false, std::move(text)};
}

// ---- line assembly

struct TAssembled {
  std::vector<TEvent> events;
  int afterLine = 0;
  uint64_t completed = 0;
};

TAssembled Assemble(const std::vector<std::string>& chunks) {
  TAssembled out;
  TConsoleLineAssembler lines([&](const std::string& l) { out.events.push_back(New(l)); },
                              [&](const std::string& l) { out.events.push_back(Update(l)); },
                              [&] { ++out.afterLine; });
  for (const std::string& chunk : chunks) lines.Feed(chunk);
  lines.Finish();
  out.completed = lines.CompletedLines();
  return out;
}

TEST(ConsoleLineAssembler, AssemblesLinesAsAConsoleShowsThem) {
  const std::string x600(600, 'x');
  const struct {
    const char* name;
    std::string output;
    std::vector<TEvent> events;
  } cases[] = {
      {"CR LF lines, and one more empty line at the end",
       "abc\r\ndef\r\n",
       {New("abc"), New("def"), New("")}},
      {"the unfinished last line is passed on", "abc\r\ndef", {New("abc"), New("def")}},
      {"no output at all", "", {New("")}},
      {"CR alone overwrites: progress counters",
       "10%\r20%\r30%\r\ndone\r\n",
       {New("10%"), Update("20%"), Update("30%"), New("done"), New("")}},
      {"LF alone only marks the next line as new", "a\nb\nc\r", {New("abc"), Update("")}},
      {"LF before CR", "one\n\rtwo\n\r", {New("one"), New("two"), Update("")}},
      {"513 characters make a line",
       x600 + "\r\n",
       {New(x600.substr(0, 513)), Update(x600.substr(513)), New("")}},
      {"a missing file joins the next line",
       "Error: top.v file Not found\r\n  C:/top.v  \r\n",
       {New("Error: top.v file Not found: C:/top.v"), New("")}},
      {"File: joins the next line",
       "File: top.v\r\nLine 3: syntax\r\nok\r\n",
       {New("File: top.v: Line 3: syntax"), New("ok"), New("")}},
      {"a second held line joins the first instead of replacing it",
       "File: a.v\r\nFile: b.v\r\nnext\r\n",
       {New("File: a.v: File: b.v: next"), New("")}},
      {"held at the very end: joined with the empty last line",
       "File: a.v\r\n",
       {New("File: a.v: ")}},
      {"held as the unfinished last line: passed on alone", "File: a.v", {New("File: a.v")}},
      {"holding is case-sensitive",
       "file: a\r\nx file not found\r\n",
       {New("file: a"), New("x file not found"), New("")}},
      {"bytes are characters, not converted",
       std::string("\x00\xff\x80\xb0\xc3\xa9", 6) + "\r\n",
       {New(std::string("\x00\xff\x80\xb0\xc3\xa9", 6)), New("")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Assemble({c.output}).events, c.events);
    // The way the output is cut into reads does not matter.
    std::vector<std::string> bytes;
    for (const char ch : c.output) bytes.emplace_back(1, ch);
    EXPECT_EQ(Assemble(bytes).events, c.events);
  }
}

TEST(ConsoleLineAssembler, PumpsAfterEachLinePassedOnAndCountsHeldLines) {
  const TAssembled a = Assemble({"File: a\r\nb\r\nc\r\n"});
  EXPECT_EQ(a.events.size(), 3u);  // "File: a: b", "c", ""
  EXPECT_EQ(a.afterLine, 3);
  EXPECT_EQ(a.completed, 4u);
}

// ---- command line

TEST(ConsoleAppWrapper, CommandLineQuotesAnApplicationWithBlanks) {
  const struct {
    const char* application;
    const char* parameters;
    const char* commandLine;
  } cases[] = {
      {"/opt/q/bin/quartus_map", "--read_settings_files=on top",
       "/opt/q/bin/quartus_map --read_settings_files=on top"},
      {"/opt/my tools/quartus_map", "top", "\"/opt/my tools/quartus_map\" top"},
      {"\"/opt/my tools/quartus_map\"", "", "\"/opt/my tools/quartus_map\" "},
      {"\"/opt/my tools/quartus_map", "top", "\"/opt/my tools/quartus_map\" top"},
      {"/opt/my tools/quartus_map\"", "top", "\"/opt/my tools/quartus_map\" top"},
  };
  for (const auto& c : cases) {
    const TConsoleAppWrapper w(c.application, c.parameters, "", "", nullptr, nullptr, true,
                               nullptr);
    EXPECT_EQ(w.CommandLine(), c.commandLine);
  }
}

TEST(ConsoleAppWrapper, ParametersSplitByShellQuotingWithoutExpansion) {
  using Words = std::vector<std::string>;
  const struct {
    const char* parameters;
    Words words;
  } cases[] = {
      {"", {}},
      {"  \t ", {}},
      {" top  -c\ttop ", {"top", "-c", "top"}},
      {"'two words' \"and three words\"", {"two words", "and three words"}},
      {"a\\ b c\\\\d", {"a b", "c\\d"}},
      {"\"say \\\"hi\\\" \\$x C:\\dir\"", {"say \"hi\" $x C:\\dir"}},
      {"'it''s' \"\" ''", {"its", "", ""}},
      {"--name=\"a b\"c", {"--name=a bc"}},
      {"$HOME;ls|more >out *.v `id`", {"$HOME;ls|more", ">out", "*.v", "`id`"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.parameters);
    EXPECT_EQ(TConsoleAppWrapper::SplitParameters(c.parameters), c.words);
  }
  for (const char* bad : {"'open", "a \"open", "\"ends with \\\""})
    EXPECT_THROW(TConsoleAppWrapper::SplitParameters(bad), std::invalid_argument) << bad;
}

// ---- running children

const std::string kChild = MORVEL_CONSOLE_CHILD;

bool Alive(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return false;
  const size_t close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z' &&
         text[close + 2] != 'X';
}

// Killing is asynchronous; a process is given a few seconds to disappear.
bool Gone(pid_t pid) {
  for (int i = 0; i < 500 && Alive(pid); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return !Alive(pid);
}

// Runs the helper program and records what the runner passes on.
class ConsoleRun : public ::testing::Test {
 protected:
  void SetUp() override {
    FFolder = fs::temp_directory_path() /
              ("morvel-console-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FFolder);
  }
  void TearDown() override {
    for (const pid_t pid : FLeftOver)
      if (Alive(pid)) ::kill(pid, SIGKILL);
    fs::remove_all(FFolder);
  }

  struct TOptions {
    std::string application = kChild;
    std::string environment;
    std::string folder;
    int timeoutSeconds = 20;  // a backstop: no test waits for it unless it says so
    bool resetOnOutput = false;
    int outputHandle = 0;
  };

  uint32_t Run(const std::string& parameters) { return Run(parameters, TOptions()); }
  uint32_t Run(const std::string& parameters, const TOptions& o) {
    TConsoleAppWrapper* self = nullptr;
    TConsoleAppWrapper w(
        o.application, parameters, o.environment, o.folder,
        [&](const std::string& l) {
          events.push_back(New(l));
          if (l.starts_with("child ")) children.push_back(std::stoi(l.substr(6)));
          if (onNewLine) onNewLine(*self, l);
        },
        [&](const std::string& l) { events.push_back(Update(l)); }, true,
        [&, start = std::chrono::steady_clock::now(), stopped = false]() mutable {
          ++pumps;
          if (onPump) onPump(*self);
          // A broken time-out or stop must fail the test, not hang it.
          if (!stopped && std::chrono::steady_clock::now() - start > std::chrono::seconds(30)) {
            stopped = true;
            ADD_FAILURE() << "still running after 30 s";
            self->Abort();
          }
        });
    self = &w;
    const uint32_t code = w.Execute(o.timeoutSeconds, o.resetOnOutput, o.outputHandle);
    EXPECT_FALSE(w.Executing());
    return code;
  }

  std::vector<std::string> NewLines() const {
    std::vector<std::string> lines;
    for (const TEvent& e : events)
      if (e.isNew) lines.push_back(e.text);
    return lines;
  }

  // Processes that the test started and that may outlive it.
  void LeftOver(pid_t pid) { FLeftOver.push_back(pid); }
  void ExpectGone(pid_t pid) {
    if (Gone(pid)) return;
    ADD_FAILURE() << "process " << pid << " still runs";
    LeftOver(pid);
  }

  std::vector<TEvent> events;
  std::vector<pid_t> children;
  int pumps = 0;
  std::function<void(TConsoleAppWrapper&, const std::string&)> onNewLine;
  std::function<void(TConsoleAppWrapper&)> onPump;
  fs::path FFolder;

 private:
  std::vector<pid_t> FLeftOver;
};

TEST_F(ConsoleRun, PassesStdoutAndStderrLinesInOrderAndReturnsTheExitCode) {
  EXPECT_EQ(Run("out:first err:second out:third stdin exit:4"), 4u);
  EXPECT_EQ(events,
            (std::vector<TEvent>{New("first"), New("second"), New("third"), New("0"), New("")}));
}

TEST_F(ConsoleRun, SilentToolGivesOneEmptyLine) {
  EXPECT_EQ(Run("exit:0"), 0u);
  EXPECT_EQ(events, std::vector<TEvent>{New("")});
}

TEST_F(ConsoleRun, ApplicationWithBlanksAndQuotedParametersReachTheChild) {
  const fs::path folder = FFolder / "my tools";
  fs::create_directories(folder);
  const fs::path copy = folder / "console child";
  fs::copy_file(kChild, copy);
  for (const std::string& application : {copy.string(), "\"" + copy.string() + "\""}) {
    events.clear();
    TOptions o;
    o.application = application;
    EXPECT_EQ(Run("args 'two words' \"a \\\"b\\\"\" $HOME;x *", o), 0u);
    EXPECT_EQ(NewLines(), (std::vector<std::string>{"two words", "a \"b\"", "$HOME;x", "*", ""}));
  }
}

TEST_F(ConsoleRun, ChildGetsItsOwnEnvironmentAndIsFoundAlongItsPath) {
  const std::string ownPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  TOptions o;
  o.application = fs::path(kChild).filename().string();
  // Only the entry named PATH (in any case) is the search path, not PATHEXT.
  o.environment = std::string("PATHEXT=.EXE") + '\0' +
                  "Path=/nonexistent:" + fs::path(kChild).parent_path().string() + '\0' +
                  "MARK=yes" + '\0' + '\0';
  EXPECT_EQ(Run("env:MARK env:HOME env:PATHEXT", o), 0u);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"yes", "<unset>", ".EXE", ""}));
  // This process's own environment is left alone.
  EXPECT_EQ(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "", ownPath);
}

TEST_F(ConsoleRun, ChildRunsInTheWorkingFolder) {
  TOptions o;
  o.folder = FFolder.string();
  EXPECT_EQ(Run("pwd", o), 0u);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{fs::canonical(FFolder).string(), ""}));
}

TEST_F(ConsoleRun, StandardOutputCanGoToAGivenHandle) {
  const std::string file = (FFolder / "out.txt").string();
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  TOptions o;
  o.outputHandle = fd;
  EXPECT_EQ(Run("out:to-file err:to-pipe", o), 0u);
  ::close(fd);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"to-pipe", ""}));
  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "to-file\r\n");
}

TEST_F(ConsoleRun, StartFailuresRaiseClearErrors) {
  const fs::path plain = FFolder / "plain.txt";
  std::ofstream(plain) << "not a program\n";
  const fs::path noFormat = FFolder / "no-format";
  std::ofstream(noFormat) << "not a program\n";
  fs::permissions(noFormat, fs::perms::owner_all);
  const struct {
    std::string application;
    std::string parameters;
    std::string folder;
    std::errc error;
  } cases[] = {
      {"/nonexistent/quartus_map", "", "", std::errc::no_such_file_or_directory},
      {"no-such-tool-on-the-path", "", "", std::errc::no_such_file_or_directory},
      {plain.string(), "", "", std::errc::permission_denied},
      {FFolder.string(), "", "", std::errc::permission_denied},
      {noFormat.string(), "", "", std::errc::executable_format_error},
      {kChild, "", (FFolder / "missing").string(), std::errc::no_such_file_or_directory},
      {kChild, "out:'unterminated", "", std::errc::invalid_argument},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.application);
    TConsoleAppWrapper w(c.application, c.parameters, "", c.folder, nullptr, nullptr, true,
                         nullptr);
    try {
      w.Execute(20, false);
      ADD_FAILURE() << "started";
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code(), std::make_error_code(c.error)) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.application), std::string::npos) << e.what();
    }
    EXPECT_FALSE(w.Executing());
  }
}

TEST_F(ConsoleRun, CrashReportsTheSignalAsExitCode) {
  EXPECT_EQ(Run("out:before signal:11"), TConsoleAppWrapper::kSignalExitBase + SIGSEGV);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"before", ""}));
  EXPECT_EQ(Run("signal:9"), TConsoleAppWrapper::kSignalExitBase + SIGKILL);
}

TEST_F(ConsoleRun, MillionCharacterLineArrivesWhole) {
  EXPECT_EQ(Run("bytes:1000000"), 0u);
  ASSERT_EQ(events.size(), 1950u);  // 1949 full lines of 513 and the rest
  EXPECT_TRUE(events.front().isNew);
  size_t total = 0;
  for (size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].isNew, i == 0);
    EXPECT_EQ(events[i].text.find_first_not_of('y'), std::string::npos);
    total += events[i].text.size();
  }
  EXPECT_EQ(total, 1000000u);
  EXPECT_EQ(events.back().text.size(), 1000000u - 1949 * 513);
}

TEST_F(ConsoleRun, BytesThatAreNotTextPassUnchanged) {
  std::string all;
  std::string hex = "hex:";
  for (int b = 0; b < 256; ++b) {
    if (b == '\r' || b == '\n') continue;
    all.push_back(static_cast<char>(b));
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", b);
    hex += digits;
  }
  EXPECT_EQ(Run(hex), 0u);
  ASSERT_EQ(events.size(), 1u);
  // 254 bytes: one line, no conversion.
  EXPECT_EQ(events[0], New(all));
}

TEST_F(ConsoleRun, EndlessToolEndsWithAbortFromThePump) {
  onPump = [](TConsoleAppWrapper& w) { w.Abort(); };
  EXPECT_EQ(Run("out:ready forever"), TConsoleAppWrapper::kAbortExitCode);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"ready", ""}));
}

TEST_F(ConsoleRun, AbortEndsEveryProcessTheToolStarted) {
  pid_t tool = 0;
  onNewLine = [&](TConsoleAppWrapper& w, const std::string& line) {
    if (line != "ready") return;
    tool = w.ProcessID();
    w.Abort();
    w.Abort();  // harmless
  };
  EXPECT_EQ(Run("fork-sleep fork-sleep out:ready forever"), TConsoleAppWrapper::kAbortExitCode);
  ASSERT_EQ(children.size(), 2u);
  for (const pid_t child : children) ExpectGone(child);
  EXPECT_FALSE(Alive(tool));
}

TEST_F(ConsoleRun, ReturnsWhenTheToolEndsThoughItsChildHoldsThePipe) {
  // With the time-out as the backstop, the tool's own exit code shows that Execute returned
  // when the tool ended.
  TOptions o;
  o.timeoutSeconds = 10;
  EXPECT_EQ(Run("fork-sleep out:done exit:2", o), 2u);
  ASSERT_EQ(children.size(), 1u);
  LeftOver(children[0]);
  EXPECT_EQ(NewLines(),
            (std::vector<std::string>{"child " + std::to_string(children[0]), "done", ""}));
}

TEST_F(ConsoleRun, TimeOutEndsTheTool) {
  TOptions o;
  o.timeoutSeconds = 0;
  EXPECT_EQ(Run("fork-sleep forever", o), TConsoleAppWrapper::kAbortExitCode);
  EXPECT_GE(pumps, 1);
  ASSERT_EQ(children.size(), 1u);
  ExpectGone(children[0]);
}

TEST_F(ConsoleRun, OutputRestartsTheTimeOutWhenAsked) {
  // Ten lines 200 ms apart outlast a time-out of one second, but no gap between them does.
  TOptions o;
  o.timeoutSeconds = 1;
  o.resetOnOutput = true;
  EXPECT_EQ(Run("every:200:10", o), 0u);
  EXPECT_EQ(NewLines().size(), 11u);
  events.clear();
  o.resetOnOutput = false;
  EXPECT_EQ(Run("every:200:10", o), TConsoleAppWrapper::kAbortExitCode);
  EXPECT_LT(NewLines().size(), 11u);
}

TEST_F(ConsoleRun, TerminateAsksPolitelyFirst) {
  onNewLine = [](TConsoleAppWrapper& w, const std::string& line) {
    if (line == "ready") w.Terminate(10000);
  };
  EXPECT_EQ(Run("term:7 out:ready forever"), 7u);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{"ready", "terminated", ""}));

  events.clear();
  onNewLine = [](TConsoleAppWrapper& w, const std::string& line) {
    if (line == "ready") w.Terminate(100);
  };
  EXPECT_EQ(Run("ignore-term out:ready forever"), TConsoleAppWrapper::kAbortExitCode);
}

TEST_F(ConsoleRun, ExecuteInsideExecuteReturnsZero) {
  uint32_t inner = 99;
  onPump = [&](TConsoleAppWrapper& w) {
    if (inner == 99) inner = w.Execute(20, false);
  };
  EXPECT_EQ(Run("sleep:150 exit:3"), 3u);
  EXPECT_EQ(inner, 0u);
}

TEST_F(ConsoleRun, ErrorInACallbackEndsTheTool) {
  pid_t tool = 0;
  onNewLine = [&](TConsoleAppWrapper& w, const std::string& line) {
    tool = w.ProcessID();
    if (line == "ready") throw std::runtime_error("panel gone");
  };
  EXPECT_THROW(Run("fork-sleep out:ready forever"), std::runtime_error);
  ASSERT_EQ(children.size(), 1u);
  ExpectGone(children[0]);
  EXPECT_FALSE(Alive(tool));
}

TEST_F(ConsoleRun, WithoutRedirectionExecuteDoesNotWait) {
  TConsoleAppWrapper w(kChild, "sleep:200", "", "", nullptr, nullptr, false, nullptr);
  EXPECT_EQ(w.Execute(20, false), 0u);
  EXPECT_FALSE(w.Executing());
  LeftOver(w.ProcessID());
}

}  // namespace
}  // namespace morvel
