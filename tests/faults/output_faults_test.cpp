// The Write command against an output that cannot be written: it must stop
// with a named error, leave an earlier dromout.txt as it was, and leave no
// partial or temporary file behind. And against outputs that a plain write
// could write but a new file could not replace in every respect.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "child_process.h"
#include "core/write_command.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::OutcomeInChild;
using testing::OutcomeOf;
using testing::RecordingUi;
using testing::TempDir;

const std::string kEarlier = "Iteration\tearlier\t\r\n1\t42\t\r\n";

// The table written for FillState(state, 3, 4).
const std::string kTable = "Iteration\talpha\t\r\n1\tvvvv\t\r\n2\tvvvv\t\r\n3\tvvvv\t\r\n";

constexpr uid_t kNobody = 65534;  // the user OutcomeInChild's unprivileged child becomes

std::string FileEntry(unsigned mode, nlink_t links, uid_t uid, gid_t gid,
                      const std::string& bytes) {
  char head[80];
  std::snprintf(head, sizeof head, "file %04o links %lu owner %lu:%lu = ", mode,
                static_cast<unsigned long>(links), static_cast<unsigned long>(uid),
                static_cast<unsigned long>(gid));
  return head + bytes;
}

// Every entry under `dir` by its path inside it: a file's mode, links, owner
// and bytes, a directory's mode and owner, a link's text.
std::map<std::string, std::string> Entries(const TempDir& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    struct stat info {};
    EXPECT_EQ(::lstat(entry.path().c_str(), &info), 0) << entry.path();
    std::string& text = entries[entry.path().lexically_relative(dir.path()).string()];
    const unsigned mode = info.st_mode & 07777;
    if (S_ISLNK(info.st_mode)) {
      text = "link to " + fs::read_symlink(entry.path()).string();
    } else if (S_ISDIR(info.st_mode)) {
      char head[80];
      std::snprintf(head, sizeof head, "directory %04o owner %lu:%lu", mode,
                    static_cast<unsigned long>(info.st_uid),
                    static_cast<unsigned long>(info.st_gid));
      text = head;
    } else {
      text = FileEntry(mode, info.st_nlink, info.st_uid, info.st_gid,
                       testing::ReadFileBytes(entry.path().string()));
    }
  }
  return entries;
}

// A read table of one column: R rows, each cell `cell_bytes` long.
void FillState(ConversionState& state, int rows, std::size_t cell_bytes) {
  state.samplesPerVariable = rows;
  state.variableCount = 1;
  state.table.Create(rows);
  state.table.Set(0, 0, "alpha");
  const std::string cell(cell_bytes, 'v');
  for (int row = 1; row <= rows; ++row) state.table.Set(row, 0, cell);
}

std::string Write(const ConversionState& state, const std::string& stem) {
  RecordingUi ui;
  return OutcomeOf([&] { RunWrite(state, stem, ui); });
}

class OutputFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FillState(state, 3, 4);
    fs::create_directory(dir.path() / "out");
    dir.Write("out/dromout.txt", kEarlier);
  }

  std::map<std::string, std::string> Snapshot() const { return Entries(dir); }

  TempDir dir;
  ConversionState state;
};

TEST_F(OutputFaultTest, CannotCreateTheOutputFile) {
  dir.Write("plain", "a file, not a directory");
  const struct {
    const char* name;
    std::string stem;
    std::function<void()> prepare;
    const char* reason;
  } cases[] = {
      {"missing directory", dir / "missing/run", [] {}, "No such file or directory"},
      {"directory part is a file", dir / "plain/run", [] {}, "Not a directory"},
      {"read-only dromout.txt", dir / "out/run",
       [&] { fs::permissions(dir.path() / "out/dromout.txt", fs::perms::owner_read); },
       "Permission denied"},
      {"dromout.txt is a directory", dir / "out/run",
       [&] {
         fs::remove(dir.path() / "out/dromout.txt");
         fs::create_directory(dir.path() / "out/dromout.txt");
         dir.Write("out/dromout.txt/inside", kEarlier);
       },
       "Is a directory"},
      {"dromout.txt is a loop of links", dir / "out/run",
       [&] {
         fs::remove_all(dir.path() / "out/dromout.txt");
         fs::create_symlink("loop", dir.path() / "out/dromout.txt");
         fs::create_symlink("dromout.txt", dir.path() / "out/loop");
       },
       "Too many levels of symbolic links"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.prepare();
    const auto before = Snapshot();
    const std::string outcome = Write(state, c.stem);
    EXPECT_EQ(outcome.rfind("FileError: Cannot create file \"" + OutputPathFor(c.stem) + "\"", 0),
              0u)
        << outcome;
    EXPECT_NE(outcome.find(c.reason), std::string::npos) << outcome;
    EXPECT_EQ(Snapshot(), before);
  }
}

// Whatever a plain open and write would write is written, and what the file
// was (its other names, owner, group, mode, a link to it) stays: replaced
// beside it where a new file can be all that, written in place where not. A
// case prepares a fresh directory, then the Write runs in a child, as the
// user "nobody" where permissions matter (root may write anywhere).
struct ReplaceCase {
  const char* name;
  std::function<void(const TempDir&)> prepare;  // "out/dromout.txt" holds kEarlier
  bool unprivileged = false;
  bool needs_root = false;              // prepares files of other owners
  std::function<void()> fault = [] {};  // in the child, before the Write
  int columns = 1;
  const char* outcome = "done";                     // DIR stands for the directory
  std::map<std::string, std::string> changed = {};  // entries that differ afterwards
};

TEST(ReplaceTest, WritesWhatAPlainWriteWouldAndKeepsWhatTheFileWas) {
  const uid_t me = ::geteuid();
  const gid_t my_group = ::getegid();
  const auto mode = [](const TempDir& d, const char* name, unsigned bits) {
    fs::permissions(d.path() / name, fs::perms(bits));
  };
  const auto own = [](const TempDir& d, const char* name, uid_t uid, gid_t gid) {
    ASSERT_EQ(::chown((d / name).c_str(), uid, gid), 0) << name;
  };
  const auto second_link = [](const TempDir& d) {
    fs::create_hard_link(d.path() / "out/dromout.txt", d.path() / "out/kept.txt");
  };
  const auto full_disk = [] {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 10;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit");
  };
  const std::string part = kTable.substr(0, 10);

  const ReplaceCase cases[] = {
      {.name = "directory not writable, file writable: in place",
       .prepare =
           [&](const TempDir& d) {
             mode(d, "out/dromout.txt", 0666);
             mode(d, "out", 0555);
           },
       .unprivileged = true,
       .changed = {{"out/dromout.txt", FileEntry(0666, 1, me, my_group, kTable)}}},
      {.name = "directory not writable, no file: refused",
       .prepare =
           [&](const TempDir& d) {
             fs::remove(d.path() / "out/dromout.txt");
             mode(d, "out", 0555);
           },
       .unprivileged = true,
       .outcome = "FileError: Cannot create file \"DIR/out/dromout.txt\": Permission denied"},
      {.name = "second hard link: both names get the table",
       .prepare = second_link,
       .changed = {{"out/dromout.txt", FileEntry(0644, 2, me, my_group, kTable)},
                   {"out/kept.txt", FileEntry(0644, 2, me, my_group, kTable)}}},
      {.name = "owner the writer cannot give: in place",
       .prepare =
           [&](const TempDir& d) {
             mode(d, "out/dromout.txt", 0666);
             mode(d, "out", 0777);
           },
       .unprivileged = true,
       .needs_root = true,
       .changed = {{"out/dromout.txt", FileEntry(0666, 1, 0, 0, kTable)}}},
      {.name = "group the writer cannot give: in place",
       .prepare =
           [&](const TempDir& d) {
             own(d, "out/dromout.txt", kNobody, 0);
             mode(d, "out/dromout.txt", 0664);
             mode(d, "out", 0777);
           },
       .unprivileged = true,
       .needs_root = true,
       .changed = {{"out/dromout.txt", FileEntry(0664, 1, kNobody, 0, kTable)}}},
      {.name = "root writing another user's file: owner and mode given back",
       .prepare =
           [&](const TempDir& d) {
             own(d, "out/dromout.txt", kNobody, kNobody);
             mode(d, "out/dromout.txt", 04750);  // a change of owner clears set-user-ID
           },
       .needs_root = true,
       .changed = {{"out/dromout.txt", FileEntry(04750, 1, kNobody, kNobody, kTable)}}},
      {.name = "dangling chain of relative links: the last one's file is created",
       .prepare =
           [&](const TempDir& d) {
             fs::remove(d.path() / "out/dromout.txt");
             fs::create_directory(d.path() / "elsewhere");
             fs::create_symlink("../elsewhere/link", d.path() / "out/dromout.txt");
             fs::create_symlink("table.txt", d.path() / "elsewhere/link");
           },
       .changed = {{"elsewhere/table.txt", FileEntry(0644, 1, me, my_group, kTable)}}},
      {.name = "mode refused by the file system: written with a new file's mode",
       .prepare = [&](const TempDir& d) { mode(d, "out/dromout.txt", 0600); },
       .fault = [] { testing::FailSystemCall(SYS_fchmod, EPERM); },
       .changed = {{"out/dromout.txt", FileEntry(0644, 1, me, my_group, kTable)}}},
      // In place, the old bytes go only when the first new ones are written.
      {.name = "in place, table too wide before any byte",
       .prepare = second_link,
       .columns = 32768,
       .outcome = "OverflowError: Overflow"},
      {.name = "in place, full disk part-way",
       .prepare = second_link,
       .fault = full_disk,
       .outcome = "FileError: Cannot write file \"DIR/out/dromout.txt\": File too large",
       .changed = {{"out/dromout.txt", FileEntry(0644, 2, me, my_group, part)},
                   {"out/kept.txt", FileEntry(0644, 2, me, my_group, part)}}},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needs_root && me != 0) continue;  // only root can make files of other owners
    TempDir d;
    fs::permissions(d.path(), fs::perms::all);  // "nobody" may reach "out"
    fs::create_directory(d.path() / "out");
    d.Write("out/dromout.txt", kEarlier);
    mode(d, "out/dromout.txt", 0644);
    c.prepare(d);
    std::map<std::string, std::string> expected = Entries(d);
    for (const auto& [name, entry] : c.changed) expected[name] = entry;

    ConversionState state;
    FillState(state, 3, 4);
    for (int column = 1; column < c.columns; ++column) state.table.AddColumn();
    const std::string outcome = OutcomeInChild(
        [&] {
          ::umask(022);
          c.fault();
          RecordingUi ui;
          RunWrite(state, d / "out/run", ui);
        },
        c.unprivileged);

    std::string wanted = c.outcome;
    if (const auto at = wanted.find("DIR"); at != std::string::npos) {
      wanted.replace(at, 3, d.path().string());
    }
    EXPECT_EQ(outcome, wanted);
    EXPECT_EQ(Entries(d), expected);  // and no temporary file left anywhere
  }
}

// Everything is written, but the finished file cannot be put in place: the
// target turned into a directory holding a file while the rows went out.
TEST_F(OutputFaultTest, FinishedFileThatCannotTakeItsPlace) {
  struct SwappingUi : RecordingUi {
    std::function<void()> on_last_row;
    float last_row = 0;
    void SetProgressValue(float value) override {
      RecordingUi::SetProgressValue(value);
      if (value == last_row) on_last_row();
    }
  } ui;
  ui.last_row = 3;
  ui.on_last_row = [&] {
    fs::remove(dir.path() / "out/dromout.txt");
    fs::create_directory(dir.path() / "out/dromout.txt");
    dir.Write("out/dromout.txt/inside", kEarlier);
  };
  const std::string outcome = OutcomeOf([&] { RunWrite(state, dir / "out/run", ui); });
  EXPECT_EQ(outcome.rfind("FileError: Cannot write file \"" + dir / "out/dromout.txt" + "\"", 0),
            0u)
      << outcome;
  EXPECT_EQ(dir.Read("out/dromout.txt/inside"), kEarlier);
  std::string names;
  for (const auto& entry : fs::directory_iterator(dir.path() / "out")) {
    names += entry.path().filename().string() + "\n";
  }
  EXPECT_EQ(names, "dromout.txt\n");  // no temporary file beside it
}

struct FullDiskCase {
  const char* name;
  int rows;
  std::size_t cell_bytes;
  rlim_t file_size_limit;  // 0: none
};

void PrintTo(const FullDiskCase& c, std::ostream* out) {
  *out << c.name;
}

class FullDiskTest : public OutputFaultTest, public ::testing::WithParamInterface<FullDiskCase> {};

// A file-size limit makes writes fail with EFBIG as a full disk would: in the
// middle of the table, or when the last buffered bytes go out at Close.
TEST_P(FullDiskTest, FailingWriteKeepsTheEarlierFile) {
  const FullDiskCase& c = GetParam();
  FillState(state, c.rows, c.cell_bytes);
  const auto before = Snapshot();
  const std::string outcome = OutcomeInChild([&] {
    if (c.file_size_limit != 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{};
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = c.file_size_limit;
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit");
    }
    RecordingUi ui;
    RunWrite(state, dir / "out/run", ui);
  });
  if (c.file_size_limit == 0) {
    // The same Write without the fault replaces the file.
    EXPECT_EQ(outcome, "done");
    std::string expected = "Iteration\talpha\t\r\n";
    for (int row = 1; row <= c.rows; ++row) {
      expected += std::to_string(row) + "\t" + std::string(c.cell_bytes, 'v') + "\t\r\n";
    }
    EXPECT_EQ(dir.Read("out/dromout.txt"), expected);
    return;
  }
  EXPECT_EQ(outcome.rfind("FileError: Cannot write file \"" + dir / "out/dromout.txt" + "\"", 0),
            0u)
      << outcome;
  EXPECT_NE(outcome.find("File too large"), std::string::npos) << outcome;
  EXPECT_EQ(Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Faults, FullDiskTest,
                         ::testing::Values(FullDiskCase{"MidTable", 30000, 100, 256 * 1024},
                                           FullDiskCase{"AtClose", 2000, 100, 64 * 1024},
                                           FullDiskCase{"FirstByte", 2000, 100, 1},
                                           FullDiskCase{"NoLimitWrites", 30000, 100, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet
