// Path text, and whether two paths lead to one file.
#include "files/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/same_file.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::TempDir;

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
    FileSet a, b;
    a.Add(c.a, "a");
    b.Add(c.b, "b");
    EXPECT_EQ(b.Find(c.a).has_value(), c.same) << c.a << " and " << c.b;
    EXPECT_EQ(a.Find(c.b).has_value(), c.same) << c.b << " and " << c.a;
  }
  if (no_links) GTEST_SKIP() << "rows with symbolic links not run: " << no_links.message();
}

}  // namespace
}  // namespace quillet
