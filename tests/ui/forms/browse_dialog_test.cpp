// The browse dialog in temporary directory trees, over recording views.
#include "ui/forms/browse_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fake_views.h"
#include "files/paths.h"
#include "files/platform.h"
#include "support/sample_trees.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::FakeDrives;
using testing::FakeWindow;
using testing::TempDir;

const std::string kSep(1, kNativeSeparator);

class BrowseTest : public ::testing::Test {
 protected:
  TempDir dir{/*make_current=*/true};
  // Besides the machine's first drive, one that cannot be read and one that can.
  FakeWindow window{std::make_shared<FakeDrives>(
      std::vector<forms::Drive>{forms::SystemDrives()->Drives().front(),
                                {"x:", dir / "no medium"},
                                {"y:", dir / "elsewhere"}})};

  void SetUp() override { testing::MakeBrowseTree(dir); }
  void TearDown() override {
    EXPECT_TRUE(window.view.messages.empty());
    EXPECT_TRUE(window.view.ends.empty());
  }
  std::string In(const std::string& a, const std::string& b = "") const {
    return b.empty() ? dir / a : dir / (a + kSep + b);
  }
};

TEST_F(BrowseTest, FirstBrowseOpensAtTheStemsDirectory) {
  window.view.text = In("runs", "a");
  testing::FakeBrowseDialog* browse = window.Browse();
  ASSERT_NE(browse, nullptr);
  EXPECT_TRUE(browse->shown);
  EXPECT_EQ(browse->drives.CurrentText(), window.dialog().drvList()->Drive());
  EXPECT_EQ(window.dialog().dirList()->Path(), In("runs"));
  EXPECT_EQ(window.dialog().filList()->Path(), In("runs"));
  EXPECT_EQ(browse->files.names,
            (std::vector<std::string>{".h.out", "a.out", "b.out", "run.1.out"}));
  EXPECT_EQ(window.dialog().filList()->FileName(), "");
  EXPECT_EQ(browse->directories.rows[browse->directories.current].path, In("runs"));
}

TEST_F(BrowseTest, StemsWithoutADataFileOrADriveStillOpen) {
  const std::string here = PathText(fs::current_path());
  // A name, not a path, where the separator is "/".
  if (kNativeSeparator == '/') dir.Write("c:\\drom\\x.out", "");
  const std::pair<std::string, std::string> cases[] = {
      {In("runs", "missing"), here},     // no .out file: the current directory
      {"top", here},                     // no separator at all
      {"runs/a", here + kSep + "runs"},  // relative
      {"c:\\drom\\x", here},             // names no drive or directory here
      {"", here},
  };
  for (const auto& [stem, where] : cases) {
    SCOPED_TRACE(stem);
    FakeWindow fresh;
    fresh.view.text = stem;
    testing::FakeBrowseDialog* browse = fresh.Browse();
    ASSERT_NE(browse, nullptr);
    EXPECT_TRUE(browse->shown);
    EXPECT_EQ(fresh.dialog().dirList()->Path(), where);
    EXPECT_EQ(fresh.dialog().filList()->Path(), where);
    EXPECT_TRUE(fresh.view.ends.empty());
    EXPECT_TRUE(fresh.view.messages.empty());
  }
}

TEST_F(BrowseTest, SelectPutsTheChosenStemIntoTheTextBox) {
  const std::pair<std::string, std::string> cases[] = {
      {"a.out", In("runs", "a")},
      {"run.1.out", In("runs", "run")},
      {".h.out", In("runs") + kSep},
      {"", In("runs") + kSep},  // nothing selected
  };
  window.view.text = In("runs", "a");
  for (const auto& [file, stem] : cases) {
    testing::FakeBrowseDialog* browse = window.Browse();
    browse->files.Select(file);
    window.dialog().cmdSelect_Click();
    EXPECT_EQ(window.view.text, stem) << file;
    EXPECT_FALSE(browse->shown);
  }
  EXPECT_EQ(window.view.dialogs_made, 1);

  // At a drive's root one separator stands between the root and the name.
  const std::string root = PathText(fs::current_path().root_path());
  window.Browse();
  ASSERT_TRUE(window.dialog().dirList()->SetPath(root));
  window.dialog().cmdSelect_Click();
  EXPECT_EQ(window.view.text, root);
}

TEST_F(BrowseTest, CancelLeavesTheTextAndTheListsAsTheyWere) {
  window.view.text = In("runs", "a");
  testing::FakeBrowseDialog* browse = window.Browse();
  browse->files.Select("b.out");
  window.view.text = In("elsewhere", "e");  // typed meanwhile: moves nothing
  window.dialog().cmdCancel_Click();
  EXPECT_FALSE(browse->shown);
  EXPECT_EQ(window.view.text, In("elsewhere", "e"));
  ASSERT_EQ(window.Browse(), browse);  // the one dialog, shown as it was left
  EXPECT_EQ(window.dialog().dirList()->Path(), In("runs"));
  window.dialog().filList_DblClick();
  EXPECT_EQ(window.view.text, In("runs", "b"));
}

TEST_F(BrowseTest, OpeningDirectoriesAndOneThatCannotBeRead) {
  window.view.text = In("runs", "a");
  testing::FakeBrowseDialog* browse = window.Browse();
  window.dialog().dirList_Open(browse->directories.RowNamed("sub"));
  EXPECT_EQ(window.dialog().dirList()->Path(), In("runs", "sub"));
  EXPECT_EQ(browse->files.names, std::vector<std::string>{"c.out"});
  window.dialog().dirList_Open(browse->directories.RowNamed("runs"));
  EXPECT_EQ(window.dialog().dirList()->Path(), In("runs"));
  EXPECT_FALSE(window.dialog().dirList()->SetPath(In("runs", "notes.txt")));
  EXPECT_FALSE(window.dialog().dirList()->SetPath(In("none")));
  EXPECT_EQ(window.dialog().dirList()->Path(), In("runs"));

  // Listed, then gone before it is opened: a beep, and the lists stay.
  fs::remove_all(dir.path() / "runs" / "sub");
  window.dialog().dirList_Open(browse->directories.RowNamed("sub"));
  EXPECT_EQ(browse->directories.beeps, 1);
  EXPECT_EQ(window.dialog().dirList()->Path(), In("runs"));
  EXPECT_EQ(window.dialog().filList()->Path(), In("runs"));
}

TEST_F(BrowseTest, DrivesMoveTheListsAndAnUnreadableDriveIsLeftQuietly) {
  const std::string root_text = forms::SystemDrives()->Drives().front().text;
  window.view.text = In("runs", "a");
  testing::FakeBrowseDialog* browse = window.Browse();

  window.dialog().drvList_Click(1);  // cannot be read: back without a word
  EXPECT_EQ(window.dialog().drvList()->Drive(), root_text);
  EXPECT_EQ(browse->drives.CurrentText(), root_text);
  EXPECT_EQ(window.dialog().dirList()->Path(), In("runs"));

  window.dialog().drvList_Click(2);
  EXPECT_EQ(window.dialog().drvList()->Drive(), "y:");
  EXPECT_EQ(window.dialog().dirList()->Path(), In("elsewhere"));
  EXPECT_EQ(browse->files.names, std::vector<std::string>{"e.out"});

  // The directory last shown on that drive comes back. Where paths begin
  // with their drive's letter, y:'s directory here lies on the first drive's
  // letter too, and so was the last one shown there.
  window.dialog().drvList_Click(0);
  EXPECT_EQ(window.dialog().dirList()->Path(),
            kNativeSeparator == '/' ? In("runs") : In("elsewhere"));
}

TEST_F(BrowseTest, ExitWithTheDialogShownEndsTheProgram) {
  window.Browse();
  window.form.cmdExit_Click();
  EXPECT_EQ(window.view.ends, std::vector<int>{0});
  window.view.ends.clear();  // expected here; TearDown checks for unexpected ends
}

// A failure inside a change that another change set off: the directory list
// has read a directory that is gone before the file list reads it. One
// report, the program ends, and the action that set it off goes no further.
TEST(BrowseFailureTest, AFailureInsideANestedChangeIsReportedOnceAndEndsTheProgram) {
  TempDir dir{/*make_current=*/true};
  const struct {
    const char* name;
    const char* vanishing;
    bool dialog_shown;  // the dialog was up before the failure
  } cases[] = {
      {"first Browse, placing the lists at the stem", "runs", false},
      {"drive picked by the user", "elsewhere", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* name : {"runs/a.out", "elsewhere/e.out"}) {
      fs::create_directories((dir.path() / name).parent_path());
      dir.Write(name, "1 0.5\r\n");
    }
    const std::string vanishing = dir / c.vanishing;
    const forms::Drive first = forms::SystemDrives()->Drives().front();
    FakeWindow* seen = nullptr;
    FakeWindow window(std::make_shared<FakeDrives>(
        std::vector<forms::Drive>{first, {"y:", dir / "elsewhere"}}, [&seen, vanishing] {
          const forms::frmBrowse* browse = seen ? seen->view.browse_form : nullptr;
          if (browse != nullptr && browse->dirList() != nullptr &&
              browse->dirList()->Path() == vanishing) {
            fs::remove_all(vanishing);
          }
        }));
    seen = &window;
    window.view.text = dir / ("runs" + kSep + "a");
    window.Browse();
    if (c.dialog_shown) window.dialog().drvList_Click(1);  // the user picks y:

    ASSERT_EQ(window.view.messages.size(), 1u);
    const std::string tail = "List directory \"" + vanishing + "\": ";
    EXPECT_NE(window.view.messages[0].find(tail), std::string::npos) << window.view.messages[0];
    EXPECT_EQ(window.view.ends, std::vector<int>{1});
    EXPECT_EQ(window.view.dialog != nullptr && window.view.dialog->shown, c.dialog_shown);
  }
}

}  // namespace
}  // namespace quillet
