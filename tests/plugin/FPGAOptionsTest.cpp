// The option set of a vendor stage: option values, the definitions file, the device and tool
// filters, line generation and project storage, against a simulated host in this process.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/HostApp.h"
#include "options/FPGAOptions.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostUtil.h"
#include "sdk/Objects.h"
#include "sdk/Strings.h"
#include "support/TempDir.h"

namespace morvel::testing {
namespace {

// The device-information operations the filter asks of a device.
class TFakeDevice : public TAbstractSupportService {
 public:
  TFakeDevice(std::string family, std::string base, std::string package, std::string speed)
      : family_(std::move(family)),
        base_(std::move(base)),
        package_(std::move(package)),
        speed_(std::move(speed)) {}
  std::string GetFamilyName() { return family_; }
  std::string GetBaseName() { return base_; }
  std::string GetPackageName() { return package_; }
  std::string GetSpeedGradeName() { return speed_; }

  static const DispatchTable& Table() {
    using C = TFakeDevice;
    static constexpr auto kEntries =
        DispatchEntries(MORVEL_DISP(dispid::info::GetFamilyName, C, GetFamilyName),
                        MORVEL_DISP(dispid::info::GetBaseName, C, GetBaseName),
                        MORVEL_DISP(dispid::info::GetPackageName, C, GetPackageName),
                        MORVEL_DISP(dispid::info::GetSpeedGradeName, C, GetSpeedGradeName));
    static const DispatchTable table(kEntries, {"DeviceInformation"}, nullptr);
    return table;
  }
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  std::string family_, base_, package_, speed_;
};

// A simulated host whose device manager (the real module from the staged installation)
// knows one device, "5SGXEA7N2F45C2": Stratix5, 5SGXEA7, F45, C2.
class HostedOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto stage = std::filesystem::path(MORVEL_HOST_EXE).parent_path();
    host = std::make_unique<host::HostApp>(host::HostApp::Options{stage, false, false, {}});
    SetHostClientForTesting(host->Client());
    host->Data().DeviceByName = [this](const std::string& name) -> DispatchPtr {
      ++lookups;
      return SameText(name, kDevice) ? DispatchPtr(device->AsDispatch()) : nullptr;
    };
  }
  void TearDown() override {
    ResetHostCaches();
    host.reset();
  }

  static constexpr const char* kDevice = "5SGXEA7N2F45C2";
  ComPtr<TFakeDevice> device{new TFakeDevice("Stratix5", "5SGXEA7", "F45", "C2")};
  std::unique_ptr<host::HostApp> host;
  int lookups = 0;
  TempDir dir;
};

TFPGAStringList Lines(const TFPGAOptions& options, bool isCmd, const std::string& device = "",
                      const std::string& tool = "") {
  TFPGAStringList lines{"left over"};
  options.GetLines(isCmd, lines, device, tool);
  return lines;
}

// ---- text helpers ----

TEST(FPGAOptionText, CommaTextSplitsAtCommasAndBlanksOutsideQuotes) {
  const struct {
    const char* text;
    TFPGAStringList items;
  } cases[] = {
      {"A,B", {"A", "B"}},
      {"  A  B ,C ", {"A", "B", "C"}},
      {R"("a b",c)", {"a b", "c"}},
      {R"("say ""hi"", then go",x)", {R"(say "hi", then go)", "x"}},
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {"a, ", {"a"}},
      {"", {}},
      {"   ", {}},
      {R"("open ended)", {"open ended"}},
      {R"(!7.2, 8.0)", {"!7.2", "8.0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseCommaText(c.text), c.items);
  }
  const TFPGAStringList awkward{"a b", "c,d", "e\"f", "g", ""};
  EXPECT_EQ(FormatCommaText(awkward), R"("a b","c,d","e""f",g,)");
  EXPECT_EQ(ParseCommaText(FormatCommaText(awkward)), awkward);
  EXPECT_EQ(FormatCommaText({""}), R"("")");
  EXPECT_EQ(ParseCommaText(R"("")"), TFPGAStringList{""});
}

TEST(FPGAOptionText, EscapingKeepsLineBreaksAndHashesOnOneLine) {
  const std::string text = "set x 1 # one\r\nset\ty 2";
  const std::string escaped = EscapeOptionText(text);
  EXPECT_EQ(escaped, "set x 1 #23 one#0D#0Aset#09y 2");
  EXPECT_EQ(UnescapeOptionText(escaped), text);
  EXPECT_EQ(UnescapeOptionText(EscapeOptionText("##23#")), "##23#");
  // Anything that is not "#" and two hexadecimal digits stays as it is.
  EXPECT_EQ(UnescapeOptionText("#G1 #4 # #"), "#G1 #4 # #");
  EXPECT_EQ(UnescapeOptionText("#41#6a"), "Aj");
  EXPECT_EQ(UnescapeOptionText("caf#E9"), "caf\xC3\xA9") << "a code is a character";
  EXPECT_EQ(EscapeOptionText("caf\xC3\xA9"), "caf\xC3\xA9");
}

// ---- option values ----

TEST(FPGAOption, TheEditedValueIsInForceWhileActive) {
  TFPGAOption_String option("Synthesis", "Top", "top", "counter");
  EXPECT_EQ(option.Kind, eFPGAOption_String);
  EXPECT_EQ(option.Position, -1);
  EXPECT_EQ(option.GetValue(), "counter");
  option.SetValue("adder");
  option.TemporaryValue = "mux";
  EXPECT_EQ(option.GetValue(), "adder") << "an inactive edit does not count";
  option.TemporaryActive = true;
  EXPECT_EQ(option.GetValue(), "mux");
  option.TemporaryUnspecified = true;
  EXPECT_EQ(option.GetValue(), "counter") << "unspecified falls back to the default";
  option.SetValue("shifter");
  EXPECT_FALSE(option.TemporaryUnspecified);
  EXPECT_EQ(option.TemporaryValue, "shifter");
  EXPECT_EQ(option.GetValue(), "shifter");
  EXPECT_EQ(option.Parameters(), "Top=shifter");
}

TEST(FPGAOption, BooleanTextsMapTrueAndFalse) {
  TFPGAOption_Boolean plain("S", "Fast", "f", "true");
  EXPECT_TRUE(plain.IsTrue());
  plain.SetValue("yes");
  EXPECT_FALSE(plain.IsTrue());

  TFPGAOption_Boolean mapped("S", "Effort", "e", "True");
  mapped.SetValues("OFF,ON");
  EXPECT_EQ(mapped.GetValue(), "ON");
  EXPECT_TRUE(mapped.IsTrue());
  mapped.SetValue("False");
  EXPECT_EQ(mapped.GetValue(), "OFF");
  EXPECT_FALSE(mapped.IsTrue());
  // The text written for true, read back from a project, stays true.
  mapped.SetValue("on");
  EXPECT_EQ(mapped.GetValue(), "ON");
  EXPECT_TRUE(mapped.IsTrue());
  EXPECT_EQ(mapped.GetValues(), "OFF,ON");
}

TEST(FPGAOption, CheckValueByKind) {
  TFPGAOption_String text("S", "T", "t", "");
  TFPGAOption_Boolean flag("S", "B", "b", "");
  TFPGAOption_Enum choice("S", "E", "e", "");
  choice.SetValues("Fast,Slow,\"Very Slow\"");
  TFPGAOption_Integer whole("S", "I", "i", "");
  TFPGAOption_Real real("S", "R", "r", "");
  const struct {
    const TFPGAOption_Abstract& option;
    const char* value;
    bool valid;
  } cases[] = {
      {text, "anything at all", true},
      {flag, "true", true},
      {flag, "FALSE", true},
      {flag, "yes", false},
      {flag, "", false},
      {choice, "slow", true},
      {choice, "very slow", true},
      {choice, "Medium", false},
      {whole, "5", true},
      {whole, "-2147483648", true},
      {whole, "2147483648", false},
      {whole, "0x10", true},
      {whole, "12a", false},
      {whole, "1.5", false},
      {whole, "", true},
      {real, "1.5", true},
      {real, "-2e3", true},
      {real, "1,5", false},
      {real, "abc", false},
      {real, "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option.Name + " " + c.value);
    EXPECT_EQ(c.option.CheckValue(c.value), c.valid);
  }
}

TEST(FPGAOption, LimitsAndValueListsByKind) {
  TFPGAOptions options("", "");
  auto* whole = options.AddIntegerOption("S", "Seed", "seed", "1", "", "");
  EXPECT_EQ(whole->GetMinValue(), "0") << "no limit given keeps the new option's 0";
  whole->SetMinValue(-5);
  whole->SetMaxValue(100);
  EXPECT_EQ(whole->GetMinValue(), "-5");
  EXPECT_EQ(whole->GetMaxValue(), "100");
  auto* real = options.AddRealOption("S", "Slack", "slack", "0.5", "0.1", "9.5");
  EXPECT_EQ(real->GetMaxValue(), "9.5");
  auto* choice = options.AddEnumOption("S", "Mode", "mode", "Fast", "Fast, Slow");
  EXPECT_EQ(choice->GetValues(), "Fast,Slow");
  EXPECT_EQ(choice->GetMinValue(), "");
  EXPECT_EQ(options.AddStringOption("S", "Top", "top", "x")->GetValues(), "");
}

TEST(FPGAOption, ReplicateAndCopyToCarryTheOption) {
  TFPGAOption_Enum source("Fit", "Mode", "mode", "Fast");
  source.SetValues("Fast,Slow");
  source.SetValue("Slow");
  source.ValidFamilies = {"Stratix5"};
  source.ValidTools = {"!7.2"};
  source.Conditions = {"Effort=Low"};
  source.ToolTip = "How hard to try";
  source.Position = 4;
  source.Advanced = true;
  source.Scripts.push_back({false, "Slow", "-slow"});

  const auto copy = source.Replicate();
  ASSERT_NE(dynamic_cast<TFPGAOption_Enum*>(copy.get()), nullptr);
  EXPECT_EQ(copy->Section, "Fit");
  EXPECT_EQ(copy->Flag, "mode");
  EXPECT_EQ(copy->GetValue(), "Slow");

  source.CopyTo(*copy);
  EXPECT_EQ(dynamic_cast<TFPGAOption_Enum&>(*copy).DisplayValues, source.DisplayValues);
  EXPECT_EQ(copy->DefaultValue, "Fast");
  EXPECT_EQ(copy->ValidFamilies, source.ValidFamilies);
  EXPECT_EQ(copy->ValidTools, source.ValidTools);
  EXPECT_EQ(copy->Conditions, source.Conditions);
  EXPECT_EQ(copy->ToolTip, source.ToolTip);
  EXPECT_EQ(copy->Position, 4);
  EXPECT_TRUE(copy->Advanced);

  TFPGAOption_Integer number("S", "N", "n", "3");
  number.MinValue = "1";
  number.MaxValue = "9";
  TFPGAOption_Integer other("S", "M", "m", "0");
  number.CopyTo(other);
  EXPECT_EQ(other.MaxValue, "9");
  EXPECT_EQ(other.GetValue(), "3");

  TFPGAOption_Boolean mapped("S", "B", "b", "True");
  mapped.SetValues("OFF,ON");
  const auto twin = mapped.Replicate();
  mapped.CopyTo(*twin);
  EXPECT_TRUE(dynamic_cast<TFPGAOption_Boolean&>(*twin).IsTrue());
}

// ---- the set ----

TEST(FPGAOptionSet, AddingNumbersOptionsAndFindsThemByName) {
  TFPGAOptions options("dev", "13.1");
  auto* a = options.AddStringOption("S", "Alpha", "a", "1");
  auto* b = options.AddBooleanOption("S", "Beta", "b", "True", "");
  EXPECT_EQ(a->Position, 1);
  EXPECT_EQ(b->Position, 2);
  EXPECT_EQ(options.GetOption("BETA"), b);
  EXPECT_EQ(options.GetOption("Gamma"), nullptr);
  EXPECT_EQ(options.GetOptionAt(1), b);
  EXPECT_EQ(options.GetOptionAt(2), nullptr);
  EXPECT_EQ(options.GetOptionAt(-1), nullptr);

  options.Script_Head = "head";
  options.CustomUser_Cmd = "custom";
  options.ClearOptions();
  EXPECT_EQ(options.GetOptionCount(), 0);
  EXPECT_EQ(options.Script_Head, "");
  EXPECT_EQ(options.CustomUser_Cmd, "");
  EXPECT_EQ(options.AddStringOption("S", "C", "c", "")->Position, 3) << "numbering goes on";
  options.Sorted = false;
  EXPECT_EQ(options.AddStringOption("S", "D", "d", "")->Position, -1);
}

TEST(FPGAOptionSet, ParametersAndDefaults) {
  TFPGAOptions options("", "");
  options.AddStringOption("S", "Top", "top", "counter");
  options.AddIntegerOption("S", "Seed", "seed", "1", "0", "10");
  options.AddBooleanOption("S", "Effort", "e", "False", "OFF,ON");
  EXPECT_EQ(options.GetParameters(), "|Top=counter|Seed=1|Effort=OFF");

  options.SetParameters("seed= 7 |Unknown=x|EFFORT=ON");
  EXPECT_EQ(options.GetParameters(), "|Top=counter|Seed=7|Effort=ON");
  TFPGAOptions copy("", "");
  copy.AddStringOption("S", "Top", "top", "");
  copy.AddIntegerOption("S", "Seed", "seed", "", "0", "10");
  copy.AddBooleanOption("S", "Effort", "e", "", "OFF,ON");
  copy.SetParameters(options.GetParameters());
  EXPECT_EQ(copy.GetParameters(), options.GetParameters());

  options.SetDefaults();
  EXPECT_EQ(options.GetParameters(), "|Top=counter|Seed=1|Effort=OFF");
  EXPECT_EQ(TFPGAOptions("", "").GetParameters(), "");
}

// ---- fragments and lines ----

TEST(FPGAOptionLines, CommandLinePiecesOfOptionsWithoutFragments) {
  TFPGAOptions options("", "");
  auto* fast = options.AddBooleanOption("S", "Fast", "x", "True", "");
  auto* seed = options.AddIntegerOption("S", "Seed", "n", "5", "0", "10");
  auto* quiet = options.AddBooleanOption("S", "Quiet", "q", "False", "");
  auto* nameless = options.AddStringOption("S", "Top", "", "counter");
  nameless->WasLoaded = true;
  EXPECT_EQ(Lines(options, false), TFPGAStringList{"-x"})
      << "a boolean defaulting to true gives its switch; an unspecified value gives nothing";

  fast->TemporaryActive = true;
  fast->TemporaryValue = "False";
  seed->WasLoaded = true;
  quiet->WasLoaded = true;
  quiet->SetValue("TRUE");
  EXPECT_EQ(Lines(options, false), (TFPGAStringList{"-n 5", "-q"}));

  seed->SetValue("");
  EXPECT_EQ(Lines(options, false), TFPGAStringList{"-q"}) << "an empty value gives nothing";
  EXPECT_EQ(Lines(options, true), TFPGAStringList{}) << "no fragments: no script lines";
  TFPGAStringList none;
  EXPECT_FALSE(options.GetLines(true, none, "", ""));
}

TEST(FPGAOptionLines, FragmentsPerValueAndForUnspecifiedOptions) {
  TFPGAOption_Enum effort("Fit", "Effort", "effort", "Normal");
  effort.Scripts = {{true, "", "--effort=default"},
                    {false, "High", " --effort=high"},
                    {false, "", " --seed=1"},
                    {true, "Low", "--effort=low-default"}};
  effort.Commands = {{false, "high", "set_global_assignment EFFORT HIGH"}};
  EXPECT_EQ(effort.GetValueFor(false), "--effort=low-default")
      << "unspecified: the last default fragment, whatever its value";
  EXPECT_EQ(effort.GetValueFor(true), "");

  effort.TemporaryActive = true;
  effort.TemporaryValue = "High";
  EXPECT_EQ(effort.GetValueFor(false), "--effort=default --effort=high --seed=1");
  EXPECT_EQ(effort.GetValueFor(true), "set_global_assignment EFFORT HIGH");
  effort.TemporaryValue = "Medium";
  EXPECT_EQ(effort.GetValueFor(false), "--effort=default --seed=1");
  effort.TemporaryUnspecified = true;
  EXPECT_EQ(effort.GetValueFor(false), "--effort=low-default");
  EXPECT_TRUE(effort.HasDefaultScript());
  EXPECT_FALSE(effort.HasDefaultCommand());
}

TEST(FPGAOptionLines, HeadTailValueOnlyAndComments) {
  TFPGAOptions options("", "");
  options.Commands_Head = "project_open top  # open it\r\n\r\n   \n";
  options.Commands_Tail = "# only a comment\nproject_close";
  options.Comment_Identifier = "#";
  auto* device = options.AddStringOption("S", "Device", "dev", "5SGX");
  device->Commands = {{false, "", "set_global_assignment -name DEVICE $dev.Value\nexport"}};
  device->WasLoaded = true;
  auto* hidden = options.AddStringOption("S", "Hidden", "h", "x");
  hidden->ValueOnly = true;
  hidden->Commands = {{false, "", "never a line"}};
  hidden->WasLoaded = true;

  EXPECT_EQ(Lines(options, true),
            (TFPGAStringList{"project_open top", "set_global_assignment -name DEVICE 5SGX",
                             "export", "project_close"}));
  options.Comment_Identifier.clear();
  EXPECT_EQ(Lines(options, true).front(), "project_open top  # open it");
  EXPECT_EQ(Lines(options, false), TFPGAStringList{}) << "no head, tail or pieces: cleared";
}

TEST(FPGAOptionLines, ReferencesResolveOverPassesAndStopAfterSixteen) {
  TFPGAOptions options("", "");
  options.Script_Head = "run $C.Value $B.4VALUE";
  options.AddStringOption("S", "A", "a", "end")->ValueOnly = true;
  auto* b = options.AddStringOption("S", "B", "b", "$a.Value");
  b->ValueOnly = true;
  b->WasLoaded = true;
  options.AddStringOption("S", "C", "c", "$b.value")->ValueOnly = true;
  EXPECT_EQ(Lines(options, false), TFPGAStringList{"run end -b end"});

  TFPGAOptions loop("", "");
  loop.Script_Head = "$L.Value";
  loop.AddStringOption("S", "L", "L", "x$L.Value")->ValueOnly = true;
  EXPECT_EQ(Lines(loop, false), TFPGAStringList{std::string(16, 'x') + "$L.Value"});

  // A definition that references itself several times would grow geometrically.
  TFPGAOptions bomb("", "");
  bomb.Script_Head = "$Z.Value";
  bomb.AddStringOption("S", "Z", "Z", "$Z.Value$Z.Value$Z.Value$Z.Value")->ValueOnly = true;
  const TFPGAStringList lines = Lines(bomb, false);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_LE(lines[0].size(), kMaxExpandedLineLength);
}

TEST(FPGAOptionLines, ValuesThatDoNotConvertStillMakeLines) {
  TFPGAOptions options("", "");
  auto* seed = options.AddIntegerOption("S", "Seed", "n", "5", "0", "10");
  seed->WasLoaded = true;
  seed->SetValue("many");
  EXPECT_FALSE(seed->CheckValue(seed->GetValue()));
  EXPECT_EQ(Lines(options, false), TFPGAStringList{"-n many"});
}

// ---- filters ----

TEST(FPGAOptionFilter, FamilyAndToolLists) {
  const struct {
    const char* list;
    const char* value;
    bool accepted;
  } families[] = {
      {"", "Stratix5", true}, {"!A", "A", false},   {"!A", "B", true},    {"!A", "a", false},
      {"A,B", "A", true},     {"A,B", "b", true},   {"A,B", "C", false},  {"A,!B", "A", true},
      {"A,!B", "B", false},   {"A,!B", "C", false}, {"!A,A", "A", false}, {"A,!A", "A", true},
  };
  for (const auto& c : families) {
    SCOPED_TRACE(std::string(c.list) + " / " + c.value);
    EXPECT_EQ(FilterListAccepts(ParseCommaText(c.list), c.value), c.accepted);
  }
  const struct {
    const char* list;
    const char* tool;
    bool accepted;
  } tools[] = {
      {"", "7.2", true},          {"!7.2", "7.2", false}, {"!7.2", "13.1", true},
      {"7.2", "7.2", true},       {"7.2", "13.1", false}, {"7.2,!9.0", "13.1", true},
      {"!9.0,9.0", "9.0", false},
  };
  for (const auto& c : tools) {
    SCOPED_TRACE(std::string(c.list) + " / " + c.tool);
    EXPECT_EQ(ToolListAccepts(ParseCommaText(c.list), c.tool), c.accepted);
  }
}

TEST(FPGAOptionFilter, WithoutAHostEveryDevicePasses) {
  SetHostClientForTesting(nullptr);
  TFPGAOption_String option("S", "N", "n", "");
  option.ValidFamilies = {"Cyclone3"};
  EXPECT_TRUE(Applies(option, "5SGXEA7N2F45C2", ""));
  option.ValidTools = {"7.2"};
  EXPECT_FALSE(Applies(option, "5SGXEA7N2F45C2", "13.1")) << "the tool test still holds";
  ResetHostCaches();
}

TEST_F(HostedOptions, TheDeviceTestAsksTheHostsDeviceManager) {
  TFPGAOption_String option("S", "N", "n", "");
  const struct {
    TFPGAStringList TFPGAOption_Abstract::*list;
    const char* entries;
    bool accepted;
  } cases[] = {
      {&TFPGAOption_Abstract::ValidFamilies, "stratix5", true},
      {&TFPGAOption_Abstract::ValidFamilies, "!Stratix5", false},
      {&TFPGAOption_Abstract::ValidFamilies, "Cyclone3", false},
      {&TFPGAOption_Abstract::ValidBaseDevices, "5SGXEA7,5SGXEA9", true},
      {&TFPGAOption_Abstract::ValidBaseDevices, "!5SGXEA7", false},
      {&TFPGAOption_Abstract::ValidPackages, "F40", false},
      {&TFPGAOption_Abstract::ValidPackages, "!F40", true},
      {&TFPGAOption_Abstract::ValidSpeedGrades, "C2,C3", true},
      {&TFPGAOption_Abstract::ValidSpeedGrades, "I3", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entries);
    option.*c.list = ParseCommaText(c.entries);
    EXPECT_EQ(Applies(option, kDevice, ""), c.accepted);
    EXPECT_TRUE(Applies(option, "NoSuchDevice", "")) << "a device the host does not know passes";
    option.*c.list = {};
  }
  lookups = 0;
  EXPECT_TRUE(Applies(option, kDevice, ""));
  EXPECT_EQ(lookups, 0) << "an option without device lists needs no lookup";
}

TEST_F(HostedOptions, LinesFollowTheDeviceAndToolFilters) {
  TFPGAOptions options(kDevice, "13.1");
  auto* stratix = options.AddStringOption("S", "A", "a", "1");
  stratix->ValidFamilies = {"Stratix5"};
  auto* cyclone = options.AddStringOption("S", "B", "b", "2");
  cyclone->ValidFamilies = {"Cyclone3"};
  auto* old = options.AddStringOption("S", "C", "c", "3");
  old->ValidTools = {"7.2"};
  for (auto* o : {stratix, cyclone, old}) o->WasLoaded = true;
  options.Script_Tail = "tail $b.Value";
  EXPECT_EQ(Lines(options, false, kDevice, "13.1"), (TFPGAStringList{"-a 1", "tail $b.Value"}))
      << "an option that does not apply is neither a line nor a reference";
  EXPECT_EQ(lookups, 1) << "one lookup for the whole generation";
  EXPECT_EQ(Lines(options, false, kDevice, "7.2"),
            (TFPGAStringList{"-a 1", "-c 3", "tail $b.Value"}));
}

// ---- definitions file ----

const char* const kDefinitions = R"(<?xml version="1.0" encoding="UTF-8"?>
<Options>
  <command_filename>top.tcl</command_filename>
  <COMMENT>#</COMMENT>
  <command pos="HEAD">project_open top</command>
  <command pos="tail">project_close</command>
  <script pos="head">--read_settings_files=on</script>
  <script pos="middle">ignored</script>
  <unknown>ignored<option id="Stray"/></unknown>
  <Section Id="Analysis">
    <option id="Optimize">
      <flag>opt</flag>
      <default_value>True</default_value>
      <tooltip>Optimise <em>the</em> design</tooltip>
      <advanced/>
      <color>ignored</color>
    </option>
    <OPTION ID="Effort">
      <Kind>ENUM</Kind>
      <values>Low, Normal , "Very High"</values>
      <defaults>Normal</defaults>
      <flag>effort</flag>
      <device_family>Stratix5,!Cyclone3</device_family>
      <device_family>Stratix5</device_family>
      <tool_version>!7.2</tool_version>
      <option_if>Optimize=False</option_if>
      <option_if>Seed!=1</option_if>
      <script id="Low">--effort=low</script>
      <script_default>--effort=auto</script_default>
      <command ID="Very High">set_global_assignment -name EFFORT HIGH</command>
      <command_default id="">set_global_assignment -name EFFORT AUTO</command_default>
    </OPTION>
    <option id="Seed">
      <kind>integer</kind><flag>seed</flag><default_value>1</default_value>
      <min_value>1</min_value><max_value>64</max_value>
      <valueonly/>
    </option>
    <option id="Slack"><kind>real</kind><default_value>0.5</default_value></option>
    <option id="Top"><kind>text</kind><default_value>counter</default_value></option>
    <option id="Mapped"><values>OFF,ON</values><default_value>true</default_value></option>
  </Section>
  <section id="Fitter">
    <option id="Fit"><kind>string</kind><device_base_name>5SGXEA7</device_base_name>
      <device_package>F45</device_package><device_speedgrade>C2</device_speedgrade></option>
  </section>
</Options>
)";

TEST(FPGAOptionDefinitions, AFileDefinesTheOptionsAndTheirFrame) {
  TempDir dir;
  TFPGAOptions options("", "13.1");
  options.AddStringOption("Old", "Old", "old", "");
  options.LoadOptions(dir.Write("Defaults.xml", kDefinitions).string());

  EXPECT_EQ(options.Commands_Filename, "top.tcl");
  EXPECT_EQ(options.Comment_Identifier, "#");
  EXPECT_EQ(options.Commands_Head, "project_open top");
  EXPECT_EQ(options.Commands_Tail, "project_close");
  EXPECT_EQ(options.Script_Head, "--read_settings_files=on");
  EXPECT_EQ(options.Script_Tail, "");
  ASSERT_EQ(options.GetOptionCount(), 7);
  EXPECT_EQ(options.GetOption("Old"), nullptr);
  EXPECT_EQ(options.GetOption("Stray"), nullptr);
  EXPECT_EQ(options.GetOptionAt(0)->Position, 2) << "numbering is not reset by a load";

  auto* optimize = dynamic_cast<TFPGAOption_Boolean*>(options.GetOption("Optimize"));
  ASSERT_NE(optimize, nullptr) << "an option without a kind is boolean";
  EXPECT_EQ(optimize->Section, "Analysis");
  EXPECT_EQ(optimize->Flag, "opt");
  EXPECT_EQ(optimize->GetValue(), "True");
  EXPECT_EQ(optimize->TemporaryValue, "True");
  EXPECT_EQ(optimize->ToolTip, "Optimise the design");
  EXPECT_TRUE(optimize->Advanced);
  EXPECT_FALSE(optimize->ValueOnly);

  auto* effort = dynamic_cast<TFPGAOption_Enum*>(options.GetOption("effort"));
  ASSERT_NE(effort, nullptr);
  EXPECT_EQ(effort->DisplayValues, (TFPGAStringList{"Low", "Normal", "Very High"}));
  EXPECT_EQ(effort->DefaultValue, "Normal");
  EXPECT_EQ(effort->ValidFamilies, TFPGAStringList{"Stratix5"}) << "the last element wins";
  EXPECT_EQ(effort->ValidTools, TFPGAStringList{"!7.2"});
  EXPECT_EQ(effort->Conditions, (TFPGAStringList{"Optimize=False", "Seed!=1"}));
  ASSERT_EQ(effort->Scripts.size(), 2u);
  EXPECT_EQ(effort->Scripts[0].Id, "Low");
  EXPECT_FALSE(effort->Scripts[0].Default);
  EXPECT_TRUE(effort->Scripts[1].Default);
  EXPECT_EQ(effort->Scripts[1].Value, "--effort=auto");
  ASSERT_EQ(effort->Commands.size(), 2u);
  EXPECT_EQ(effort->Commands[0].Id, "Very High");
  EXPECT_TRUE(effort->HasDefaultCommand());

  auto* seed = dynamic_cast<TFPGAOption_Integer*>(options.GetOption("Seed"));
  ASSERT_NE(seed, nullptr);
  EXPECT_EQ(seed->GetMinValue(), "1");
  EXPECT_EQ(seed->GetMaxValue(), "64");
  EXPECT_TRUE(seed->ValueOnly);
  EXPECT_NE(dynamic_cast<TFPGAOption_Real*>(options.GetOption("Slack")), nullptr);
  auto* top = options.GetOption("Top");
  EXPECT_EQ(top->Kind, eFPGAOption_String) << "an unknown kind is a string";
  auto* mapped = dynamic_cast<TFPGAOption_Boolean*>(options.GetOption("Mapped"));
  ASSERT_NE(mapped, nullptr);
  EXPECT_EQ(mapped->GetValue(), "ON");
  auto* fit = options.GetOption("Fit");
  EXPECT_EQ(fit->Section, "Fitter");
  EXPECT_EQ(fit->ValidBaseDevices, TFPGAStringList{"5SGXEA7"});
  EXPECT_EQ(fit->ValidPackages, TFPGAStringList{"F45"});
  EXPECT_EQ(fit->ValidSpeedGrades, TFPGAStringList{"C2"});

  EXPECT_EQ(Lines(options, true, "", "13.1"),
            (TFPGAStringList{"project_open top", "set_global_assignment -name EFFORT AUTO",
                             "project_close"}));
  EXPECT_EQ(Lines(options, false, "", "13.1"),
            (TFPGAStringList{"--read_settings_files=on", "-opt", "--effort=auto"}));
}

TEST(FPGAOptionDefinitions, BadFilesAreReportedAndLeaveTheSetAsItWas) {
  TempDir dir;
  TFPGAOptions options("", "");
  options.AddStringOption("S", "Keep", "k", "1");
  options.Commands_Head = "head";

  options.LoadOptions((dir / "Missing.xml").string());
  options.LoadOptions(dir.Path().string());  // a folder is no file
  EXPECT_EQ(options.GetOptionCount(), 1);

  const struct {
    const char* name;
    const char* content;
  } bad[] = {
      {"Empty.xml", ""},
      {"Text.xml", "DefaultOptions: not a markup file"},
      {"Broken.xml", "<Options>\n  <section Id=\"A\">\n    <option id=\"x\">\n</Options>"},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.name);
    const std::string path = dir.Write(b.name, b.content).string();
    try {
      options.LoadOptions(path);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(path), std::string::npos) << message;
      EXPECT_NE(message.find("not a valid XML document: "), std::string::npos) << message;
    }
    EXPECT_EQ(options.GetOptionCount(), 1);
    EXPECT_EQ(options.Commands_Head, "head");
  }
  try {
    options.LoadOptions(dir.Write("Line.xml", "<a>\n<b>\n</a>").string());
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("(line 3, column"), std::string::npos) << e.what();
  }

  // Deep nesting is read without exhausting the stack.
  const int depth = 200000;
  std::string deep = "<O><section Id=\"S\"><option id=\"Deep\"><kind>string</kind><flag>";
  for (int i = 0; i < depth; ++i) deep += "<n>";
  deep += "d";
  for (int i = 0; i < depth; ++i) deep += "</n>";
  deep += "</flag></option></section></O>";
  options.LoadOptions(dir.Write("Deep.xml", deep).string());
  ASSERT_EQ(options.GetOptionCount(), 1);
  EXPECT_EQ(options.GetOption("Deep")->Flag, "d");

  // A document with a root but nothing this reader knows is an empty set.
  options.LoadOptions(dir.Write("Other.xml", "<Other><thing/></Other>").string());
  EXPECT_EQ(options.GetOptionCount(), 0);
  EXPECT_EQ(options.Commands_Head, "");
}

TEST_F(HostedOptions, EachDefaultCandidateIsTestedOnItsOwnFamiliesAndTools) {
  const std::string file = dir.Write("Defaults.xml", R"(<Options><section Id="S">
    <option id="ByCandidate"><kind>string</kind>
      <default_value>
        <candidate><default_value>cyclone</default_value>
                   <device_family>Cyclone3</device_family></candidate>
        <candidate><default_value>old tools</default_value>
                   <device_family>Stratix5</device_family>
                   <tool_version>7.2</tool_version></candidate>
        <candidate><default_value>stratix</default_value>
                   <device_family>Cyclone3</device_family>
                   <device_family>Stratix5</device_family></candidate>
        <candidate><default_value>last</default_value></candidate>
      </default_value>
    </option>
    <option id="NonePasses"><kind>string</kind>
      <defaults>plain</defaults>
      <defaults><c><default_value>other</default_value><tool_version>7.2</tool_version></c></defaults>
    </option>
    <option id="Unconditional"><kind>string</kind>
      <defaults><c><default_value>any</default_value></c></defaults>
    </option>
  </section></Options>)")
                               .string();
  const struct {
    const char* device;
    const char* tool;
    const char* byCandidate;
    const char* nonePasses;
  } cases[] = {
      {kDevice, "13.1", "stratix", "plain"},
      {kDevice, "7.2", "old tools", "other"},
      {"UnknownDevice", "13.1", "cyclone", "plain"},  // every device test passes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.device) + " " + c.tool);
    TFPGAOptions options(c.device, c.tool);
    options.LoadOptions(file);
    EXPECT_EQ(options.GetOption("ByCandidate")->GetValue(), c.byCandidate);
    EXPECT_EQ(options.GetOption("NonePasses")->DefaultValue, c.nonePasses);
    EXPECT_EQ(options.GetOption("Unconditional")->DefaultValue, "any");
  }
}

// ---- project storage ----

TEST_F(HostedOptions, ProjectStorageRoundTrip) {
  const auto project = host->Workspace()->AddProject(dir / "counter.PrjFpg");
  const DispatchPtr projectObject = host::DispatchOf(project);
  const std::string section = "Map DesignQuartus_Map";
  const auto makeSet = [] {
    auto options = std::make_unique<TFPGAOptions>("", "");
    options->AddStringOption("S", "Top", "top", "counter");
    options->AddIntegerOption("S", "Seed", "seed", "1", "1", "64");
    options->AddBooleanOption("S", "Effort", "e", "False", "OFF,ON");
    options->AddEnumOption("S", "Mode", "mode", "Fast", "Fast,Slow");
    return options;
  };

  auto saved = makeSet();
  // As the dialog commits: every option active, "Unspecified" ones not.
  for (int32_t i = 0; i < saved->GetOptionCount(); ++i)
    saved->GetOptionAt(i)->TemporaryActive = true;
  saved->GetOption("Top")->SetValue("adder");
  saved->GetOption("Seed")->SetValue("42");
  saved->GetOption("Effort")->SetValue("True");
  saved->GetOption("Mode")->TemporaryActive = false;
  saved->AdvancedMode = true;
  saved->CustomUser_Cmd = "project_open top # custom\r\nexecute_flow -compile";
  saved->CustomUser_Scr = "--effort=high";
  project->Options.Write(section, "Mode", "Slow");  // a value from an earlier save
  saved->SaveToProject(projectObject, section);

  const auto stored = [&](const char* name) {
    return project->Options.Read(section, name, "<none>");
  };
  EXPECT_EQ(stored("Top"), "adder");
  EXPECT_EQ(stored("Effort"), "ON");
  EXPECT_EQ(stored("Mode"), "<none>") << "an unspecified option keeps no value";
  EXPECT_EQ(stored("AdvancedOptionsEnabled"), "True");
  EXPECT_EQ(stored("CustomOptionsUser_Cmd"),
            "project_open top #23 custom#0D#0Aexecute_flow -compile");

  auto loaded = makeSet();
  loaded->GetOption("Mode")->SetValue("Slow");
  loaded->LoadFromProject(projectObject, section);
  EXPECT_EQ(loaded->GetOption("Top")->GetValue(), "adder");
  EXPECT_EQ(loaded->GetOption("Seed")->GetValue(), "42");
  EXPECT_TRUE(loaded->GetOption("Seed")->WasLoaded);
  auto* effort = dynamic_cast<TFPGAOption_Boolean*>(loaded->GetOption("Effort"));
  EXPECT_TRUE(effort->IsTrue()) << "the text written for true reads back as true";
  EXPECT_EQ(effort->TemporaryValue, "ON");
  EXPECT_EQ(loaded->GetOption("Mode")->GetValue(), "Fast") << "not stored: the default";
  EXPECT_FALSE(loaded->GetOption("Mode")->WasLoaded);
  EXPECT_TRUE(loaded->AdvancedMode);
  EXPECT_EQ(loaded->CustomUser_Cmd, saved->CustomUser_Cmd);
  EXPECT_EQ(loaded->CustomUser_Scr, saved->CustomUser_Scr);
  EXPECT_EQ(Lines(*loaded, false), (TFPGAStringList{"-top adder", "-seed 42", "-e"}));

  // Without a project nothing is read or written.
  loaded->SaveToProject(nullptr, section);
  loaded->LoadFromProject(nullptr, section);
  EXPECT_EQ(loaded->GetOption("Top")->GetValue(), "adder");
}

}  // namespace
}  // namespace morvel::testing
