// The host's project files: what a project holds survives a save and a load, damaged files
// are refused with a reason, and a save that cannot finish leaves the old file whole.
#include <gtest/gtest.h>

#include <fstream>

#include "core/ProjectFile.h"
#include "hosted/HostFixture.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"

namespace morvel::testing {
namespace {

using ProjectFiles = HostFixture;

TEST_F(ProjectFiles, EveryValueReadsBackExactly) {
  for (const std::string& value :
       {std::string("plain"), std::string(" lead and trail "), std::string("a;b\"c%d"),
        std::string("line\r\nbreak#0D"), std::string("")})
    EXPECT_EQ(host::UnescapeProjectValue(host::EscapeProjectValue(value)), value);
  EXPECT_EQ(host::UnescapeProjectValue("100%"), "100%") << "a stray percent stays";
}

TEST_F(ProjectFiles, OptionWritesAreSavedAndReloaded) {
  const auto file = dir.Write("Counter/Counter.PrjFpg",
                              "[Project]\nSynthesizer=Morvel VHDL Synthesizer\n"
                              "OutputPath=Output/counter.edf\nUserID=$00C0FFEE\n"
                              "[Documents]\nDocument1=counter.vhd\nDocument2=pins.TCL\n");
  auto project = host->Workspace()->OpenProject(file);
  EXPECT_EQ(project->OutputPath, (dir / "Counter/Output/counter.edf").string());
  ASSERT_EQ(project->GetDocumentCount(), 2);
  EXPECT_EQ(Call(project->GetDocument(1), dispid::document::GetFileName).AsText(),
            (dir / "Counter/pins.TCL").string());
  Call(project->AsDispatch(), dispid::options::Write, "Fit DesignQuartus_Fit", "Seed", " 7;x ");
  Call(project->AsDispatch(), dispid::options::Write, "Translate DesignQuartus_sh", "A", "1");
  Call(project->AsDispatch(), dispid::options::Remove, "Translate DesignQuartus_sh", "A");

  const host::ProjectData again = host::LoadProjectFile(file);
  EXPECT_EQ(again.UserID, "$00C0FFEE");
  EXPECT_EQ(again.Synthesizer, "Morvel VHDL Synthesizer");
  ASSERT_EQ(again.Options.size(), 1u);
  EXPECT_EQ(std::get<0>(again.Options[0]), "Fit DesignQuartus_Fit");
  EXPECT_EQ(std::get<2>(again.Options[0]), " 7;x ");
  EXPECT_EQ(host->Workspace()->OpenProject(file).Get(), project.Get()) << "opened once";
}

TEST_F(ProjectFiles, MissingAndDamagedFilesAreRefusedWithAReason) {
  EXPECT_THROW(host->Workspace()->OpenProject(dir / "none.PrjFpg"), host::ProjectFileError);
  const auto noSection = dir.Write("bad.PrjFpg", "\x01\x02garbage\n[Docs]\nA=1\n");
  try {
    host->Workspace()->OpenProject(noSection);
    FAIL();
  } catch (const host::ProjectFileError& e) {
    EXPECT_NE(std::string(e.what()).find("damaged"), std::string::npos);
  }
  const auto noOutput = dir.Write("nooutput.PrjFpg", "[Project]\nSynthesizer=x\n");
  EXPECT_THROW(host->Workspace()->OpenProject(noOutput), host::ProjectFileError);
}

TEST_F(ProjectFiles, ASaveThatCannotFinishLeavesTheOldFileWhole) {
  const std::string original = "[Project]\nOutputPath=out.edf\n";
  const auto file = dir.Write("P/p.PrjFpg", original);
  auto project = host->Workspace()->OpenProject(file);
  // The temporary file cannot be made: a folder stands where it would go.
  std::filesystem::create_directories(dir / "P/.p.PrjFpg.saving/blocker");
  EXPECT_THROW(project->WriteOption("S", "N", "V"), host::ProjectFileError);
  std::ifstream in(file);
  const std::string now((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(now, original);
}

}  // namespace
}  // namespace morvel::testing
