// The browse dialog in temporary directory trees, on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <functional>

#include "message_box_catcher.h"
#include "scripted_window.h"
#include "support/temp_dir.h"
#include "ui/browse_dialog.h"
#include "ui/file_lists.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using forms::DriveSource;
using testing::MessageBoxCatcher;
using testing::ScriptedWindow;
using testing::TempDir;
using ui::DirectoryList;
using ui::DriveList;
using ui::FileList;
using ui::frmBrowse;

// Drives as given. Each time the lists ask for them, `on_asked` may change
// the files on disk, between one list's reading and the next.
class FakeDrives : public DriveSource {
 public:
  explicit FakeDrives(std::vector<Drive> drives, std::function<void()> on_asked = {})
      : drives_(std::move(drives)), on_asked_(std::move(on_asked)) {}
  std::vector<Drive> Drives() const override {
    if (on_asked_) on_asked_();
    return drives_;
  }

 private:
  std::vector<Drive> drives_;
  std::function<void()> on_asked_;
};

// A double-click as a user makes it: the first click, then the second.
void DoubleClick(QListWidget* list, QListWidgetItem* item) {
  const QPoint at = list->visualItemRect(item).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

class BrowseTest : public ::testing::Test {
 protected:
  TempDir dir{/*make_current=*/true};
  ScriptedWindow window;
  MessageBoxCatcher catcher;  // any box the dialog raises is a failure

  void SetUp() override {
    fs::create_directories(dir.path() / "runs" / "sub");
    fs::create_directories(dir.path() / "elsewhere");
    for (const char* name : {"runs/a.out", "runs/b.out", "runs/run.1.out", "runs/.h.out",
                             "runs/notes.txt", "runs/sub/c.out", "elsewhere/e.out", "top.out"}) {
      dir.Write(name, "1 0.5\r\n");
    }
    window.show();
  }

  void TearDown() override {
    EXPECT_TRUE(catcher.seen().empty()) << catcher.seen().front().text.toStdString();
    EXPECT_TRUE(window.ends.empty());
  }

  std::string Here() const { return fs::current_path().string(); }

  // Presses Browse and waits until the dialog is on the screen, its lists
  // laid out.
  frmBrowse* Browse() {
    window.findChild<QPushButton*>("cmdBrowse")->click();
    auto* browse = window.findChild<frmBrowse*>();
    if (browse != nullptr) {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(browse));
    }
    return browse;
  }
  DriveList* Drives(frmBrowse* b) { return b->findChild<DriveList*>("drvList"); }
  DirectoryList* Directories(frmBrowse* b) { return b->findChild<DirectoryList*>("dirList"); }
  FileList* Files(frmBrowse* b) { return b->findChild<FileList*>("filList"); }

  void SelectFile(frmBrowse* b, const std::string& name) {
    FileList* files = Files(b);
    files->clearSelection();
    const auto names = files->Names();
    const auto at = std::find(names.begin(), names.end(), name);
    if (at != names.end()) files->setCurrentRow(static_cast<int>(at - names.begin()));
  }
  void Press(frmBrowse* b, const char* button) { b->findChild<QPushButton*>(button)->click(); }
};

TEST_F(BrowseTest, DialogHasItsCaptionControlsAndTabOrder) {
  if (window.logicalDpiX() != 96 || window.logicalDpiY() != 96) GTEST_SKIP() << "not 96 dpi";
  frmBrowse* browse = Browse();
  ASSERT_NE(browse, nullptr);
  EXPECT_EQ(browse->windowTitle(), "QLT");
  EXPECT_EQ(browse->size(), QSize(240, 175));
  const std::pair<const char*, QRect> boxes[] = {
      {"drvList", {0, 0, 113, 21}},      {"dirList", {0, 24, 113, 111}},
      {"filList", {120, 0, 121, 136}},   {"cmdSelect", {8, 144, 97, 25}},
      {"cmdCancel", {128, 144, 97, 25}},
  };
  for (const auto& [name, box] : boxes) {
    EXPECT_EQ(browse->findChild<QWidget*>(name)->geometry(), box) << name;
  }
  EXPECT_EQ(browse->findChild<QPushButton*>("cmdSelect")->text(), "&Select File");
  EXPECT_EQ(browse->findChild<QPushButton*>("cmdCancel")->text(), "&Cancel");
  EXPECT_FALSE(browse->windowIcon().isNull());

  browse->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(browse));
  EXPECT_EQ(QApplication::focusWidget(), Drives(browse));
  for (const char* name : {"dirList", "filList", "cmdSelect", "cmdCancel", "drvList"}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), browse->findChild<QWidget*>(name)) << name;
  }
}

TEST_F(BrowseTest, FirstBrowseOpensAtTheStemsDirectory) {
  window.SetPathText(dir / "runs/a");
  frmBrowse* browse = Browse();
  EXPECT_TRUE(browse->isVisible());
  EXPECT_EQ(Drives(browse)->Drive(), "/");
  EXPECT_EQ(Directories(browse)->Path(), dir / "runs");
  EXPECT_EQ(Files(browse)->Path(), dir / "runs");
  EXPECT_EQ(Files(browse)->Names(),
            (std::vector<std::string>{".h.out", "a.out", "b.out", "run.1.out"}));
  EXPECT_EQ(Files(browse)->FileName(), "");
}

TEST_F(BrowseTest, StemsWithoutADataFileOrADriveStillOpen) {
  dir.Write("c:\\drom\\x.out", "");  // a name, not a path, on this system
  const std::pair<std::string, std::string> cases[] = {
      {dir / "runs/missing", Here()},  // no .out file: the current directory
      {"top", Here()},                 // no separator at all
      {"runs/a", Here() + "/runs"},    // relative
      {"c:\\drom\\x", Here()},         // names no drive or directory here
      {"", Here()},
  };
  for (const auto& [stem, where] : cases) {
    ScriptedWindow fresh;
    fresh.SetPathText(stem);
    fresh.findChild<QPushButton*>("cmdBrowse")->click();
    auto* browse = fresh.findChild<frmBrowse*>();
    ASSERT_NE(browse, nullptr) << stem;
    EXPECT_TRUE(browse->isVisible()) << stem;
    EXPECT_EQ(Directories(browse)->Path(), where) << stem;
    EXPECT_EQ(Files(browse)->Path(), where) << stem;
    EXPECT_TRUE(fresh.ends.empty()) << stem;
  }
}

TEST_F(BrowseTest, SelectPutsTheChosenStemIntoTheTextBox) {
  const std::pair<std::string, std::string> cases[] = {
      {"a.out", dir / "runs/a"},
      {"run.1.out", dir / "runs/run"},
      {".h.out", dir / "runs/"},
      {"", dir / "runs/"},  // nothing selected
  };
  window.SetPathText(dir / "runs/a");
  for (const auto& [file, stem] : cases) {
    frmBrowse* browse = Browse();
    SelectFile(browse, file);
    EXPECT_EQ(Files(browse)->FileName(), file);
    Press(browse, "cmdSelect");
    EXPECT_EQ(window.PathText(), stem) << file;
    EXPECT_FALSE(browse->isVisible());
  }
  frmBrowse* browse = Browse();
  ASSERT_TRUE(Directories(browse)->SetPath("/"));
  Press(browse, "cmdSelect");
  EXPECT_EQ(window.PathText(), "/");
}

TEST_F(BrowseTest, CancelAndCloseLeaveTheTextAndTheListsAsTheyWere) {
  window.SetPathText(dir / "runs/a");
  frmBrowse* browse = Browse();
  SelectFile(browse, "b.out");
  window.SetPathText(dir / "elsewhere/e");  // typed meanwhile: moves nothing
  Press(browse, "cmdCancel");
  EXPECT_FALSE(browse->isVisible());
  EXPECT_EQ(window.PathText(), dir / "elsewhere/e");

  ASSERT_EQ(Browse(), browse);  // the one dialog, shown as it was left
  EXPECT_EQ(Directories(browse)->Path(), dir / "runs");
  EXPECT_EQ(Files(browse)->FileName(), "b.out");
  browse->close();
  EXPECT_FALSE(browse->isVisible());
  EXPECT_EQ(window.PathText(), dir / "elsewhere/e");

  ASSERT_EQ(Browse(), browse);
  Press(browse, "cmdSelect");
  EXPECT_EQ(window.PathText(), dir / "runs/b");
  EXPECT_EQ(window.findChildren<frmBrowse*>().size(), 1);
}

TEST_F(BrowseTest, DoubleClicksOpenDirectoriesAndChooseFiles) {
  window.SetPathText(dir / "runs/a");
  frmBrowse* browse = Browse();
  DirectoryList* directories = Directories(browse);
  const auto rows = directories->findItems("sub", Qt::MatchEndsWith);
  ASSERT_EQ(rows.size(), 1);
  DoubleClick(directories, rows[0]);
  EXPECT_EQ(directories->Path(), dir / "runs/sub");
  EXPECT_EQ(Files(browse)->Names(), std::vector<std::string>{"c.out"});

  FileList* files = Files(browse);
  DoubleClick(files, files->item(0));
  EXPECT_EQ(window.PathText(), dir / "runs/sub/c");
  EXPECT_FALSE(browse->isVisible());
}

TEST_F(BrowseTest, ArrowKeysSelectInTheFileList) {
  window.SetPathText(dir / "runs/a");
  frmBrowse* browse = Browse();
  FileList* files = Files(browse);
  files->setFocus();
  QTest::keyClick(files, Qt::Key_Down);  // the first arrow selects the first file
  EXPECT_EQ(files->FileName(), ".h.out");
  QTest::keyClick(files, Qt::Key_Down);
  EXPECT_EQ(files->FileName(), "a.out");
  Files(browse)->SetPath(dir / "elsewhere");  // a new directory starts unselected
  EXPECT_EQ(files->FileName(), "");
}

TEST_F(BrowseTest, ADirectoryThatCannotBeReadIsNotEntered) {
  window.SetPathText(dir / "runs/a");
  frmBrowse* browse = Browse();
  DirectoryList* directories = Directories(browse);
  EXPECT_FALSE(directories->SetPath(dir / "runs/notes.txt"));
  EXPECT_FALSE(directories->SetPath(dir / "none"));
  EXPECT_EQ(directories->Path(), dir / "runs");

  // Listed, then gone before the double-click.
  fs::remove_all(dir.path() / "runs" / "sub");
  const auto rows = directories->findItems("sub", Qt::MatchEndsWith);
  ASSERT_EQ(rows.size(), 1);
  DoubleClick(directories, rows[0]);
  EXPECT_EQ(directories->Path(), dir / "runs");
  EXPECT_EQ(Files(browse)->Path(), dir / "runs");
}

TEST_F(BrowseTest, DrivesMoveTheListsAndAnUnreadableDriveIsLeftQuietly) {
  window.SetDriveSource(std::make_shared<FakeDrives>(
      std::vector<Drive>{{"/", "/"}, {"x:", dir / "no medium"}, {"y:", dir / "elsewhere"}}));
  window.SetPathText(dir / "runs/a");
  frmBrowse* browse = Browse();
  DriveList* drives = Drives(browse);

  drives->SetDrive("x:");  // cannot be read: back to "/" without a word
  EXPECT_EQ(drives->Drive(), "/");
  EXPECT_EQ(drives->currentText(), "/");
  EXPECT_EQ(Directories(browse)->Path(), dir / "runs");

  drives->SetDrive("Y:\\anything");
  EXPECT_EQ(drives->Drive(), "y:");
  EXPECT_EQ(Directories(browse)->Path(), dir / "elsewhere");
  EXPECT_EQ(Files(browse)->Names(), std::vector<std::string>{"e.out"});

  // Picked by the user: the directory last shown on that drive comes back.
  drives->setFocus();
  QTest::keyClick(drives, Qt::Key_Home);
  EXPECT_EQ(drives->Drive(), "/");
  EXPECT_EQ(Directories(browse)->Path(), dir / "runs");
}

TEST_F(BrowseTest, KeysPressTheButtonsOnlyWithAlt) {
  window.SetPathText(dir / "runs/a");
  frmBrowse* browse = Browse();
  browse->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(browse));
  for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key));
    EXPECT_TRUE(browse->isVisible());
  }
  QSignalSpy cancel(browse->findChild<QPushButton*>("cmdCancel"), &QPushButton::clicked);
  QTest::keyClick(browse, Qt::Key_C, Qt::AltModifier);
  EXPECT_TRUE(cancel.count() == 1 || cancel.wait(1000));
  EXPECT_FALSE(browse->isVisible());

  Browse();
  SelectFile(browse, "a.out");
  browse->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(browse));
  QSignalSpy select(browse->findChild<QPushButton*>("cmdSelect"), &QPushButton::clicked);
  QTest::keyClick(browse, Qt::Key_S, Qt::AltModifier);
  EXPECT_TRUE(select.count() == 1 || select.wait(1000));
  EXPECT_EQ(window.PathText(), dir / "runs/a");
}

TEST_F(BrowseTest, ExitWithTheDialogShownEndsTheProgram) {
  Browse();
  window.findChild<QPushButton*>("cmdExit")->click();
  EXPECT_EQ(window.ends, std::vector<int>{0});
  window.ends.clear();  // expected here; TearDown checks for unexpected ends
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
    ScriptedWindow window;
    const std::string vanishing = dir / c.vanishing;
    window.SetDriveSource(std::make_shared<FakeDrives>(
        std::vector<Drive>{{"/", "/"}, {"y:", dir / "elsewhere"}}, [&window, vanishing] {
          const auto* list = window.findChild<DirectoryList*>("dirList");
          if (list != nullptr && list->Path() == vanishing) fs::remove_all(vanishing);
        }));
    window.SetPathText(dir / "runs/a");
    window.show();
    MessageBoxCatcher catcher;

    window.findChild<QPushButton*>("cmdBrowse")->click();
    if (c.dialog_shown) {
      auto* browse = window.findChild<frmBrowse*>();
      ASSERT_NE(browse, nullptr);
      ASSERT_TRUE(QTest::qWaitForWindowExposed(browse));
      auto* drives = browse->findChild<DriveList*>("drvList");
      drives->setFocus();
      QTest::keyClick(drives, Qt::Key_End);  // the user picks y:
    }

    ASSERT_EQ(catcher.seen().size(), 1u);
    EXPECT_TRUE(catcher.seen()[0].text.endsWith(
        QString::fromStdString("List directory \"" + vanishing + "\": No such file or directory")))
        << catcher.seen()[0].text.toStdString();
    EXPECT_EQ(window.ends, std::vector<int>{1});
    const auto* browse = window.findChild<frmBrowse*>();
    EXPECT_EQ(browse != nullptr && browse->isVisible(), c.dialog_shown);
  }
}

}  // namespace
}  // namespace quillet
