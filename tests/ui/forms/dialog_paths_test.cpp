// The browse dialog's paths (and a drop's), directories and drives:
// stems, wildcards, listings, plain directories, which drive a text selects.
#include "ui/forms/dialog_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "files/errors.h"
#include "files/paths.h"
#include "files/platform.h"
#include "support/temp_dir.h"
#include "ui/forms/directories.h"
#include "ui/forms/drive_source.h"

namespace quillet::forms {
namespace {

// The separator the program puts between a directory and a name.
const std::string kJoint(1, kNativeSeparator);

TEST(DialogPathsTest, StemIsDirectoryAndNameUpToItsFirstDot) {
  struct Case {
    std::string directory, file, stem;
  };
  const Case cases[] = {
      {"/data/drom", "myfile.out", "/data/drom" + kJoint + "myfile"},
      {"/data/drom", "run.1.out", "/data/drom" + kJoint + "run"},  // the first dot, not the last
      {"/data/drom", ".hidden.out", "/data/drom" + kJoint},        // empty base name
      {"/data/drom", "", "/data/drom" + kJoint},                   // nothing selected
      {"/", "myfile.out", "/myfile"},                              // one separator at a root
      {"/", "", "/"},
      {"C:\\", "myfile.out", "C:\\myfile"},
      {"c:\\drom", "myfile.out", "c:\\drom" + kJoint + "myfile"},
      {"/data/caf\xe9", "r\xfc.out", "/data/caf\xe9" + kJoint + "r\xfc"},  // bytes pass through
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JoinStem(c.directory, NameBeforeFirstDot(c.file)), c.stem)
        << c.directory << " + " << c.file;
  }
}

TEST(DialogPathsTest, StemTextGivesDriveAndDirectory) {
  struct Case {
    std::string stem, drive_text, directory;
  };
  const Case cases[] = {
      {"/home/me/drom/myfile", "/", "/home/me/drom/"},
      {"c:\\drom\\myfile", "c:\\", "c:/drom/"},  // either separator is read
      {"drom/myfile", "drom/", "drom/"},
      {"myfile", "", ""},
      {"\\\\server\\share\\run", "\\", "//server/share/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DriveTextOfStem(c.stem), c.drive_text) << c.stem;
    // Its separators made the native one.
    std::string directory = c.directory;
    std::replace(directory.begin(), directory.end(), '/', kNativeSeparator);
    EXPECT_EQ(DirectoryOfStem(c.stem), directory) << c.stem;
  }
}

TEST(DrivesTest, DriveIsFoundByLetterOrByRoot) {
  const std::vector<Drive> letters = {{"a:", "A:\\"}, {"c: [system]", "C:\\"}, {"d:", "D:\\"}};
  EXPECT_EQ(FindDrive(letters, "C:\\DROM"), 1u);
  EXPECT_EQ(FindDrive(letters, "c:\\"), 1u);
  EXPECT_EQ(FindDrive(letters, "d"), 2u);
  EXPECT_EQ(FindDrive(letters, "q:"), std::nullopt);
  EXPECT_EQ(FindDrive(letters, ""), std::nullopt);

  const std::vector<Drive> roots = {{"/", "/"}, {"usb", "/media/usb"}};
  EXPECT_EQ(FindDrive(roots, "/"), 0u);
  EXPECT_EQ(FindDrive(roots, "/home/me"), 0u);
  EXPECT_EQ(FindDrive(roots, "/media/usb/runs"), 1u);
  EXPECT_EQ(FindDrive(roots, "/media/usb"), 1u);
  EXPECT_EQ(FindDrive(roots, "/media/usbkey"), 0u);  // not inside the volume
  EXPECT_EQ(FindDrive(roots, "drom/"), std::nullopt);

  // Each of the machine's drives is found again by its text and by its root
  // (on Windows "c:" and "C:\"), and the current directory lies on one.
  const std::vector<Drive> drives = SystemDrives()->Drives();
  ASSERT_FALSE(drives.empty());
  for (std::size_t i = 0; i < drives.size(); ++i) {
    EXPECT_EQ(FindDrive(drives, drives[i].text), i) << drives[i].text;
    EXPECT_EQ(FindDrive(drives, drives[i].root), i) << drives[i].root;
  }
  EXPECT_TRUE(FindDrive(drives, CurrentDirectory()).has_value()) << CurrentDirectory();
}

TEST(DirectoriesTest, WildcardsMatchWholeNames) {
  const std::pair<const char*, bool> cases[] = {
      {"a.out", true},
      {".out", true},
      {"run.1.out", true},
      {"a.out.bak", false},
      {"a.outx", false},
      {"aout", false},
      {"a.OUT", kFileNamesIgnoreCase},  // where letter case makes names differ, it counts
  };
  for (const auto& [name, matches] : cases)
    EXPECT_EQ(MatchesPattern(name, "*.out"), matches) << name;
  EXPECT_TRUE(MatchesPattern("r1.out", "r?.out"));
  EXPECT_FALSE(MatchesPattern("r12.out", "r?.out"));
  EXPECT_TRUE(MatchesPattern("anything", "*"));
  EXPECT_TRUE(MatchesPattern("a*b", "a**b"));
}

TEST(DirectoriesTest, ListsSortedSubdirectoriesAndMatchingFiles) {
  namespace fs = std::filesystem;
  testing::TempDir dir;
  fs::create_directories(dir.path() / "zeta");
  fs::create_directories(dir.path() / "alpha.out");  // a directory, not a file
  for (const char* name : {"b.out", "a.out", "c.txt", ".d.out"}) dir.Write(name, "x");

  EXPECT_EQ(ListSubdirectories(PathText(dir.path())),
            (std::vector<std::string>{"alpha.out", "zeta"}));
  EXPECT_EQ(ListFiles(PathText(dir.path()), "*.out"),
            (std::vector<std::string>{".d.out", "a.out", "b.out"}));
  EXPECT_THROW(ListFiles(dir / "missing", "*"), FileError);
  EXPECT_THROW(ListSubdirectories(dir / "c.txt"), FileError);

  // A name beyond ASCII and any one code page is listed under its own bytes.
  const std::string name = "\xc3\xa9t\xc3\xa9 \xd0\xb4\xd0\xb0 \xe4\xb8\xad.txt";
  dir.Write(name, "x");
  EXPECT_EQ(ListFiles(PathText(dir.path()), "*.txt"), (std::vector<std::string>{"c.txt", name}));
  EXPECT_EQ(LastStepName(dir / name), name);
#ifndef _WIN32
  // A link is what it leads to: a file, or nothing (Windows links need a right).
  fs::create_symlink(dir.path() / "a.out", dir.path() / "link.out");
  fs::create_symlink(dir.path() / "gone", dir.path() / "broken.out");
  EXPECT_EQ(ListFiles(PathText(dir.path()), "*.out"),
            (std::vector<std::string>{".d.out", "a.out", "b.out", "link.out"}));
#endif
}

TEST(DirectoriesTest, DirectoriesAreMadeAbsoluteAndPlain) {
  testing::TempDir dir(/*make_current=*/true);
  const std::filesystem::path current = std::filesystem::current_path();
  const std::string here = PathText(current);
  // "/" on POSIX; on Windows the current drive's root, such as "C:\".
  const std::string root = PathText(current.root_path());
  EXPECT_EQ(NormalDirectory(""), here);
  EXPECT_EQ(NormalDirectory("sub/"), here + kJoint + "sub");
  EXPECT_EQ(NormalDirectory(root + "tmp/./x/../y/"), root + "tmp" + kJoint + "y");
  EXPECT_EQ(NormalDirectory(root), root);
}

}  // namespace
}  // namespace quillet::forms
