// The few questions about the file system that the program asks, and the
// safe replacement of a file. Everything platform-specific lives behind here.
#pragma once

#include <cstddef>
#include <string>

namespace quillet {

// True when a file (not a directory) of that name exists. A name without a
// directory is looked for in the current directory.
bool FileExists(const std::string& path);

// A new version of a file. Where it can, it is written beside the target
// under a temporary name and put in place only by Commit(): until then the
// target keeps its earlier content, and a replacement that is dropped or
// fails leaves no temporary file behind. Where a new file could not be all
// that the old one was, the target is written in place, as a plain open and
// write would do: its old bytes stay until the first Write, which empties it,
// so a failure after that leaves part of the new content.
class ReplacementFile {
 public:
  // Decides, once, how the target is written. In place: a device or named
  // pipe; a file with more than one hard link; a file whose owner or group
  // the new file cannot be given; a file in a directory that cannot take a
  // new file. Replaced by rename otherwise, keeping the owner, group and (as
  // far as the file system allows) the mode. A symbolic link is followed, so
  // the link stays, and a missing file it names is created.
  // Refuses (FileError) a target that is a directory, an existing file that
  // cannot be written (read-only), a new file in a directory that cannot take
  // one, or a loop of links.
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

 private:
  void Discard() noexcept;

  std::string target_;     // the path as given, for messages
  std::string real_path_;  // where the file lands (a link's destination)
  std::string temp_path_;  // the new file beside it; empty when written in place
  int fd_ = -1;
  bool regular_file_ = true;  // false for a device or pipe: nothing to flush to disk
  bool empty_first_ = false;  // in place, old bytes still there: emptied by the first Write
};

}  // namespace quillet
