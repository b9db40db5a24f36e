// The browse dialog's widgets on the offscreen platform: its layout, and the
// user's clicks, double-clicks and keys reaching the form. What the dialog
// does with them is the forms' (tests/ui/forms).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "message_box_catcher.h"
#include "scripted_window.h"
#include "support/sample_trees.h"
#include "support/temp_dir.h"
#include "ui/forms/browse_dialog.h"
#include "ui/forms/fake_views.h"
#include "ui/qt/browse_dialog.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::FakeDrives;
using testing::MessageBoxCatcher;
using testing::ScriptedWindow;
using testing::TempDir;

// A double-click as a user makes it: the first click, then the second.
void DoubleClick(QListWidget* list, QListWidgetItem* item) {
  const QPoint at = list->visualItemRect(item).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

class BrowseTest : public ::testing::Test {
 protected:
  TempDir dir{/*make_current=*/true};
  // Besides the root, a drive that cannot be read and one that can.
  ScriptedWindow window{std::make_shared<FakeDrives>(
      std::vector<forms::Drive>{{"/", "/"}, {"x:", dir / "no medium"}, {"y:", dir / "elsewhere"}})};
  MessageBoxCatcher catcher;  // any box the dialog raises is a failure

  void SetUp() override {
    testing::MakeBrowseTree(dir);
    window.show();
  }

  void TearDown() override {
    EXPECT_TRUE(catcher.seen().empty()) << catcher.seen().front().text.toStdString();
    EXPECT_TRUE(window.messages.empty());
    EXPECT_TRUE(window.ends.empty());
  }

  // Presses Browse and waits until the dialog is on the screen, its lists
  // laid out.
  qt::BrowseDialog* Browse() {
    window.findChild<QPushButton*>("cmdBrowse")->click();
    auto* browse = window.findChild<qt::BrowseDialog*>();
    if (browse != nullptr) {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(browse));
    }
    return browse;
  }
  forms::frmBrowse& Form() { return *window.browse_form; }
  QComboBox* Drives(qt::BrowseDialog* b) { return b->findChild<QComboBox*>("drvList"); }
  QListWidget* Directories(qt::BrowseDialog* b) { return b->findChild<QListWidget*>("dirList"); }
  QListWidget* Files(qt::BrowseDialog* b) { return b->findChild<QListWidget*>("filList"); }

  void SelectFile(qt::BrowseDialog* b, const QString& name) {
    QListWidget* files = Files(b);
    files->clearSelection();
    const auto found = files->findItems(name, Qt::MatchExactly);
    if (!found.isEmpty()) files->setCurrentItem(found.front());
  }
  void Press(qt::BrowseDialog* b, const char* button) {
    b->findChild<QPushButton*>(button)->click();
  }
};

TEST_F(BrowseTest, DialogHasItsCaptionControlsAndTabOrder) {
  if (window.logicalDpiX() != 96 || window.logicalDpiY() != 96) GTEST_SKIP() << "not 96 dpi";
  qt::BrowseDialog* browse = Browse();
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

TEST_F(BrowseTest, CancelAndCloseLeaveTheTextAndTheListsAsTheyWere) {
  window.SetPathNameText(dir / "runs/a");
  qt::BrowseDialog* browse = Browse();
  SelectFile(browse, "b.out");
  window.SetPathNameText(dir / "elsewhere/e");  // typed meanwhile: moves nothing
  Press(browse, "cmdCancel");
  EXPECT_FALSE(browse->isVisible());
  EXPECT_EQ(window.PathText(), dir / "elsewhere/e");

  ASSERT_EQ(Browse(), browse);  // the one dialog, shown as it was left
  EXPECT_EQ(Form().dirList()->Path(), dir / "runs");
  EXPECT_EQ(Form().filList()->FileName(), "b.out");
  browse->close();
  EXPECT_FALSE(browse->isVisible());
  EXPECT_EQ(window.PathText(), dir / "elsewhere/e");

  ASSERT_EQ(Browse(), browse);
  Press(browse, "cmdSelect");
  EXPECT_EQ(window.PathText(), dir / "runs/b");
  EXPECT_EQ(window.findChildren<qt::BrowseDialog*>().size(), 1);
}

TEST_F(BrowseTest, DoubleClicksOpenDirectoriesAndChooseFiles) {
  window.SetPathNameText(dir / "runs/a");
  qt::BrowseDialog* browse = Browse();
  QListWidget* directories = Directories(browse);
  const auto rows = directories->findItems("sub", Qt::MatchEndsWith);
  ASSERT_EQ(rows.size(), 1);
  DoubleClick(directories, rows[0]);
  EXPECT_EQ(Form().dirList()->Path(), dir / "runs/sub");
  QListWidget* files = Files(browse);
  ASSERT_EQ(files->count(), 1);
  EXPECT_EQ(files->item(0)->text(), "c.out");

  DoubleClick(files, files->item(0));
  EXPECT_EQ(window.PathText(), dir / "runs/sub/c");
  EXPECT_FALSE(browse->isVisible());
}

TEST_F(BrowseTest, ArrowKeysSelectInTheFileList) {
  window.SetPathNameText(dir / "runs/a");
  qt::BrowseDialog* browse = Browse();
  QListWidget* files = Files(browse);
  files->setFocus();
  QTest::keyClick(files, Qt::Key_Down);  // the first arrow selects the first file
  EXPECT_EQ(Form().filList()->FileName(), ".h.out");
  QTest::keyClick(files, Qt::Key_Down);
  EXPECT_EQ(Form().filList()->FileName(), "a.out");
  Form().filList()->SetPath(dir / "elsewhere");  // a new directory starts unselected
  EXPECT_EQ(Form().filList()->FileName(), "");
  EXPECT_TRUE(files->selectedItems().isEmpty());
}

// A drive picked with the keyboard reaches the form, and the list shows the
// drive the form went back to when the one picked cannot be read.
TEST_F(BrowseTest, DrivesPickedInTheListMoveTheLists) {
  window.SetPathNameText(dir / "runs/a");
  qt::BrowseDialog* browse = Browse();
  QComboBox* drives = Drives(browse);
  ASSERT_EQ(drives->count(), 3);
  drives->setFocus();

  QTest::keyClick(drives, Qt::Key_Down);  // x: cannot be read: back to "/" without a word
  EXPECT_EQ(drives->currentText(), "/");
  EXPECT_EQ(Form().dirList()->Path(), dir / "runs");

  QTest::keyClick(drives, Qt::Key_End);
  EXPECT_EQ(drives->currentText(), "y:");
  EXPECT_EQ(Form().dirList()->Path(), dir / "elsewhere");
  ASSERT_EQ(Files(browse)->count(), 1);
  EXPECT_EQ(Files(browse)->item(0)->text(), "e.out");

  QTest::keyClick(drives, Qt::Key_Home);
  EXPECT_EQ(drives->currentText(), "/");
  EXPECT_EQ(Form().dirList()->Path(), dir / "runs");
}

TEST_F(BrowseTest, KeysPressTheButtonsOnlyWithAlt) {
  window.SetPathNameText(dir / "runs/a");
  qt::BrowseDialog* browse = Browse();
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

}  // namespace
}  // namespace quillet
