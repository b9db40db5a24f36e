// Directories as the browse dialog shows them: made absolute and plain,
// listed, and their files matched against a wildcard pattern. Paths and names
// are bytes and pass through unchanged.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/platform.h"

namespace quillet {

// Whether `name` matches a wildcard `pattern` ("*" any run, "?" any one
// character). Letter case matters except where file names ignore it.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// Whether two paths may name the same file, as a write to one would change
// the other (FileSet with the system's letter-case rule).
bool SameFile(const std::string& a, const std::string& b);

// Files that a write must not reach, each with what it is, found again in
// constant time however many there are. A path meets a file of the set when
// both exist and are one file (a symbolic or hard link leads to its file),
// or when they land at one place: made absolute, without "." or ".." steps,
// links followed as far as they exist, and compared without letter case
// where the file system may ignore it there (or cannot tell).
class FileSet {
 public:
  // Asked once per directory whether names there may ignore letter case.
  using CaseRule = std::function<bool(const std::string& directory)>;

  explicit FileSet(CaseRule names_may_ignore_case = NamesMayIgnoreCase);

  // Adds `path`; a file already in the set keeps the description it had.
  void Add(const std::string& path, const std::string& what);

  // The description of the earliest added file that `path` meets; empty
  // when it meets none.
  std::optional<std::string> Find(const std::string& path) const;

 private:
  struct Keys {
    std::optional<FileIdentity> identity;
    std::string place;
  };
  struct IdentityHash {
    std::size_t operator()(const FileIdentity& id) const {
      return std::hash<std::uint64_t>()(id.file * 0x9E3779B97F4A7C15ULL ^ id.device);
    }
  };
  Keys KeysOf(const std::string& path) const;

  CaseRule names_may_ignore_case_;
  mutable std::unordered_map<std::string, bool> directories_ignoring_case_;
  std::vector<std::string> descriptions_;  // by the order of adding
  std::unordered_map<FileIdentity, std::size_t, IdentityHash> by_identity_;
  std::unordered_map<std::string, std::size_t> by_place_;
};

// A directory made absolute (against the current directory) and without "."
// or ".." steps; a root keeps its final separator, any other directory has
// none.
std::string NormalDirectory(const std::string& path);

// The process's current directory, as NormalDirectory gives it.
std::string CurrentDirectory();

// Sorted names; throw FileError when `directory` cannot be listed. Entries
// that vanish or cannot be asked about while listing are left out.
std::vector<std::string> ListSubdirectories(const std::string& directory);
std::vector<std::string> ListFiles(const std::string& directory, const std::string& pattern);

// The directories from the root of `path` down to `path` itself, and the
// last step's own name (a root's is the root itself).
std::vector<std::string> DirectoryChain(const std::string& path);
std::string LastStepName(const std::string& path);

}  // namespace quillet
