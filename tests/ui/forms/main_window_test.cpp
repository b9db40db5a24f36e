// What the main window does, over a recording view: start-up, Read and Write
// through clicks, a dropped file, the error report and the end of the
// program; and the control tables' handlers and placement.
#include "ui/forms/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <stdexcept>

#include "core/unexpected_error.h"
#include "fake_views.h"
#include "files/platform.h"
#include "support/sample_trees.h"
#include "support/temp_dir.h"
#include "ui/forms/form_tables.h"

namespace quillet {
namespace {

using testing::FakeWindow;
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
  FakeWindow window;
};

TEST(TwipsTest, ConvertsThroughTheResolution) {
  using forms::Box;
  EXPECT_EQ(forms::TwipsToPixels(Box{0, 0, 4680, 3195}, 96, 96), (Box{0, 0, 312, 213}));
  EXPECT_EQ(forms::TwipsToPixels(Box{3240, 480, 1215, 495}, 120, 144), (Box{270, 48, 101, 50}));
  EXPECT_EQ(forms::TwipsToPixels(3195, 144), 320);  // 319.5 rounds up
  EXPECT_EQ(forms::TwipsToPixels(4695, 192), 626);
}

// Every control the user acts on carries its form's handler, which the
// shells call (tests/ui/qt, tests/ui/win32); no other control has one. The
// main window starts centred on the screen, the browse dialog on its owner.
TEST(ControlTableTest, HandlersAndStartUpPlaces) {
  using forms::ControlKind;
  for (const forms::FormTable& table : {forms::kMainWindowTable, forms::kBrowseDialogTable}) {
    for (const forms::Control& control : table.controls) {
      const bool acted_on =
          control.kind == ControlKind::kCommandButton || control.kind == ControlKind::kDriveList ||
          control.kind == ControlKind::kDirectoryList || control.kind == ControlKind::kFileList;
      EXPECT_EQ(static_cast<bool>(control.action), acted_on) << control.name;
    }
  }
  const forms::Box size{0, 0, 240, 175}, screen{0, 0, 1280, 1024}, owner{100, 50, 313, 240};
  EXPECT_EQ(forms::kMainWindowTable.StartUpPlace(size, screen, owner),
            (forms::Box{520, 424, 240, 175}));
  EXPECT_EQ(forms::kBrowseDialogTable.StartUpPlace(size, screen, owner),
            (forms::Box{136, 82, 240, 175}));
}

TEST_F(WindowTest, StartUpRestoresTheRememberedStemByteForByte) {
  struct Case {
    std::string settings;
    std::string text;
  };
  const Case cases[] = {
      {"[Path for QLT]\r\n/data/run 7\r\n", "/data/run 7"},
      {"[Path for QLT]\r\n", ""},
      // Not UTF-8: on Windows taken in the ANSI code page (here 1252).
      {"[Path for QLT]\r\n  c:\\drom\\caf\xe9 \r\n",
       kNativeSeparator == '/' ? "  c:\\drom\\caf\xe9 " : "  c:\\drom\\caf\xc3\xa9 "},
  };
  for (const Case& c : cases) {
    dir.Write("qltini.ini", c.settings);
    FakeWindow fresh;
    fresh.view.text = "left over";
    fresh.form.Form_Load();
    EXPECT_EQ(fresh.view.text, c.text);
  }
}

TEST_F(WindowTest, ReadThenWriteThroughClicks) {
  dir.Write("run.ind", kIndex);
  dir.Write("run.out", kData);
  window.view.text = dir / "run";
  window.form.cmdRead_Click();
  ASSERT_EQ(window.view.messages, std::vector<std::string>{"0 [Quillet] Done Reading"});
  EXPECT_EQ(window.view.bar_visible_at_position, std::vector<bool>(6, true));
  EXPECT_FALSE(window.view.bar_visible);
  EXPECT_EQ(window.view.bar_position, forms::kProgressSteps);  // 6 of 6

  window.view.messages.clear();
  window.form.cmdWrite_Click();
  const std::vector<std::string> expected = {"1 [Quillet] Writing to " + (dir / "dromout.txt"),
                                             "0 [Quillet] Done writing file"};
  EXPECT_EQ(window.view.messages, expected);
  EXPECT_EQ(dir.Read("dromout.txt"), kTable);
  EXPECT_EQ(dir.Read("qltini.ini"), "[Path for QLT]\r\n" + (dir / "run") + "\r\n");
  EXPECT_TRUE(window.view.ends.empty());
}

TEST_F(WindowTest, WriteUsesTheTextAsTypedAndHonoursCancel) {
  window.form.cmdWrite_Click();
  EXPECT_EQ(window.view.messages, std::vector<std::string>{"48 [Quillet] Data has not been read."});

  dir.Write("run.ind", kIndex);
  dir.Write("run.out", kData);
  window.view.text = dir / "run";
  window.form.cmdRead_Click();
  window.view.messages.clear();
  window.view.answers = {MessageAnswer::kCancel};
  window.view.text = " elsewhere ";  // no directory: dromout.txt here; kept untrimmed
  window.form.cmdWrite_Click();
  EXPECT_EQ(window.view.messages, std::vector<std::string>{"1 [Quillet] Writing to dromout.txt"});
  EXPECT_FALSE(dir.Exists("dromout.txt"));
  EXPECT_EQ(dir.Read("qltini.ini"), "[Path for QLT]\r\n elsewhere \r\n");
}

// A chain file dragged onto the window is taken as a copy and its stem, as
// Select File forms it, replaces the text; nothing starts. Any other drag is
// refused before its drop.
TEST_F(WindowTest, DroppedChainFileGivesItsStem) {
  testing::MakeDropTree(dir);
  const auto file = [this](const std::string& name) {
    return std::optional<std::string>(dir / name);
  };
  const std::string sep(1, kNativeSeparator);
  struct Case {
    const char* name;
    forms::Drag drag;
    std::optional<std::string> stem;  // none: refused
  };
  const Case cases[] = {
      {"data file", {{file("run.1.out")}, true}, dir / "run"},
      {"index file",
       {{file("runs.v2" + sep + "chain.ind")}, true},
       dir / ("runs.v2" + sep + "chain")},
      {"name that is no valid text", {{file("caf\xE9.out")}, true}, dir / "caf\xE9"},
      {"letter case",
       {{file("RUN.OUT")}, true},
       kFileNamesIgnoreCase ? std::optional(dir / "RUN") : std::nullopt},
      {"other file", {{file("notes.txt")}, true}, std::nullopt},
      {"two chain files", {{file("run.1.out"), file("runs.v2/chain.ind")}, true}, std::nullopt},
      {"directory", {{file("folder.out")}, true}, std::nullopt},
      {"missing file", {{file("gone.out")}, true}, std::nullopt},
      {"not a local file", {{std::nullopt}, true}, std::nullopt},
      {"nothing", {{}, true}, std::nullopt},
      {"move only", {{file("run.1.out")}, false}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window.view.text = "before";
    EXPECT_EQ(window.form.Form_DragOver(c.drag), c.stem.has_value());
    EXPECT_EQ(window.form.Form_DragDrop(c.drag), c.stem.has_value());
    EXPECT_EQ(window.view.text, c.stem.value_or("before"));
  }
  EXPECT_TRUE(window.view.messages.empty());
  EXPECT_FALSE(dir.Exists("qltini.ini"));
}

// The commands' single-precision maximum and value, as the bar's position;
// the view hears only of a change of that position.
TEST_F(WindowTest, ProgressCallsReachTheBar) {
  forms::frmQLT& form = window.form;
  form.ShowProgress();
  EXPECT_TRUE(window.view.bar_visible);
  const int full = forms::kProgressSteps;
  struct Step {
    const char* name;
    std::optional<float> maximum, value;
    int position;
    std::size_t calls;  // positions the view was told of so far
  };
  const Step steps[] = {
      {"maximum alone", 2.5f, std::nullopt, 0, 0},
      {"halfway", std::nullopt, 1.25f, full / 2, 1},
      {"past the maximum: a full bar", std::nullopt, 3.0f, full, 2},
      {"the same value again", std::nullopt, 3.0f, full, 2},
      {"a new maximum moves the bar", 6.0f, std::nullopt, full / 2, 3},
      {"500 of ten million", 1e7f, 500.0f, 0, 4},
      {"501 of ten million: no change", std::nullopt, 501.0f, 0, 4},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    if (step.maximum) form.SetProgressMaximum(*step.maximum);
    if (step.value) form.SetProgressValue(*step.value);
    EXPECT_EQ(window.view.bar_position, step.position);
    EXPECT_EQ(window.view.bar_visible_at_position.size(), step.calls);
  }
  form.HideProgress();
  EXPECT_FALSE(window.view.bar_visible);
}

TEST_F(WindowTest, AnErrorEscapingAnActionIsReportedAndEndsTheProgram) {
  // A last data line without a blank: a read past the end.
  dir.Write("bad.ind", "alpha 1 3\r\n");
  dir.Write("bad.out", "1 0.51\r\n2");
  window.view.text = dir / "bad";
  window.form.cmdRead_Click();
  ASSERT_EQ(window.view.messages.size(), 1u);
  EXPECT_EQ(window.view.messages[0].rfind("16 [Quillet] Quillet must close", 0), 0u)
      << window.view.messages[0];
  EXPECT_NE(window.view.messages[0].find("Input past end of file: " + dir / "bad.out" +
                                         " ends inside line 2"),
            std::string::npos)
      << window.view.messages[0];
  EXPECT_EQ(window.view.ends, std::vector<int>{1});

  // Once ended, the buttons start nothing more.
  window.form.cmdWrite_Click();
  window.form.cmdExit_Click();
  EXPECT_EQ(window.view.messages.size(), 1u);
  EXPECT_EQ(window.view.ends, std::vector<int>{1});
}

TEST_F(WindowTest, AnyExceptionIsNamedInTheReport) {
  // The first error ends the program; one that follows it is not reported.
  window.form.Guarded([this] {
    window.form.Guarded([] { throw std::length_error("table too long"); });
    throw std::runtime_error("after the end");
  });
  ASSERT_EQ(window.view.messages.size(), 1u);
  const std::string& report = window.view.messages[0];
  EXPECT_EQ(report.substr(report.size() - 14), "table too long");
  EXPECT_EQ(report.rfind("16 ", 0), 0u);  // the error icon
  EXPECT_EQ(window.view.ends, std::vector<int>{1});
  EXPECT_EQ(window.form.exit_status(), 1);
  EXPECT_EQ(DescribeError(std::make_exception_ptr(std::bad_alloc())), "Out of memory");
  EXPECT_EQ(DescribeError(std::make_exception_ptr(42)), "Unknown error");
}

TEST_F(WindowTest, ExitAndClosingEndWithStatusZero) {
  window.form.cmdExit_Click();
  EXPECT_EQ(window.view.ends, std::vector<int>{0});

  FakeWindow other;
  other.form.Form_Close();
  EXPECT_EQ(other.view.ends, std::vector<int>{0});
  EXPECT_TRUE(other.view.messages.empty());
  EXPECT_FALSE(dir.Exists("qltini.ini"));  // Exit saves nothing
}

}  // namespace
}  // namespace quillet
