// The path text of the browse dialog and of a drop.
#include "ui/forms/dialog_paths.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "files/paths.h"
#include "files/platform.h"

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

}  // namespace
}  // namespace quillet::forms
