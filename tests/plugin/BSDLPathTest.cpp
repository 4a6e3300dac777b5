// Locating BSDL files: the library path of relative names, and the lookup through the
// temporary folder and zipped copies, including archives that are damaged or hostile.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bsdl/BSDL.h"
#include "sdk/Platform.h"

namespace morvel {
namespace {

namespace fs = std::filesystem;

TEST(BSDLPath, DetermineFullPathJoinsRelativeNamesToTheLibrary) {
  EXPECT_EQ(TBSDLEntity::DetermineFullPath("5SEE9F45.bsd", "Altera", "Stratix5", "/lib/x"),
            "/lib/x/BSDL/Altera/Stratix5/5SEE9F45.bsd");
  EXPECT_EQ(TBSDLEntity::DetermineFullPath("5SEE9F45.bsd", "Altera", "Stratix5", "/lib/x/"),
            "/lib/x/BSDL/Altera/Stratix5/5SEE9F45.bsd");
  EXPECT_EQ(TBSDLEntity::DetermineFullPath("a.bsd", "V", "F", ""),
            ModuleFolder() + "Library/BSDL/V/F/a.bsd");
  for (const char* absolute : {"/opt/bsdl/a.bsd", "C:\\bsdl\\a.bsd", "\\\\server\\a.bsd"})
    EXPECT_EQ(TBSDLEntity::DetermineFullPath(absolute, "V", "F", "/lib"), absolute);
}

// A scratch tree with its own temporary folder (TMPDIR) and a folder of source files.
class FindPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "bsdlpath-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root = pattern;
    temp = root / "tmp";
    source = root / "src";
    fs::create_directories(temp);
    fs::create_directories(source);
    const char* old = std::getenv("TMPDIR");
    if (old != nullptr) oldTmp = old;
    hadTmp = old != nullptr;
    ::setenv("TMPDIR", temp.c_str(), 1);
  }
  void TearDown() override {
    if (hadTmp)
      ::setenv("TMPDIR", oldTmp.c_str(), 1);
    else
      ::unsetenv("TMPDIR");
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  static void Write(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
  }
  static std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Zip(const fs::path& file,
                  const std::vector<std::pair<std::string, std::string>>& entries) {
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const auto& [name, text] : entries) {
      zip_source_t* src = zip_source_buffer(archive, text.data(), text.size(), 0);
      ASSERT_GE(zip_file_add(archive, name.c_str(), src, ZIP_FL_ENC_UTF_8), 0) << name;
    }
    ASSERT_EQ(zip_close(archive), 0);
  }
  // Every file below the scratch root outside the temporary folder and the sources.
  std::vector<std::string> Strays() const {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      const std::string p = e.path().string();
      if (p.rfind(temp.string(), 0) != 0 && p.rfind(source.string(), 0) != 0) found.push_back(p);
    }
    return found;
  }

  fs::path root, temp, source;
  std::string oldTmp;
  bool hadTmp = false;
};

TEST_F(FindPathTest, FileItselfThenTheTemporaryCopy) {
  const fs::path file = source / "5SEE9F45.bsd";
  EXPECT_EQ(TBSDLEntity::FindFullBSDLPath(file.string()), "") << "nothing anywhere";
  EXPECT_EQ(TBSDLEntity::FindFullBSDLPath(""), "");
  Write(temp / "5SEE9F45.bsd", "copy");
  EXPECT_EQ(TBSDLEntity::FindFullBSDLPath(file.string()), (temp / "5SEE9F45.bsd").string());
  Write(file, "original");
  EXPECT_EQ(TBSDLEntity::FindFullBSDLPath(file.string()), file.string());
}

TEST_F(FindPathTest, ExtractsTheZippedCopyFlatIntoTheTemporaryFolder) {
  Zip(source / "5SEE9F45.Zip", {{"bsdl/Altera/5SEE9F45.bsd", "entity X is"}, {"readme.txt", "r"}});
  Write(temp / "readme.txt", "older");
  const std::string found = TBSDLEntity::FindFullBSDLPath((source / "5SEE9F45.bsd").string());
  EXPECT_EQ(found, (temp / "5SEE9F45.bsd").string());
  EXPECT_EQ(Read(found), "entity X is");
  EXPECT_EQ(Read(temp / "readme.txt"), "r") << "files already there are replaced";
  EXPECT_FALSE(fs::exists(temp / "bsdl")) << "flat: no folders";
}

TEST_F(FindPathTest, HostileNamesNeverLeaveTheTemporaryFolder) {
  Zip(source / "a.zip", {{"../../escape.bsd", "x"},
                         {"/abs/escape.bsd", "x"},
                         {"..\\escape2.bsd", "x"},
                         {"sub/../../escape3.bsd", "x"},
                         {"a.bsd", "ok"}});
  EXPECT_EQ(TBSDLEntity::FindFullBSDLPath((source / "a.bsd").string()), (temp / "a.bsd").string());
  EXPECT_TRUE(Strays().empty()) << Strays().front();
  for (const char* name : {"escape.bsd", "escape2.bsd", "escape3.bsd"})
    EXPECT_FALSE(fs::exists(temp / name)) << name;
  EXPECT_FALSE(fs::exists(fs::path("/abs/escape.bsd")));
}

TEST_F(FindPathTest, ALinkInTheTemporaryFolderIsReplacedNotWrittenThrough) {
  const fs::path outside = root / "outside.bsd";
  fs::create_symlink(outside, temp / "a.bsd");
  Zip(source / "a.Zip", {{"a.bsd", "extracted"}});
  EXPECT_EQ(TBSDLEntity::FindFullBSDLPath((source / "a.bsd").string()), (temp / "a.bsd").string());
  EXPECT_FALSE(fs::exists(outside));
  EXPECT_FALSE(fs::is_symlink(temp / "a.bsd"));
}

TEST_F(FindPathTest, CorruptEmptyOrMissingArchivesAnswerEmpty) {
  const std::string bsd = (source / "a.bsd").string();
  Write(source / "a.Zip", "");
  EXPECT_EQ(TBSDLEntity::FindFullBSDLPath(bsd), "");
  Write(source / "a.Zip", std::string("PK\x03\x04") + "garbage that is no archive at all");
  EXPECT_EQ(TBSDLEntity::FindFullBSDLPath(bsd), "");
  // A valid archive cut short loses its central directory.
  Zip(root / "whole.zip", {{"a.bsd", std::string(5000, 'x')}});
  const std::string whole = Read(root / "whole.zip");
  Write(source / "a.Zip", whole.substr(0, whole.size() / 2));
  fs::remove(root / "whole.zip");
  EXPECT_EQ(TBSDLEntity::FindFullBSDLPath(bsd), "");
  // An archive without the file.
  Zip(source / "a.Zip", {{"other.bsd", "x"}});
  EXPECT_EQ(TBSDLEntity::FindFullBSDLPath(bsd), "");
  EXPECT_TRUE(Strays().empty());
}

}  // namespace
}  // namespace morvel
