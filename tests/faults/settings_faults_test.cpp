// A settings file that cannot be written or read: the Read and the Write go
// on without remembering the stem, and the start-up gives the empty stem.
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "child_process.h"
#include "core/read_command.h"
#include "core/write_command.h"
#include "settings/settings_file.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::OutcomeInChild;
using testing::OutcomeOf;
using testing::RecordingUi;
using testing::TempDir;

const std::string kEarlierSettings = "[Path for QLT]\r\n/earlier/stem\r\n";

// Remembers the stem in the settings file, as the window does.
struct RememberingUi : RecordingUi {
  void RememberStem(const std::string& stem) override {
    RecordingUi::RememberStem(stem);
    SaveSettings(stem);
  }
};

struct Unwritable {
  const char* name;
  std::function<void(const TempDir&)> prepare;
  bool unprivileged;        // run the commands as a user other than root
  bool remembered = false;  // the settings file can be written after all
};

// The commands run in the current directory, where the settings file lives.
TEST(SettingsFaultTest, UnwritableSettingsFileDoesNotStopTheCommands) {
  const Unwritable cases[] = {
      {"read-only settings file",
       [](const TempDir& dir) {
         dir.Write("qltini.ini", kEarlierSettings);
         fs::permissions(dir.path() / "qltini.ini", fs::perms::owner_read);
       },
       false},
      {"settings file that is a directory",
       [](const TempDir& dir) { fs::create_directory(dir.path() / "qltini.ini"); }, false},
      {"current directory that cannot be written",
       [](const TempDir& dir) {
         fs::permissions(dir.path() / "data", fs::perms::all);
         fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                         fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
       },
       true},
      // Written in place, as a plain write would do.
      {"current directory that cannot be written, settings file that can",
       [](const TempDir& dir) {
         dir.Write("qltini.ini", kEarlierSettings);
         fs::permissions(dir.path() / "qltini.ini", fs::perms(0666));
         fs::permissions(dir.path() / "data", fs::perms::all);
         fs::permissions(dir.path(), fs::perms(0555));
       },
       true, true},
  };
  for (const Unwritable& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir(/*make_current=*/true);
    fs::create_directory(dir.path() / "data");
    dir.Write("data/run.ind", "alpha 1 2\r\n");
    dir.Write("data/run.out", "1 0.5\r\n2 0.6\r\n");
    c.prepare(dir);
    const std::string settings_before =
        fs::is_regular_file(dir.path() / "qltini.ini") ? dir.Read("qltini.ini") : "";

    const std::string stem = dir / "data/run";
    const std::string outcome = OutcomeInChild(
        [&] {
          ConversionState state;
          RememberingUi ui;
          RunRead(state, stem, ui);
          RunWrite(state, stem, ui);
          if (ui.messages().back() != "message 0 [Quillet] Done writing file") {
            throw std::runtime_error("the commands did not finish: " + ui.messages().back());
          }
        },
        c.unprivileged);
    EXPECT_EQ(outcome, "done");
    EXPECT_EQ(dir.Read("data/dromout.txt"), "Iteration\talpha\t\r\n1\t0.5\t\r\n2\t0.6\t\r\n");
    if (fs::is_regular_file(dir.path() / "qltini.ini")) {
      EXPECT_EQ(dir.Read("qltini.ini"),
                c.remembered ? "[Path for QLT]\r\n" + stem + "\r\n" : settings_before);
    }
    // No temporary file is left beside the settings file.
    EXPECT_EQ(dir.Listing(),
              fs::exists(dir.path() / "qltini.ini") ? "data\nqltini.ini\n" : "data\n");
  }
}

struct Unreadable {
  const char* name;
  std::function<void(const TempDir&)> prepare;
  bool unprivileged;
  std::optional<std::string> loaded;
};

TEST(SettingsFaultTest, UnreadableSettingsFileGivesTheEmptyStem) {
  const Unreadable cases[] = {
      // Opens, but no byte of it can be read, whoever asks.
      {"unreadable settings file",
       [](const TempDir& dir) { fs::create_symlink("/proc/self/mem", dir.path() / "qltini.ini"); },
       false, std::string()},
      {"settings file without read permission",
       [](const TempDir& dir) {
         dir.Write("qltini.ini", kEarlierSettings);
         fs::permissions(dir.path() / "qltini.ini", fs::perms::none);
         fs::permissions(dir.path(), fs::perms::all);
       },
       true, std::string()},
      // Neither is a settings file at all.
      {"settings file that is a directory",
       [](const TempDir& dir) { fs::create_directory(dir.path() / "qltini.ini"); }, false,
       std::nullopt},
      {"dangling link",
       [](const TempDir& dir) {
         fs::create_symlink(dir.path() / "nowhere", dir.path() / "qltini.ini");
       },
       false, std::nullopt},
  };
  for (const Unreadable& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir(/*make_current=*/true);
    c.prepare(dir);
    const std::string outcome = OutcomeInChild(
        [&] {
          const auto loaded = LoadSettings();
          if (loaded != c.loaded) throw std::runtime_error("loaded " + loaded.value_or("nothing"));
        },
        c.unprivileged);
    EXPECT_EQ(outcome, "done");
  }
}

}  // namespace
}  // namespace quillet
