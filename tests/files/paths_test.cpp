// Path text and directories, as the browse dialog uses them.
#include "files/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/directories.h"
#include "files/errors.h"
#include "files/same_file.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::TempDir;

// The separator the program puts between a directory and a name.
const std::string kJoint(1, kNativeSeparator);

TEST(PathsTest, FileNameAndPathWithoutLastExtension) {
  struct Case {
    std::string path, file_name, without_extension;
  };
  const Case cases[] = {
      {"chain1.out", "chain1.out", "chain1"},
      {"chains/run2.txt", "run2.txt", "chains/run2"},
      {"run.1.out", "run.1.out", "run.1"},            // the last dot, not the first
      {"chain1", "chain1", "chain1"},                 // no extension
      {"runs.v2/chain", "chain", "runs.v2/chain"},    // a dot in a directory is no extension
      {"runs.v2\\chain", "chain", "runs.v2\\chain"},  // either separator
      {"runs/.hidden", ".hidden", "runs/.hidden"},    // a leading dot begins the name
      {"runs/.hidden.out", ".hidden.out", "runs/.hidden"},
      {"chain.", "chain.", "chain"},
      {"runs/", "", "runs/"},
      {"/data/caf\xe9.\xfc", "caf\xe9.\xfc", "/data/caf\xe9"},  // bytes pass through
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileNamePart(c.path), c.file_name) << c.path;
    EXPECT_EQ(WithoutLastExtension(c.path), c.without_extension) << c.path;
  }
}

TEST(PathsTest, DriveIsFoundByLetterOrByRoot) {
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

TEST(PathsTest, WildcardsMatchWholeNames) {
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

TEST(PathsTest, ListsSortedSubdirectoriesAndMatchingFiles) {
  TempDir dir;
  std::filesystem::create_directories(dir.path() / "zeta");
  std::filesystem::create_directories(dir.path() / "alpha.out");  // a directory, not a file
  for (const char* name : {"b.out", "a.out", "c.txt", ".d.out"}) dir.Write(name, "x");

  EXPECT_EQ(ListSubdirectories(PathText(dir.path())),
            (std::vector<std::string>{"alpha.out", "zeta"}));
  EXPECT_EQ(ListFiles(PathText(dir.path()), "*.out"),
            (std::vector<std::string>{".d.out", "a.out", "b.out"}));
  EXPECT_THROW(ListFiles(dir / "missing", "*"), FileError);
  EXPECT_THROW(ListSubdirectories(dir / "c.txt"), FileError);
}

TEST(PathsTest, DirectoriesAreMadeAbsoluteAndPlain) {
  TempDir dir(/*make_current=*/true);
  const std::filesystem::path current = std::filesystem::current_path();
  const std::string here = PathText(current);
  // "/" on POSIX; on Windows the current drive's root, such as "C:\".
  const std::string root = PathText(current.root_path());
  EXPECT_EQ(NormalDirectory(""), here);
  EXPECT_EQ(NormalDirectory("sub/"), here + kJoint + "sub");
  EXPECT_EQ(NormalDirectory(root + "tmp/./x/../y/"), root + "tmp" + kJoint + "y");
  EXPECT_EQ(NormalDirectory(root), root);
}

// A write to one path changes the file of the other: links of either kind
// lead to their file, and paths to no file yet lead to where it would be made.
TEST(PathsTest, SameFileFollowsLinksAndPlainsPaths) {
  namespace fs = std::filesystem;
  TempDir dir(/*make_current=*/true);
  fs::create_directories("runs");
  dir.Write("runs/a.out", "a");
  dir.Write("runs/b.out", "a");  // equal bytes, another file
  fs::create_hard_link("runs/a.out", "runs/hard.out");
  // Wine, and Windows without the right, make no symbolic links.
  std::error_code no_links;
  fs::create_symlink("a.out", "runs/link.out", no_links);
  if (!no_links) fs::create_symlink("runs", "alias", no_links);
  if (!no_links)
    fs::create_symlink("new.txt", "runs/to-new.txt", no_links);  // leads to no file yet
  const std::string here = fs::current_path().string();
  struct Case {
    std::string a, b;
    bool same;
    bool symbolic_links = false;
  };
  const Case cases[] = {
      {"runs/a.out", "runs/a.out", true},
      {"runs/a.out", here + "/runs/../runs/./a.out", true},
      {"runs/a.out", "runs/b.out", false},
      {"runs/hard.out", "runs/a.out", true},
      {"runs/new.txt", "runs/a.out", false},
      {"runs/new.txt", "runs/new.txt.out", false},
      {"runs/link.out", "runs/a.out", true, true},
      {"alias/a.out", "runs/link.out", true, true},
      {"runs/new.txt", "alias/new.txt", true, true},  // neither exists
      {"runs/new.txt", "runs/to-new.txt", true, true},
  };
  for (const Case& c : cases) {
    if (c.symbolic_links && no_links) continue;
    EXPECT_EQ(SameFile(c.a, c.b), c.same) << c.a << " and " << c.b;
    EXPECT_EQ(SameFile(c.b, c.a), c.same) << c.b << " and " << c.a;
  }
  if (no_links) GTEST_SKIP() << "rows with symbolic links not run: " << no_links.message();
}

}  // namespace
}  // namespace quillet
