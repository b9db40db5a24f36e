// What the main window's widgets do with the toolkit: drags from a file
// manager, the progress bar's drawing, real message boxes and the close box.
// What the window does with them is the forms' (tests/ui/forms).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "core/user_interface.h"
#include "files/platform.h"
#include "message_box_catcher.h"
#include "scripted_window.h"
#include "support/sample_trees.h"
#include "support/temp_dir.h"
#include "ui/forms/main_window_view.h"

namespace quillet {
namespace {

using testing::MessageBoxCatcher;
using testing::ScriptedWindow;
using testing::TempDir;

class WindowTest : public ::testing::Test {
 protected:
  TempDir dir{/*make_current=*/true};
  ScriptedWindow window;
};

// A file dragged from a file manager onto the window or its text box: a chain
// file is taken as a copy and its stem, as Select File forms it, replaces the
// text; nothing starts. Any other drag is refused before its drop, and the
// text box inserts no URL.
TEST_F(WindowTest, DroppedChainFileGivesItsStem) {
  testing::MakeDropTree(dir);
  // As a file manager sends it: the name's bytes percent-encoded.
  const auto file = [this](const std::string& name) {
    return QUrl::fromEncoded("file://" +
                             QByteArray::fromStdString(dir / name).toPercentEncoding("/"));
  };
  const Qt::DropActions copy_or_move = Qt::CopyAction | Qt::MoveAction;
  struct Case {
    const char* name;
    QList<QUrl> urls;  // none: a text drag
    bool onto_text_box;
    std::optional<std::string> stem;  // none: refused
    Qt::DropActions actions;
  };
  const Case cases[] = {
      {"data file", {file("run.1.out")}, false, dir / "run", copy_or_move},
      {"index file onto the text box",
       {file("runs.v2/chain.ind")},
       true,
       dir / "runs.v2/chain",
       copy_or_move},
      {"name that is no valid text", {file("caf\xE9.out")}, true, dir / "caf\xE9", copy_or_move},
      {"letter case",
       {file("RUN.OUT")},
       false,
       kFileNamesIgnoreCase ? std::optional(dir / "RUN") : std::nullopt,
       copy_or_move},
      {"other file", {file("notes.txt")}, false, std::nullopt, copy_or_move},
      {"other file onto the text box", {file("notes.txt")}, true, std::nullopt, copy_or_move},
      {"two chain files",
       {file("run.1.out"), file("runs.v2/chain.ind")},
       false,
       std::nullopt,
       copy_or_move},
      {"directory", {file("folder.out")}, false, std::nullopt, copy_or_move},
      {"missing file", {file("gone.out")}, false, std::nullopt, copy_or_move},
      {"not a local file", {QUrl("ftp://localhost/run.out")}, false, std::nullopt, copy_or_move},
      {"text", {}, false, std::nullopt, copy_or_move},
      {"move only", {file("run.1.out")}, false, std::nullopt, Qt::MoveAction},
  };
  QLineEdit* text_box = window.findChild<QLineEdit*>("txtPathName");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window.SetPathNameText("before");
    QMimeData mime;
    // File managers offer the URLs as text too, which the text box would take.
    mime.setText(c.urls.isEmpty() ? QStringLiteral("/some/run.out")
                                  : c.urls.front().toString(QUrl::FullyEncoded));
    if (!c.urls.isEmpty()) mime.setUrls(c.urls);
    QWidget* target = c.onto_text_box ? static_cast<QWidget*>(text_box) : &window;
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, c.actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_EQ(enter.isAccepted(), c.stem.has_value());
    QDropEvent drop(at, c.actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_EQ(drop.isAccepted(), c.stem.has_value());
    if (c.stem) {
      EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    }
    EXPECT_EQ(window.PathText(), c.stem.value_or("before"));
  }
  EXPECT_TRUE(window.messages.empty());
  EXPECT_FALSE(dir.Exists("qltini.ini"));
}

// Counts paint events of one widget.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST_F(WindowTest, BarIsDrawnAtOnceButOnlyWhenItsPictureChanges) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  forms::frmQLT& form = window.form();
  QProgressBar* bar = window.Bar();
  PaintCounter counter(bar);
  // No event is processed from here on, as while a command runs.
  form.ShowProgress();
  EXPECT_TRUE(bar->isVisibleTo(&window));
  EXPECT_GE(counter.paints, 1);  // shown at once

  form.SetProgressMaximum(1e7f);
  const int after_show = counter.paints;
  for (int line = 1; line <= 500; ++line) form.SetProgressValue(static_cast<float>(line));
  EXPECT_EQ(counter.paints, after_show);  // 500 of ten million draws nothing

  form.SetProgressValue(5e6f);
  EXPECT_EQ(counter.paints, after_show + 1);  // halfway: drawn before returning
  EXPECT_EQ(bar->value() * 2, bar->maximum());
  EXPECT_EQ(bar->maximum(), forms::kProgressSteps);
  form.SetProgressValue(5e6f);
  EXPECT_EQ(counter.paints, after_show + 1);
  form.HideProgress();
  EXPECT_FALSE(bar->isVisibleTo(&window));
}

struct BoxCase {
  const char* name;
  int style;
  std::optional<std::string> title;
  MessageBoxCatcher::Answer answer;
  int expected_answer;
  QMessageBox::Icon icon;
  QStringList buttons;
  QString caption;
};

void PressEscape(QMessageBox& box) {
  QTest::keyClick(&box, Qt::Key_Escape);
}
void CloseBox(QMessageBox& box) {
  box.close();
}
void PressCancel(QMessageBox& box) {
  MessageBoxCatcher::Press(box, QMessageBox::Cancel);
}
void PressOk(QMessageBox& box) {
  MessageBoxCatcher::Press(box, QMessageBox::Ok);
}

TEST_F(WindowTest, RealMessageBoxesShowStyleAndCaptionAndReturnTheAnswer) {
  const QStringList ok{"OK"};
  const QStringList ok_cancel{"OK", "Cancel"};
  const BoxCase cases[] = {
      {"ok", 0, std::nullopt, PressOk, 1, QMessageBox::NoIcon, ok, "Quillet"},
      {"ok escape", 0, std::nullopt, PressEscape, 1, QMessageBox::NoIcon, ok, "Quillet"},
      {"ok titled", 0, "Quillet", CloseBox, 1, QMessageBox::NoIcon, ok, "Quillet"},
      {"ok cancel, ok", 1, std::nullopt, PressOk, 1, QMessageBox::NoIcon, ok_cancel, "Quillet"},
      {"ok cancel, cancel", 1, std::nullopt, PressCancel, 2, QMessageBox::NoIcon, ok_cancel,
       "Quillet"},
      {"ok cancel, escape", 1, std::nullopt, PressEscape, 2, QMessageBox::NoIcon, ok_cancel,
       "Quillet"},
      {"ok cancel, closed", 1, "Other", CloseBox, 2, QMessageBox::NoIcon, ok_cancel, "Other"},
      {"warning", 48, std::nullopt, PressOk, 1, QMessageBox::Warning, ok, "Quillet"},
      {"warning closed", 48, std::nullopt, CloseBox, 1, QMessageBox::Warning, ok, "Quillet"},
      {"error report", 16, "Quillet", PressOk, 1, QMessageBox::Critical, ok, "Quillet"},
  };
  window.real_boxes = true;
  window.show();
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(c.name);
    MessageBoxCatcher catcher;
    catcher.Then(c.answer);
    const MessageAnswer answer = window.form().ShowMessage(
        "Line one\r\nline <two>", static_cast<MessageStyle>(c.style), c.title);
    EXPECT_EQ(static_cast<int>(answer), c.expected_answer);
    ASSERT_EQ(catcher.seen().size(), 1u);
    const auto& seen = catcher.seen().front();
    EXPECT_EQ(seen.title, c.caption);
    EXPECT_EQ(seen.text, "Line one\nline <two>");
    EXPECT_EQ(seen.icon, c.icon);
    EXPECT_EQ(seen.buttons, c.buttons);
    EXPECT_EQ(seen.modality, Qt::ApplicationModal);
  }
}

TEST_F(WindowTest, TheCloseBoxEndsWithStatusZero) {
  window.show();
  window.close();
  EXPECT_EQ(window.ends, std::vector<int>{0});
  EXPECT_TRUE(window.messages.empty());
  EXPECT_FALSE(dir.Exists("qltini.ini"));  // closing saves nothing
}

}  // namespace
}  // namespace quillet
