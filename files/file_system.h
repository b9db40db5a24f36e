// The few questions about the file system that the program asks, and the
// safe replacement of a file. Everything platform-specific lives behind here.
#pragma once

#include <cstddef>
#include <string>

namespace quillet {

// True when a file (not a directory) of that name exists. A name without a
// directory is looked for in the current directory.
bool FileExists(const std::string& path);

// A new version of a file, written beside it under a temporary name and put in
// place only by Commit(). Until then the target keeps its earlier content; a
// replacement that is dropped or fails leaves no temporary file behind. A
// target that is not a regular file (a device, a named pipe) is written in
// place instead.
class ReplacementFile {
 public:
  // Refuses (FileError) a target that is a directory, an existing file that
  // cannot be written (read-only), or a directory that cannot take a new file.
  explicit ReplacementFile(const std::string& target);
  ~ReplacementFile();  // Discards an uncommitted replacement.
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Throws FileError when the bytes cannot be written (a full disk, say).
  void Write(const char* data, std::size_t size);

  // Flushes the bytes to disk and puts the file in place, keeping an earlier
  // file's permissions. Throws FileError, after discarding, on failure.
  void Commit();

  const std::string& target() const { return target_; }

 private:
  void Discard() noexcept;

  std::string target_;     // the path as given, for messages
  std::string real_path_;  // where the file lands (a link's destination)
  std::string temp_path_;
  int fd_ = -1;
  unsigned mode_ = 0;
};

}  // namespace quillet
