// A fresh temporary directory for one test, removed afterwards. Optionally
// made the current directory for the test's duration (the settings file and
// a stem without directory are resolved there).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quillet::testing {

class TempDir {
 public:
  explicit TempDir(bool make_current = false);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of `name` inside the directory, as text.
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

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

// Whether this process holds `path` open, where the system can tell (Linux:
// /proc/self/fd); empty where it cannot.
std::optional<bool> IsOpenInThisProcess(const std::string& path);

// Bytes of a whole file, or the empty text when it cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace quillet::testing
