#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::TempDir;

TEST(SaveSettingsTest, WritesHeaderAndStemAsTyped) {
  TempDir dir{/*make_current=*/true};
  for (const std::string stem :
       {"c:\\drom\\myfile", "", "  padded  ", "/home/ann/\xc3\xa9t\xc3\xa9"}) {
    ASSERT_TRUE(SaveSettings(stem));
    const std::string bytes = dir.Read("qltini.ini");
    EXPECT_EQ(bytes, "[Path for QLT]\r\n" + stem + "\r\n");
    EXPECT_EQ(bytes.size(), 18 + stem.size());
    EXPECT_EQ(LoadSettings(), stem);
  }
}

TEST(SaveSettingsTest, UnwritableFileIsNotAnErrorAndKeepsTheOldFile) {
  TempDir dir{/*make_current=*/true};
  dir.Write("qltini.ini", "[Path for QLT]\r\nold\r\n");
  std::filesystem::permissions(dir.path() / "qltini.ini", std::filesystem::perms(0444));
  EXPECT_FALSE(SaveSettings("new"));
  EXPECT_EQ(LoadSettings(), "old");
}

struct LoadCase {
  const char* name;
  std::string bytes;
  std::string stem;
};

void PrintTo(const LoadCase& c, std::ostream* os) {
  *os << c.name;
}

class LoadSettingsTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadSettingsTest, SecondLineIsTheStem) {
  TempDir dir{/*make_current=*/true};
  dir.Write("qltini.ini", GetParam().bytes);
  EXPECT_EQ(LoadSettings(), GetParam().stem);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadSettingsTest,
    ::testing::Values(
        LoadCase{"Usual", "[Path for QLT]\r\nc:\\drom\\myfile\r\n", "c:\\drom\\myfile"},
        LoadCase{"HeaderOnly", "[Path for QLT]\r\n", ""}, LoadCase{"Empty", "", ""},
        LoadCase{"AnyFirstLine", "[Something else]\r\nstem\r\n", "stem"},
        LoadCase{"BlanksKept", "[Path for QLT]\r\n  stem \r\n", "  stem "},
        LoadCase{"LaterLinesIgnored", "h\r\nstem\r\nthird\r\nfourth\r\n", "stem"},
        LoadCase{"NoFinalLineEnd", "h\r\nstem", "stem"},
        LoadCase{"LineFeedsOnly", "h\nstem\n", "stem"},
        // UTF-8 stays UTF-8 (on Windows only other text is
        // taken in the ANSI code page).
        LoadCase{"Utf8Stem", "h\r\nr\xc3\xa9sum\xc3\xa9\r\n", "r\xc3\xa9sum\xc3\xa9"}),
    [](const auto& info) { return info.param.name; });

TEST(LoadSettingsNoFileTest, NoFileGivesNothingAndCreatesNone) {
  TempDir dir{/*make_current=*/true};
  EXPECT_EQ(LoadSettings(), std::nullopt);
  EXPECT_FALSE(dir.Exists("qltini.ini"));
}

TEST(LoadSettingsNoFileTest, DirectoryNamedLikeTheFileIsNoSettingsFile) {
  TempDir dir{/*make_current=*/true};
  std::filesystem::create_directory(dir.path() / "qltini.ini");
  EXPECT_EQ(LoadSettings(), std::nullopt);
}

TEST(SettingsFollowTheCurrentDirectoryTest, EachDirectoryHasItsOwnFile) {
  TempDir first{/*make_current=*/true};
  ASSERT_TRUE(SaveSettings("one"));
  {
    TempDir second{/*make_current=*/true};
    EXPECT_EQ(LoadSettings(), std::nullopt);
    ASSERT_TRUE(SaveSettings("two"));
    EXPECT_EQ(LoadSettings(), "two");
  }
  EXPECT_EQ(LoadSettings(), "one");
}

}  // namespace
}  // namespace quillet
