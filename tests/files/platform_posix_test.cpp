// File access on what only POSIX systems give every user: modes, the umask
// and symbolic links (on Windows links need a privilege, and Wine has none).
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "files/platform.h"
#include "files/text_writer.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(PosixFilesTest, ReplacementKeepsPermissionsAndLinks) {
  TempDir dir;
  dir.Write("real", "old");
  fs::permissions(dir.path() / "real", fs::perms(0640));
  fs::create_symlink("real", dir.path() / "link");
  TextWriter out(dir / "link");
  out.Write("new");
  out.Close();
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link"));
  EXPECT_EQ(dir.Read("real"), "new");
  EXPECT_EQ(fs::status(dir.path() / "real").permissions() & fs::perms::all, fs::perms(0640));
}

TEST(PosixFilesTest, NewFileGetsTheUsualPermissions) {
  TempDir dir;
  const mode_t mask = ::umask(022);
  TextWriter out(dir / "f");
  out.Close();
  ::umask(mask);
  EXPECT_EQ(fs::status(dir.path() / "f").permissions() & fs::perms::all, fs::perms(0644));
}

// A link counts as what it leads to: a file when it leads to one, nothing
// when it leads nowhere (the browse lists' listing: tests/ui/forms).
TEST(PosixFilesTest, LinksAreWhatTheyLeadTo) {
  TempDir dir;
  dir.Write("a.out", "x");
  fs::create_symlink(dir.path() / "a.out", dir.path() / "link.out");
  fs::create_symlink(dir.path() / "gone", dir.path() / "broken.out");
  EXPECT_TRUE(FileExists(dir / "link.out"));
  EXPECT_FALSE(FileExists(dir / "broken.out"));
}

}  // namespace
}  // namespace quillet
