// The decision of how a target is written, once, over fake operations: a
// directory of named files in memory whose answers each case sets. What the
// real systems answer is the fault tests' (tests/faults/output_faults_test.cpp)
// and the platform tests'.
#include "files/replacement_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>

#include "files/errors.h"
#include "files/removal_on_signal.h"
#include "files/replacement_primitives.h"

namespace quillet {
namespace {

using replacement::Fault;

// What the fake system answers, as one case sets it.
struct System {
  bool descriptor = false;  // the target names an open descriptor
  bool exists = true;
  bool directory = false;
  std::string write_refused{};  // the reason, when the file may not be written
  bool read_only = false;
  bool regular = true;
  bool more_than_one_link = false;
  Fault::Kind unnamed = Fault::kUnsupported;  // kNone: unnamed files are made
  Fault::Kind exclusive = Fault::kNone;       // every named create fails so
  int clashes = 0;                            // names taken before one is free
  bool carried = true;
  std::size_t longest_path = 4096;
};

// The files by name ("#N" for an unnamed one) and what each descriptor is.
struct World {
  System system;
  std::map<std::string, std::string> files{};
  std::map<int, std::string> open{};
  std::map<std::string, int> on_signal{};  // names removed on a signal
  int next_fd = 3;

  int Open(const std::string& name) {
    open[next_fd] = name;
    return next_fd++;
  }
  std::string Listing() const {
    std::string listing;
    for (const auto& [name, bytes] : files) listing += name + "=" + bytes + ";";
    return listing;
  }
};
World world;

constexpr const char* kTarget = "dir/table.txt";

Fault Failed(Fault::Kind kind) {
  return kind == Fault::kNone ? Fault{} : Fault{kind, "reason " + std::to_string(kind)};
}

}  // namespace

void PrepareForWriting() {}
int RemoveOnSignal(const std::string& path) {
  world.on_signal[path] = 1;
  return 0;
}
void KeepOnSignal(int /*slot*/) {
  world.on_signal.clear();
}

namespace replacement {

std::string FollowLinks(const std::string& path, int* descriptor) {
  *descriptor = world.system.descriptor ? 1 : -1;
  return path;
}

OldFile::~OldFile() = default;

void Examine(const std::string& path, OldFile& old) {
  const System& s = world.system;
  old.exists = world.files.contains(path);
  old.directory = s.directory;
  if (!s.write_refused.empty()) old.write_refused = {Fault::kOther, s.write_refused};
  old.read_only = s.read_only;
  old.regular = s.regular;
  old.more_than_one_link = s.more_than_one_link;
}

NameParts SplitName(const std::string& path) {
  const auto slash = path.rfind('/');
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}
std::string NameHead(const std::string& name, std::size_t units) {
  return name.substr(0, units);
}
std::size_t LongestPath() {
  return world.system.longest_path;
}

int CreateUnnamed(const std::string& /*beside*/, Fault& fault) {
  if ((fault = Failed(world.system.unnamed))) return -1;
  const int fd = world.Open("#" + std::to_string(world.next_fd));
  world.files[world.open[fd]] = "";
  return fd;
}

int CreateExclusive(const std::string& path, Fault& fault) {
  if (world.system.clashes > 0) {
    --world.system.clashes;
    fault = Failed(Fault::kClash);
    return -1;
  }
  if ((fault = Failed(world.system.exclusive))) return -1;
  world.files[path] = "";
  return world.Open(path);
}

Fault NameUnnamed(int fd, const std::string& name) {
  world.files[name] = world.files[world.open[fd]];
  world.files.erase(world.open[fd]);
  world.open[fd] = name;
  return {};
}

bool CarryMetadata(int /*fd*/, const OldFile& /*old*/, const std::string& /*old_path*/) {
  return world.system.carried;
}
Fault KeepNewFile(int /*fd*/, std::uint32_t /*attributes*/) {
  return {};
}

int WriteThrough(int /*descriptor*/, Fault& /*fault*/) {
  world.files["stdout"] += "";
  return world.Open("stdout");
}
int OpenInPlace(const std::string& path, OldFile& /*old*/, Fault& /*fault*/) {
  return world.Open(path);
}

Fault Truncate(int fd) {
  world.files[world.open[fd]].clear();
  return {};
}
Fault WriteAll(int fd, const char* data, std::size_t size) {
  world.files[world.open[fd]].append(data, size);
  return {};
}
Fault Flush(int /*fd*/) {
  return {};
}
void StartWritingOut(int /*fd*/, std::uint64_t /*offset*/, std::uint64_t /*size*/) {}
Fault Close(int fd) {
  const std::string name = world.open[fd];
  world.open.erase(fd);
  if (name.starts_with("#")) world.files.erase(name);  // unnamed: gone with its descriptor
  return {};
}
Fault RenameOver(const std::string& from, const std::string& to) {
  world.files[to] = world.files[from];
  world.files.erase(from);
  return {};
}
void SyncDirectoryOf(const std::string& /*path*/) {}
void Remove(const std::string& path) {
  world.files.erase(path);
}

}  // namespace replacement

namespace {

enum class Way { kRefused, kReplaced, kInPlace, kDirect };

struct Case {
  const char* what;
  System system;
  Way way;
  std::string message = "";  // for kRefused
};

// Every branch of the decision once. After each, no descriptor stays open
// and no new file is left beside the target.
TEST(ReplacementPolicyTest, EachTargetIsWrittenTheWayItAllows) {
  const Case cases[] = {
      {"an open descriptor", {.descriptor = true}, Way::kDirect},
      {"no file yet", {.exists = false}, Way::kReplaced},
      {"no file yet, in a directory that takes none",
       {.exists = false, .exclusive = Fault::kNoPermission},
       Way::kRefused,
       "Cannot create file \"dir/table.txt\": reason 2"},
      {"a directory",
       {.directory = true, .read_only = true},
       Way::kRefused,
       "Cannot create file \"dir/table.txt\": " + std::string(std::strerror(EISDIR))},
      {"on a read-only file system, read-only itself too",
       {.write_refused = "Read-only file system", .read_only = true},
       Way::kRefused,
       "Cannot create file \"dir/table.txt\": Read-only file system"},
      {"read-only",
       {.read_only = true},
       Way::kRefused,
       "Cannot create file \"dir/table.txt\": " + std::string(std::strerror(EACCES))},
      {"a device", {.regular = false}, Way::kInPlace},
      {"more than one link", {.more_than_one_link = true}, Way::kInPlace},
      {"a directory that refuses the new file", {.exclusive = Fault::kNoPermission}, Way::kInPlace},
      {"unnamed files refused too", {.unnamed = Fault::kNoPermission}, Way::kInPlace},
      {"no room for the new file",
       {.exclusive = Fault::kOther},
       Way::kRefused,
       "Cannot create file \"dir/table.txt\": reason 4"},
      {"metadata that cannot be carried over", {.carried = false}, Way::kInPlace},
      {"a regular file", {}, Way::kReplaced},
      {"a regular file, unnamed", {.unnamed = Fault::kNone}, Way::kReplaced},
      {"names taken", {.clashes = 99}, Way::kReplaced},
      {"every name taken",
       {.clashes = 100},
       Way::kRefused,
       "Cannot create file \"dir/table.txt\": " + std::string(std::strerror(EEXIST))},
      {"no hidden name fits",
       {.longest_path = 8},
       Way::kRefused,
       "Cannot create file \"dir/table.txt\": " + std::string(std::strerror(ENAMETOOLONG))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = World{c.system};
    if (c.system.exists) world.files[kTarget] = "old";
    const std::string before = world.Listing();
    try {
      ReplacementFile file(kTarget);
      ASSERT_NE(c.way, Way::kRefused);
      EXPECT_EQ(file.overwritesInPlace(), c.way == Way::kInPlace && c.system.regular);
      file.Write("new", 3);
      const std::string written = world.Listing();
      file.Commit();
      switch (c.way) {
        case Way::kDirect:
          EXPECT_EQ(world.Listing(), before + "stdout=new;");
          break;
        case Way::kInPlace:
          EXPECT_EQ(written, c.system.regular ? "dir/table.txt=new;" : "dir/table.txt=oldnew;");
          EXPECT_EQ(world.Listing(), written);
          break;
        default:
          // The target untouched until Commit, beside a new file holding it all.
          EXPECT_NE(written.find(before), std::string::npos) << written;
          EXPECT_EQ(written.find("dir/table.txt=new;"), std::string::npos) << written;
          EXPECT_NE(written.find("=new;"), std::string::npos) << written;
          EXPECT_EQ(world.Listing(), "dir/table.txt=new;");
      }
    } catch (const FileError& error) {
      ASSERT_EQ(c.way, Way::kRefused) << error.what();
      EXPECT_EQ(error.what(), c.message);
      EXPECT_EQ(world.Listing(), before);
    }
    EXPECT_TRUE(world.open.empty());
    EXPECT_TRUE(world.on_signal.empty());
  }
}

}  // namespace
}  // namespace quillet
