// The main window's fixed layout: positions, captions, tips, focus order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "scripted_window.h"
#include "support/temp_dir.h"
#include "ui/qt/appearance.h"

namespace quillet {
namespace {

using testing::ScriptedWindow;
using testing::TempDir;

struct Expected {
  const char* name;
  QRect pixels;  // at 96 dots per inch
  const char* text;
  const char* tool_tip;
};

const char* const kPathTip =
    "Enter the path and name of the DROM file -- do not include the .out or .ind extension.  "
    "Ex: c:\\drom\\myfile";

const Expected kControls[] = {
    {"cmdRead", {216, 32, 81, 33}, "&Read", "Reads DROM output file"},
    {"txtPathName", {24, 32, 177, 27}, "", kPathTip},
    {"lblPathName", {24, 16, 161, 17}, "Location of DROM Output File", kPathTip},
    {"cmdExit", {216, 128, 81, 33}, "E&xit", ""},
    {"cmdWrite", {216, 80, 81, 33}, "&Write", "Rewrites DROM file in Excel compatible format."},
    {"prgWrite", {0, 192, 313, 25}, nullptr, ""},
    {"frmWrite", {0, 184, 329, 33}, nullptr, ""},
    {"cmdBrowse", {128, 64, 73, 25}, "&Browse", ""},
};

QString TextOf(QWidget* widget) {
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* line = qobject_cast<QLineEdit*>(widget)) return line->text();
  return {};
}

class LayoutTest : public ::testing::Test {
 protected:
  TempDir dir{/*make_current=*/true};  // no settings file here

  void SetUp() override {
    if (window.logicalDpiX() != 96 || window.logicalDpiY() != 96) {
      GTEST_SKIP() << "the screen is not at 96 dots per inch";
    }
  }

  QWidget* Control(const char* name) { return window.findChild<QWidget*>(name); }

  void ShowActive() {
    window.form().Form_Load();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  ScriptedWindow window;
};

TEST_F(LayoutTest, ControlsStandWhereTheTableSaysAndShowTheirTexts) {
  EXPECT_EQ(window.windowTitle(), "Quillet");
  EXPECT_EQ(window.size(), QSize(312, 213));
  for (const Expected& control : kControls) {
    SCOPED_TRACE(control.name);
    QWidget* widget = Control(control.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), control.pixels);
    if (control.text != nullptr) {
      EXPECT_EQ(TextOf(widget), control.text);
    }
    EXPECT_EQ(widget->toolTip(), control.tool_tip);
  }
  // The frame's caption is empty and the label's caption fits its box.
  EXPECT_EQ(window.findChild<QGroupBox*>("frmWrite")->title(), "");
  auto* label = window.findChild<QLabel*>("lblPathName");
  EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
}

TEST_F(LayoutTest, ProgressBarLiesInFrontOfTheFrame) {
  const QObjectList& children = window.children();
  EXPECT_GT(children.indexOf(Control("prgWrite")), children.indexOf(Control("frmWrite")));
}

TEST_F(LayoutTest, ResizingOrMaximisingMovesNothing) {
  ShowActive();
  for (const QSize size : {QSize(900, 700), QSize(100, 80)}) {
    window.resize(size);
    QApplication::processEvents();
    for (const Expected& control : kControls) {
      EXPECT_EQ(Control(control.name)->geometry(), control.pixels) << control.name;
    }
  }
  window.showMaximized();
  QApplication::processEvents();
  for (const Expected& control : kControls) {
    EXPECT_EQ(Control(control.name)->geometry(), control.pixels) << control.name;
  }
}

TEST_F(LayoutTest, StartsEmptyWithFocusOnReadAndNoProgressBar) {
  ShowActive();
  EXPECT_EQ(window.PathText(), "");
  EXPECT_EQ(QApplication::focusWidget(), Control("cmdRead"));
  EXPECT_FALSE(Control("prgWrite")->isVisible());
  EXPECT_EQ(window.palette().color(QPalette::Window), qt::WindowBackground());
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_EQ(qt::QuilletIcon().availableSizes(), QList<QSize>{QSize(32, 32)});
}

TEST_F(LayoutTest, TabCyclesThroughTheButtonsAndTextBoxOnly) {
  ShowActive();
  const char* const order[] = {"txtPathName", "cmdExit", "cmdWrite", "cmdBrowse", "cmdRead"};
  for (const char* name : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Control(name)) << "expected " << name;
  }
  for (const char* name : {"lblPathName", "frmWrite", "prgWrite"}) {
    EXPECT_EQ(Control(name)->focusPolicy(), Qt::NoFocus) << name;
  }
}

// Each letter presses its button, and the button reaches its command.
TEST_F(LayoutTest, AltLettersPressTheButtons) {
  ShowActive();
  const struct {
    Qt::Key key;
    const char* name;
    std::vector<std::string> messages;
    std::vector<int> ends;
  } keys[] = {
      {Qt::Key_R, "cmdRead", {"48 [Quillet] Check path name.\r\n.out or .ind not found."}, {}},
      {Qt::Key_W, "cmdWrite", {"48 [Quillet] Data has not been read."}, {}},
      {Qt::Key_B, "cmdBrowse", {}, {}},
      {Qt::Key_X, "cmdExit", {}, {0}},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(k.name);
    window.messages.clear();
    QSignalSpy clicked(window.findChild<QPushButton*>(k.name), &QPushButton::clicked);
    QTest::keyClick(&window, k.key, Qt::AltModifier);
    EXPECT_TRUE(clicked.count() == 1 || clicked.wait(1000));
    EXPECT_EQ(window.messages, k.messages);
    EXPECT_EQ(window.ends, k.ends);
  }
  EXPECT_NE(window.browse_form, nullptr);
}

TEST_F(LayoutTest, EnterAndEscapeCarryNoCommand) {
  ShowActive();
  for (const char* name : {"cmdRead", "cmdWrite", "cmdExit", "cmdBrowse"}) {
    auto* button = window.findChild<QPushButton*>(name);
    button->setFocus();
    QSignalSpy clicked(button, &QPushButton::clicked);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter);
    QTest::keyClick(button, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(clicked.count(), 0) << name;
  }
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(window.ends.empty());
  EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace quillet
