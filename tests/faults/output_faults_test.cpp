// The Write command against an output that cannot be written: it must stop
// with a named error, leave an earlier dromout.txt as it was, and leave no
// partial or temporary file behind. And against outputs that a plain write
// could write but a new file could not replace in every respect.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "core/write_command.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "support/test_mount.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::OutcomeInChild;
using testing::OutcomeOf;
using testing::RecordingUi;
using testing::TempDir;
using testing::TestMount;

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

// The extended attributes of `path` (its access list and security label
// among them), each as an entry "PATH xattr NAME" holding the value's bytes.
void AddExtendedAttributes(const fs::path& path, const std::string& entry_name,
                           std::map<std::string, std::string>& entries) {
  std::string names(64 * 1024, '\0');
  const ssize_t size = ::llistxattr(path.c_str(), names.data(), names.size());
  if (size <= 0) return;  // none, or a file system that keeps none
  names.resize(static_cast<std::size_t>(size));
  for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
    const char* name = names.c_str() + at;
    std::string value(64 * 1024, '\0');
    const ssize_t got = ::lgetxattr(path.c_str(), name, value.data(), value.size());
    value.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    entries[entry_name + " xattr " + name] = value;
  }
}

// Every entry under `dir` by its path inside it: a file's mode, links, owner
// and bytes, a directory's mode and owner, a link's text; and the extended
// attributes of each.
std::map<std::string, std::string> Entries(const TempDir& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
    struct stat info {};
    EXPECT_EQ(::lstat(entry.path().c_str(), &info), 0) << entry.path();
    const std::string name = entry.path().lexically_relative(dir.path()).string();
    AddExtendedAttributes(entry.path(), name, entries);
    std::string& text = entries[name];
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
  std::string name;
  std::function<void(const TempDir&)> prepare;  // "out/dromout.txt" holds kEarlier
  bool unprivileged = false;
  bool needs_root = false;              // prepares files of other owners
  std::function<void()> fault = [] {};  // in the child, before the Write
  int columns = 1;
  const char* outcome = "done";                     // DIR stands for the directory
  std::map<std::string, std::string> changed = {};  // entries that differ afterwards
  const char* out_mount = nullptr;  // "out" on its own file system: "exfat", or tmpfs options
  int signal = 0;  // sent to the writer once its new file holds the table's first bytes
  int rows = 3;
  // Not 0: out/dromout.txt links to a missing file whose path is as long as
  // the system takes (PATH_MAX) minus this; a finished Write creates it.
  std::size_t long_target_short_of = 0;
};

// Makes out/dromout.txt a link to a missing file "t" whose path is `length`
// bytes long; returns that path.
std::string LinkToLongPath(const TempDir& d, std::size_t length) {
  std::string path = d / "long";
  while (path.size() + 2 < length) {
    path += "/" + std::string(std::min<std::size_t>(200, length - path.size() - 3), 'd');
  }
  fs::create_directories(path);
  fs::remove(d.path() / "out/dromout.txt");
  fs::create_symlink(path + "/t", d.path() / "out/dromout.txt");
  return path + "/t";
}

// Whether this process holds open a regular file on `directory`'s file
// system, other than `old`, that has bytes in it: the new table, named or not.
bool NewFileHasBytes(const fs::path& directory, ino_t old) {
  struct stat place {};
  if (::stat(directory.c_str(), &place) != 0) return false;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    struct stat info {};
    if (::stat(entry.path().c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_dev == place.st_dev && info.st_ino != old && info.st_size > 0) {
      return true;
    }
  }
  return false;
}

// Sends `signal` to its own process as soon as the new table holds bytes,
// checked after every 1,024th row (a megabyte goes out at a time).
struct SignallingUi : RecordingUi {
  int signal = 0;
  fs::path directory;
  ino_t old = 0;
  void SetProgressValue(float value) override {
    RecordingUi::SetProgressValue(value);
    if (signal != 0 && static_cast<long>(value) % 1024 == 0 && NewFileHasBytes(directory, old)) {
      ::kill(::getpid(), signal);
    }
  }
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
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 10;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit");
  };
  const std::string part = kTable.substr(0, 10);

  const auto acl_and_label = [](const TempDir& d) {
    const std::string file = d / "out/dromout.txt";
    ASSERT_EQ(std::system(("setfacl -m u:1234:rw '" + file + "'").c_str()), 0) << "setfacl (acl)";
    ASSERT_EQ(::setxattr(file.c_str(), "user.origin", "sampler", 7, 0), 0);
    ASSERT_EQ(::setxattr(file.c_str(), "security.quillet", "label", 5, 0), 0);
  };

  const auto read_only_mount = [](const TempDir& d) {
    ASSERT_EQ(std::system(("mount -o remount,ro '" + d / "out" + "'").c_str()), 0) << "remount";
  };

  std::vector<ReplaceCase> cases = {
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
      // The new file's hidden name is the target's lengthened: where that
      // path would be too long, its parts are cut; where even the shortest
      // is, the target is refused before the table is written.
      {.name = "path too long for the hidden name in full: a shorter one",
       .prepare = [](const TempDir&) {},
       .long_target_short_of = 7},
      {.name = "path too long for any hidden name: refused before the table",
       .prepare = [](const TempDir&) {},
       .outcome = "FileError: Cannot create file \"DIR/out/dromout.txt\": File name too long",
       .long_target_short_of = 2},
      {.name = "mode refused by the file system: written with a new file's mode",
       .prepare = [&](const TempDir& d) { mode(d, "out/dromout.txt", 0600); },
       .fault = [] { testing::FailSystemCall(SYS_fchmod, EPERM); },
       .changed = {{"out/dromout.txt", FileEntry(0644, 1, me, my_group, kTable)}}},
      // In place, the old bytes go only when the first new ones are written.
      {.name = "in place, table too wide before any byte",
       .prepare = second_link,
       .columns = 32768,
       .outcome = "OverflowError: Overflow: the table has 32,768 columns, more than 32,767"},
      {.name = "in place, full disk part-way",
       .prepare = second_link,
       .fault = full_disk,
       .outcome = "FileError: Cannot write file \"DIR/out/dromout.txt\": File too large",
       .changed = {{"out/dromout.txt", FileEntry(0644, 2, me, my_group, part)},
                   {"out/kept.txt", FileEntry(0644, 2, me, my_group, part)}}},
      // Only a missing permission means "write in place": a directory that
      // cannot take the new file for any other reason refuses the Write.
      {.name = "no free inode beside the file: refused, untouched",
       .prepare = [](const TempDir&) {},
       .needs_root = true,
       .outcome = "FileError: Cannot create file \"DIR/out/dromout.txt\": No space left on device",
       .out_mount = "nr_inodes=2,size=1m"},  // the directory and dromout.txt
      {.name = "access list, attribute and security label: all given to the new file",
       .prepare = acl_and_label,
       .needs_root = true,
       .changed = {{"out/dromout.txt", FileEntry(0664, 1, me, my_group, kTable)}}},
      {.name = "security label the writer cannot give: in place",
       .prepare =
           [&](const TempDir& d) {
             own(d, "out/dromout.txt", kNobody, kNobody);
             mode(d, "out", 0777);
             acl_and_label(d);
           },
       .unprivileged = true,
       .needs_root = true,
       .changed = {{"out/dromout.txt", FileEntry(0664, 1, kNobody, kNobody, kTable)}}},
  };
  // On a read-only file system the cause named is the file system, not a
  // permission, whatever the file's mode, and whether or not there is one.
  const std::pair<const char*, std::function<void(const TempDir&)>> read_only_cases[] = {
      {"writable file", [](const TempDir&) {}},
      {"read-only file", [&](const TempDir& d) { mode(d, "out/dromout.txt", 0444); }},
      {"no file", [](const TempDir& d) { fs::remove(d.path() / "out/dromout.txt"); }},
  };
  for (const auto& [file, prepare] : read_only_cases) {
    cases.push_back(
        {.name = std::string(file) + " on a read-only file system: refused, untouched",
         .prepare =
             [&prepare, &read_only_mount](const TempDir& d) {
               prepare(d);
               read_only_mount(d);
             },
         .needs_root = true,
         .outcome = "FileError: Cannot create file \"DIR/out/dromout.txt\": Read-only file system",
         .out_mount = "size=1m"});
  }
  // A signal that ends the writer leaves the earlier file and nothing else:
  // on Linux the new file has no name until it is complete; on exFAT, which
  // cannot make such a file, its hidden name is removed before the end. A
  // SIGKILL cannot be caught: only the unnamed file survives it.
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGKILL}) {
    for (const char* mount : {static_cast<const char*>(nullptr), "exfat"}) {
      if (signal == SIGKILL && mount != nullptr) continue;
      cases.push_back({.name = std::string(strsignal(signal)) + (mount ? " on exFAT" : "") +
                               " while the table is written: nothing left",
                       .prepare = [](const TempDir&) {},
                       .needs_root = mount != nullptr,
                       .outcome = nullptr,
                       .out_mount = mount,
                       .signal = signal,
                       .rows = 200000});
    }
  }
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needs_root && me != 0) continue;  // only root can make files of other owners
    TempDir d;
    fs::permissions(d.path(), fs::perms::all);  // "nobody" may reach "out"
    fs::create_directory(d.path() / "out");
    std::unique_ptr<TestMount> mounted;
    if (c.out_mount != nullptr) {
      std::string why_not;
      mounted = std::string(c.out_mount) == "exfat"
                    ? TestMount::Exfat(d.path() / "out", why_not)
                    : TestMount::Tmpfs(d.path() / "out", c.out_mount, why_not);
      if (!mounted) {
        std::printf("[  SKIPPED ] %s: %s\n", c.name.c_str(), why_not.c_str());
        continue;
      }
    }
    d.Write("out/dromout.txt", kEarlier);
    std::error_code not_everywhere;  // exFAT keeps no modes
    fs::permissions(d.path() / "out/dromout.txt", fs::perms(0644), not_everywhere);
    c.prepare(d);
    std::string long_target;
    if (c.long_target_short_of != 0) {
      long_target = LinkToLongPath(d, PATH_MAX - 1 - c.long_target_short_of);
      ASSERT_EQ(long_target.size(), PATH_MAX - 1 - c.long_target_short_of);
    }
    std::map<std::string, std::string> expected = Entries(d);
    for (const auto& [name, entry] : c.changed) expected[name] = entry;
    if (!long_target.empty() && std::string(c.outcome) == "done") {
      expected[fs::path(long_target).lexically_relative(d.path()).string()] =
          FileEntry(0644, 1, me, my_group, kTable);
    }

    ConversionState state;
    FillState(state, c.rows, 4);
    for (int column = 1; column < c.columns; ++column) state.table.AddColumn();
    const std::string outcome = OutcomeInChild(
        [&] {
          ::umask(022);
          c.fault();
          SignallingUi ui;
          if (c.signal != 0) {
            // Not ignored, as in a terminal session, whatever ran the tests.
            struct sigaction now {};
            ::sigaction(c.signal, nullptr, &now);
            if (now.sa_handler == SIG_IGN) ::signal(c.signal, SIG_DFL);
            ui.signal = c.signal;
            ui.directory = d.path() / "out";
            struct stat old {};
            ::stat((d / "out/dromout.txt").c_str(), &old);
            ui.old = old.st_ino;
          }
          RunWrite(state, d / "out/run", ui);
        },
        c.unprivileged);

    std::string wanted =
        c.outcome != nullptr ? c.outcome : "died: signal " + std::to_string(c.signal);
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
