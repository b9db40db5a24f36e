// The window against a current directory that cannot be listed. The window
// runs in a forked child, whose QApplication is its own, as a user without
// root rights (root may list any directory).
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"
#include "message_box_catcher.h"
#include "scripted_window.h"
#include "support/temp_dir.h"
#include "ui/browse_dialog.h"
#include "ui/file_lists.h"

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
        qputenv("QT_QPA_PLATFORM", "offscreen");
        int argc = 1;
        char name[] = "quillet_window_fault_tests";
        char* argv[] = {name, nullptr};
        QApplication application(argc, argv);
        testing::ScriptedWindow window;
        testing::MessageBoxCatcher catcher;
        window.show();

        window.findChild<QPushButton*>("cmdBrowse")->click();
        Check(catcher.seen().empty(),
              "reported: " +
                  (catcher.seen().empty() ? std::string() : catcher.seen()[0].text.toStdString()));
        Check(window.ends.empty(), "the program ended");
        auto* browse = window.findChild<ui::frmBrowse*>();
        Check(browse != nullptr && browse->isVisible(), "no dialog shown");
        auto* directories = browse->findChild<ui::DirectoryList*>("dirList");
        auto* files = browse->findChild<ui::FileList*>("filList");
        Check(directories->Path() == dir / "closed", "directory list at " + directories->Path());
        Check(files->Names().empty(), "files listed: " + Joined(files->Names()));

        Check(directories->SetPath(dir.path().string()), "cannot move to the parent");
        Check(files->Names() == std::vector<std::string>{"top.out"},
              "files listed in the parent: " + Joined(files->Names()));
      },
      /*unprivileged=*/true);
  EXPECT_EQ(outcome, "done");
  EXPECT_EQ(dir.Listing(), "closed\nnotes.txt\ntop.out\n");  // no settings file either
  EXPECT_EQ(dir.Read("top.out"), "1 0.5\r\n");
}

}  // namespace
}  // namespace quillet
