// The browse lists' drives and directories: which drive a text selects,
// wildcards, listings and plain directories.
#include "ui/forms/directories.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/errors.h"
#include "files/platform.h"
#include "support/temp_dir.h"
#include "ui/forms/drive_source.h"

namespace quillet::forms {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// The separator the program puts between a directory and a name.
const std::string kJoint(1, kNativeSeparator);

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
}

// Each of the machine's drives is found again by its text and by its root
// (on Windows "c:" and "C:\"), and the current directory lies on one of them.
TEST(DrivesTest, SystemDrivesFindThemselvesAndTheCurrentDirectory) {
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
  TempDir dir;
  fs::create_directories(dir.path() / "zeta");
  fs::create_directories(dir.path() / "alpha.out");  // a directory, not a file
  for (const char* name : {"b.out", "a.out", "c.txt", ".d.out"}) dir.Write(name, "x");

  EXPECT_EQ(ListSubdirectories(PathText(dir.path())),
            (std::vector<std::string>{"alpha.out", "zeta"}));
  EXPECT_EQ(ListFiles(PathText(dir.path()), "*.out"),
            (std::vector<std::string>{".d.out", "a.out", "b.out"}));
  EXPECT_THROW(ListFiles(dir / "missing", "*"), FileError);
  EXPECT_THROW(ListSubdirectories(dir / "c.txt"), FileError);

  // A name beyond ASCII, and beyond any one code page, is listed under its
  // own bytes.
  const std::string name = "\xc3\xa9t\xc3\xa9 \xd0\xb4\xd0\xb0 \xe4\xb8\xad.txt";
  dir.Write(name, "x");
  EXPECT_EQ(ListFiles(PathText(dir.path()), "*.txt"), (std::vector<std::string>{"c.txt", name}));
  EXPECT_EQ(LastStepName(dir / name), name);
#ifndef _WIN32
  // A link counts as what it leads to: a file when it leads to one, nothing
  // when it leads nowhere (on Windows links need a privilege).
  fs::create_symlink(dir.path() / "a.out", dir.path() / "link.out");
  fs::create_symlink(dir.path() / "gone", dir.path() / "broken.out");
  EXPECT_EQ(ListFiles(PathText(dir.path()), "*.out"),
            (std::vector<std::string>{".d.out", "a.out", "b.out", "link.out"}));
#endif
}

TEST(DirectoriesTest, DirectoriesAreMadeAbsoluteAndPlain) {
  TempDir dir(/*make_current=*/true);
  const fs::path current = fs::current_path();
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
