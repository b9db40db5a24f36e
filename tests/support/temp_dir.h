// A fresh temporary directory for one test, removed afterwards. Optionally
// made the current directory for the test's duration (the settings file and
// a stem without directory are resolved there).
#pragma once

#include <filesystem>
#include <string>

namespace quillet::testing {

class TempDir {
 public:
  explicit TempDir(bool make_current = false);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of `name` inside the directory, as text (UTF-8 on Windows).
  std::string operator/(const std::string& name) const;

  // Writes `bytes` to `name` (relative to the directory), replacing it.
  void Write(const std::string& name, const std::string& bytes) const;
  // The bytes of `name`; fails the test when it cannot be read.
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // Names of every entry in the directory, sorted.
  std::string Listing() const;

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_current_;
};

// Bytes of a whole file, or the empty text when it cannot be read. Paths as
// the program takes them (files/platform.h).
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace quillet::testing
