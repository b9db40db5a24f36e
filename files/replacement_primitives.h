// The small operations that ReplacementFile is made of, one implementation
// per system: replacement_posix.cpp and replacement_win32.cpp. None of them
// decides anything: which of them runs, and in what order, is decided once, in
// replacement_file.cpp. A descriptor here is a C runtime descriptor (on
// Windows over the system's handle). Internal to files/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/errors.h"

namespace quillet::replacement {

// A failed operation: the kind of failure the decision tells apart, and the
// reason a message gives (the C library's words, or on Windows the system's
// where the C library has none).
struct Fault {
  enum Kind { kNone, kClash, kNoPermission, kUnsupported, kOther };
  Kind kind = kNone;
  std::string reason;
  explicit operator bool() const { return kind != kNone; }
};

// Where a write to `path` lands, its symbolic links followed; `descriptor`
// (when given) gets the open descriptor that the name stands for
// ("/dev/stdout", "/dev/fd/N"), -1 for any other name (always on Windows).
// Throws FileError for a link that cannot be followed.
std::string FollowLinks(const std::string& path, int* descriptor);

// What the target is now, as far as the decision asks.
struct OldFile {
  OldFile() = default;
  OldFile(const OldFile&) = delete;
  OldFile& operator=(const OldFile&) = delete;
  ~OldFile();  // Closes `held`.

  bool exists = false;
  bool directory = false;
  Fault write_refused;     // why the file itself may not be written, if it may not
  bool read_only = false;  // no write permission bit, or Windows' read-only attribute
  bool regular = true;     // false for a device, a pipe or a socket
  bool more_than_one_link = false;
  // What a new file takes over: owner, group and mode (POSIX), attributes
  // (Windows).
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  std::uint32_t mode = 0;
  std::uint32_t attributes = 0;
  void* held = nullptr;  // Windows: the target, opened for writing while asked
};
// A directory or a read-only file is not opened to be asked.
void Examine(const std::string& path, OldFile& old);

// The name a new file beside `path` starts with (its directory and a
// separator) and the file name of `path`.
struct NameParts {
  std::string directory;
  std::string name;
};
NameParts SplitName(const std::string& path);
// The first `units` units of a file name as the system counts them (bytes;
// on Windows UTF-16 units).
std::string NameHead(const std::string& name, std::size_t units);
// The longest path the system takes; none on Windows.
std::size_t LongestPath();

// A new file in the directory of `beside` that has no name yet; -1 with the
// fault (kUnsupported where the system or file system has no such files).
int CreateUnnamed(const std::string& beside, Fault& fault);
// A new, empty file of that name, with the permissions any new file gets
// there; -1 with the fault (kClash when the name is taken). On Windows it is
// hidden and deleted when its handle closes, until KeepNewFile.
int CreateExclusive(const std::string& path, Fault& fault);
// Gives an unnamed file `name` (kClash when the name is taken).
Fault NameUnnamed(int fd, const std::string& name);
// Gives the new file what the old one has; false when it cannot have all of
// it. On Windows the attributes are given by KeepNewFile.
bool CarryMetadata(int fd, const OldFile& old, const std::string& old_path);
// The new file stays when its handle closes, with the old file's attributes
// (Windows); nothing elsewhere.
Fault KeepNewFile(int fd, std::uint32_t attributes);

// A descriptor of its own on the open descriptor `descriptor`, refused when
// that one is not open for writing; -1 with the fault.
int WriteThrough(int descriptor, Fault& fault);
// The target itself, for writing from its first byte without emptying it;
// -1 with the fault. On Windows it takes over `old.held`.
int OpenInPlace(const std::string& path, OldFile& old, Fault& fault);

Fault Truncate(int fd);
Fault WriteAll(int fd, const char* data, std::size_t size);
Fault Flush(int fd);  // to disk
// Asks the system to begin writing `size` bytes from `offset` to disk now,
// without waiting for them, so that the Flush at the end waits for the last
// ones only; where the system has no such request, nothing.
void StartWritingOut(int fd, std::uint64_t offset, std::uint64_t size);
Fault Close(int fd);  // the descriptor is released even when it fails
// One step that puts `from` in the place of `to`, or leaves both as they were.
Fault RenameOver(const std::string& from, const std::string& to);
// Makes a rename in the directory of `path` last where the system can; a
// failure is no failure of the Write.
void SyncDirectoryOf(const std::string& path);
void Remove(const std::string& path);

}  // namespace quillet::replacement
