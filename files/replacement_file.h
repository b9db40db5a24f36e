// A new version of a file, replaced safely where it can be. The decision of
// how a target is written, and the hidden names of new files, are made here
// once (replacement_file.cpp), over the small operations each system offers
// (replacement_primitives.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet {

// A new version of a file. Where it can, it is written beside the target
// and put in place only by Commit(): until then the target keeps its earlier
// content, and a replacement that is dropped or fails, or a process ended by
// a signal while writing, leaves no new file behind. Where a new file could
// not be all that the old one was, the target is written in place, as a
// plain open and write would do: its old bytes stay until the first Write,
// which empties it, so a failure after that leaves part of the new content.
class ReplacementFile {
 public:
  // Decides, once, how the target is written.
  // Through the descriptor already open: "/dev/stdout", "/dev/stderr",
  // "/dev/fd/N" and "/proc/self/fd/N" (POSIX), or a link to one, are written
  // from where that descriptor stands, as standard output is, so that a
  // shell's redirection (> file, >> file, >(command)) keeps what it holds.
  // In place: a device or named pipe; a file with more than one hard link; a
  // file whose owner or group (POSIX), access list or extended attributes
  // the new file cannot be given; a file in a directory where the new file
  // may not be made for want of permission.
  // Replaced by rename otherwise, keeping the owner, group, access list,
  // extended attributes and (as far as the file system allows) the mode; on
  // Windows the file attributes. On Linux the new file has no name until it
  // is complete; on Windows it is hidden and deleted when its handle closes
  // until it is complete, so Ctrl-C or a closed console leaves nothing;
  // elsewhere its hidden name is removed on SIGINT, SIGTERM, SIGHUP and
  // SIGPIPE before the signal takes its course. A symbolic link is
  // followed, so the link stays, and a missing file it names is created (on
  // Windows such a link is refused). SIGXFSZ is ignored from the first
  // replacement on, so that a file-size limit fails the Write like a full
  // disk instead of killing the process.
  // Refuses (FileError) a target that is a directory, an existing file that
  // cannot be written (read-only, on a read-only file system, or on Windows
  // open elsewhere without sharing), a new file in a directory that cannot
  // take one, a descriptor not open for writing, a loop of links, and any
  // other failure to make the new file (no space, no free inode, a quota, a
  // name too long): the target is then untouched.
  explicit ReplacementFile(const std::string& target);
  ~ReplacementFile();  // Discards an uncommitted replacement.
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Throws FileError when the bytes cannot be written (a full disk, say).
  void Write(const char* data, std::size_t size);

  // Flushes the bytes to disk and puts the file in place. Throws FileError,
  // after discarding, on failure.
  void Commit();

  const std::string& target() const { return target_; }

  // True while an existing file written in place still holds its old bytes:
  // the first Write will empty it.
  bool overwritesInPlace() const { return empty_first_; }

 private:
  void Discard() noexcept;
  void NameNewFile();  // gives an unnamed new file its hidden name (Linux)

  std::string target_;         // the path as given, for messages
  std::string real_path_;      // where the file lands (a link's destination)
  std::string temp_path_;      // the new file beside it; empty when written in place
  int fd_ = -1;                // a C runtime descriptor; on Windows over the system's handle
  bool regular_file_ = true;   // false for a device, pipe or descriptor: nothing to flush to disk
  bool empty_first_ = false;   // in place, old bytes still there: emptied by the first Write
  std::uint64_t written_ = 0;  // bytes written so far
  std::uint64_t written_out_ = 0;  // of those, how many the system was asked to write out
  bool unnamed_ = false;           // the new file has no name yet (Linux)
  int removal_slot_ = -1;          // the hidden name's place among those removed on a signal
  std::uint32_t attributes_ = 0;   // the old file's attributes, for the new one (Windows)
};

}  // namespace quillet
