// Whether a write to one path would change the file another path names: how
// the converter keeps its tables from overwriting its inputs, and each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/platform.h"

namespace quillet {

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

}  // namespace quillet
