// The window against a current directory that cannot be listed, over
// recording views. The window runs in a forked child as a user without root
// rights (root may list any directory).
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"
#include "fake_views.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::OutcomeInChild;
using testing::TempDir;

void Check(bool condition, const std::string& what) {
  if (!condition) throw std::runtime_error(what);
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += name + " ";
  return text;
}

// The first Browse opens the dialog all the same: its directory list shows
// the current directory's path, its file list nothing, and the ".out"
// pattern holds for the next directory.
TEST(WindowFaultTest, FirstBrowseInACurrentDirectoryThatCannotBeListed) {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms::all);
  fs::create_directory(dir.path() / "closed");
  dir.Write("closed/run.out", "1 0.5\r\n");
  dir.Write("top.out", "1 0.5\r\n");
  dir.Write("notes.txt", "not data");
  // Can be entered, not listed.
  fs::permissions(dir.path() / "closed", fs::perms(0311));

  const std::string outcome = OutcomeInChild(
      [&] {
        fs::current_path(dir.path() / "closed");
        testing::FakeWindow window;
        testing::FakeBrowseDialog* browse = window.Browse();
        Check(window.view.messages.empty(),
              "reported: " + (window.view.messages.empty() ? "" : window.view.messages[0]));
        Check(window.view.ends.empty(), "the program ended");
        Check(browse != nullptr && browse->shown, "no dialog shown");
        forms::DirectoryList& directories = *window.dialog().dirList();
        Check(directories.Path() == dir / "closed", "directory list at " + directories.Path());
        Check(browse->files.names.empty(), "files listed: " + Joined(browse->files.names));

        Check(directories.SetPath(dir.path().string()), "cannot move to the parent");
        Check(browse->files.names == std::vector<std::string>{"top.out"},
              "files listed in the parent: " + Joined(browse->files.names));
      },
      /*unprivileged=*/true);
  EXPECT_EQ(outcome, "done");
  EXPECT_EQ(dir.Listing(), "closed\nnotes.txt\ntop.out\n");  // no settings file either
  EXPECT_EQ(dir.Read("top.out"), "1 0.5\r\n");
}

}  // namespace
}  // namespace quillet
