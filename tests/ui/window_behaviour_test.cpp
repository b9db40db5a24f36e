// What the main window does: start-up, Read and Write through clicks, a
// dropped file, the progress bar, message boxes, the error report and the end
// of the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <new>
#include <stdexcept>

#include "core/unexpected_error.h"
#include "core/user_interface.h"
#include "files/platform.h"
#include "message_box_catcher.h"
#include "scripted_window.h"
#include "support/temp_dir.h"
#include "ui/message_box.h"

namespace quillet {
namespace {

using testing::MessageBoxCatcher;
using testing::ScriptedWindow;
using testing::TempDir;

const std::string kIndex = "alpha 1 3\r\nbeta 4 6\r\n";
const std::string kData = "1 0.51\r\n2 0.47\r\n3 0.55\r\n1 1.2\r\n2 1.3\r\n3 1.1\r\n";
const std::string kTable =
    "Iteration\talpha\tbeta\t\r\n"
    "1\t0.51\t1.2\t\r\n"
    "2\t0.47\t1.3\t\r\n"
    "3\t0.55\t1.1\t\r\n";

class WindowTest : public ::testing::Test {
 protected:
  TempDir dir{/*make_current=*/true};
  ScriptedWindow window;

  void Click(const char* name) { window.findChild<QPushButton*>(name)->click(); }
  void Type(const QString& text) { window.findChild<QLineEdit*>("txtPathName")->setText(text); }
};

TEST_F(WindowTest, StartUpRestoresTheRememberedStemByteForByte) {
  struct Case {
    std::string settings;
    std::string text;
  };
  const Case cases[] = {
      {"[Path for QLT]\r\n/data/run 7\r\n", "/data/run 7"},
      {"[Path for QLT]\r\n", ""},
      {"[Path for QLT]\r\n  c:\\drom\\caf\xe9 \r\n", "  c:\\drom\\caf\xe9 "},  // not UTF-8
  };
  for (const Case& c : cases) {
    dir.Write("qltini.ini", c.settings);
    ScriptedWindow fresh;
    fresh.SetPathText("left over");
    fresh.Load();
    EXPECT_EQ(fresh.PathText(), c.text);
  }
}

TEST_F(WindowTest, ReadThenWriteThroughClicks) {
  dir.Write("run.ind", kIndex);
  dir.Write("run.out", kData);
  window.SetPathText(dir / "run");
  Click("cmdRead");
  ASSERT_EQ(window.messages, std::vector<std::string>{"0 [Quillet] Done Reading"});
  EXPECT_EQ(window.bar_visible_at_value, std::vector<bool>(6, true));
  EXPECT_FALSE(window.Bar()->isVisibleTo(&window));
  EXPECT_EQ(window.Bar()->value(), window.Bar()->maximum());  // 6 of 6

  window.messages.clear();
  Click("cmdWrite");
  const std::vector<std::string> expected = {"1 [] Writing to " + (dir / "dromout.txt"),
                                             "0 [Quillet] Done writing file"};
  EXPECT_EQ(window.messages, expected);
  EXPECT_EQ(dir.Read("dromout.txt"), kTable);
  EXPECT_EQ(dir.Read("qltini.ini"), "[Path for QLT]\r\n" + (dir / "run") + "\r\n");
  EXPECT_TRUE(window.ends.empty());
}

TEST_F(WindowTest, WriteUsesTheTextAsTypedAndHonoursCancel) {
  Click("cmdWrite");
  EXPECT_EQ(window.messages, std::vector<std::string>{"48 [] Data has not been read."});

  dir.Write("run.ind", kIndex);
  dir.Write("run.out", kData);
  Type(QString::fromStdString(dir / "run"));
  Click("cmdRead");
  window.messages.clear();
  window.answers = {MessageAnswer::kCancel};
  Type(QStringLiteral(" elsewhere "));  // no directory: dromout.txt here; kept untrimmed
  Click("cmdWrite");
  EXPECT_EQ(window.messages, std::vector<std::string>{"1 [] Writing to dromout.txt"});
  EXPECT_FALSE(dir.Exists("dromout.txt"));
  EXPECT_EQ(dir.Read("qltini.ini"), "[Path for QLT]\r\n elsewhere \r\n");
}

// A file dragged from a file manager onto the window or its text box: a chain
// file is taken as a copy and its stem, as Select File forms it, replaces the
// text; nothing starts. Any other drag is refused before its drop, and the
// text box inserts no URL.
TEST_F(WindowTest, DroppedChainFileGivesItsStem) {
  std::filesystem::create_directories(dir.path() / "runs.v2");
  std::filesystem::create_directories(dir.path() / "folder.out");
  for (const char* name :
       {"run.1.out", "runs.v2/chain.ind", "caf\xE9.out", "notes.txt", "RUN.OUT"}) {
    dir.Write(name, "");
  }
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
    window.SetPathText("before");
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

TEST_F(WindowTest, ProgressCallsReachTheBar) {
  window.ShowProgress();
  EXPECT_TRUE(window.Bar()->isVisibleTo(&window));
  window.SetProgressMaximum(2.5f);
  window.SetProgressValue(1.25f);
  EXPECT_EQ(window.Bar()->value() * 2, window.Bar()->maximum());
  window.SetProgressValue(3.0f);  // past the maximum: a full bar
  EXPECT_EQ(window.Bar()->value(), window.Bar()->maximum());
  window.SetProgressMaximum(6.0f);
  EXPECT_EQ(window.Bar()->value() * 2, window.Bar()->maximum());
  window.HideProgress();
  EXPECT_FALSE(window.Bar()->isVisibleTo(&window));
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
  PaintCounter counter(window.Bar());
  // No event is processed from here on, as while a command runs.
  window.ShowProgress();
  EXPECT_GE(counter.paints, 1);  // shown at once

  window.SetProgressMaximum(1e7f);
  const int after_show = counter.paints;
  for (int line = 1; line <= 500; ++line) window.SetProgressValue(static_cast<float>(line));
  EXPECT_EQ(counter.paints, after_show);  // 500 of ten million draws nothing

  window.SetProgressValue(5e6f);
  EXPECT_EQ(counter.paints, after_show + 1);  // halfway: drawn before returning
  window.SetProgressValue(5e6f);
  EXPECT_EQ(counter.paints, after_show + 1);
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
  };
  window.show();
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(c.name);
    MessageBoxCatcher catcher;
    catcher.Then(c.answer);
    const MessageAnswer answer = window.frmQLT::ShowMessage(
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

TEST_F(WindowTest, AnErrorEscapingAnActionIsReportedAndEndsTheProgram) {
  // A last data line without a blank: a read past the end.
  dir.Write("bad.ind", "alpha 1 3\r\n");
  dir.Write("bad.out", "1 0.51\r\n2");
  Type(QString::fromStdString(dir / "bad"));
  MessageBoxCatcher catcher;
  Click("cmdRead");
  ASSERT_EQ(catcher.seen().size(), 1u);
  EXPECT_EQ(catcher.seen()[0].title, "Quillet");
  EXPECT_TRUE(catcher.seen()[0].text.contains(
      QString::fromStdString("Input past end of file: " + dir / "bad.out" + " ends inside line 2")))
      << catcher.seen()[0].text.toStdString();
  EXPECT_EQ(window.ends, std::vector<int>{1});

  // Once ended, the buttons start nothing more.
  Click("cmdWrite");
  Click("cmdExit");
  EXPECT_EQ(catcher.seen().size(), 1u);
  EXPECT_EQ(window.ends, std::vector<int>{1});
}

TEST_F(WindowTest, AnyExceptionIsNamedInTheReport) {
  MessageBoxCatcher catcher;
  // The first error ends the program; one that follows it is not reported.
  window.Guarded([this] {
    window.Guarded([] { throw std::length_error("table too long"); });
    throw std::runtime_error("after the end");
  });
  ASSERT_EQ(catcher.seen().size(), 1u);
  EXPECT_TRUE(catcher.seen()[0].text.endsWith("table too long"));
  EXPECT_EQ(catcher.seen()[0].icon, QMessageBox::Critical);
  EXPECT_EQ(window.ends, std::vector<int>{1});
  EXPECT_EQ(DescribeError(std::make_exception_ptr(std::bad_alloc())), "Out of memory");
  EXPECT_EQ(DescribeError(std::make_exception_ptr(42)), "Unknown error");
}

TEST_F(WindowTest, ExitAndClosingEndWithStatusZero) {
  window.show();
  Click("cmdExit");
  EXPECT_EQ(window.ends, std::vector<int>{0});

  ScriptedWindow other;
  other.show();
  other.close();
  EXPECT_EQ(other.ends, std::vector<int>{0});
  EXPECT_TRUE(other.messages.empty());
  EXPECT_FALSE(dir.Exists("qltini.ini"));  // Exit saves nothing
}

}  // namespace
}  // namespace quillet
