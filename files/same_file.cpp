#include "files/same_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "files/errors.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

// Where a write to `text` would land, as the writer finds it, with the rest
// of the path made absolute and plain.
fs::path WhereWritten(const std::string& text) {
  std::string destination = text;
  try {
    destination = WriteDestination(text);
  } catch (const FileError&) {
    // A link the writer refuses to follow: no file is written through it.
  }
  std::error_code error;
  fs::path path = fs::absolute(NativePath(destination), error);
  if (error) path = NativePath(destination);
  const fs::path resolved = fs::weakly_canonical(path, error);
  return error ? path.lexically_normal() : resolved;
}

}  // namespace

FileSet::FileSet(CaseRule names_may_ignore_case)
    : names_may_ignore_case_(std::move(names_may_ignore_case)) {}

FileSet::Keys FileSet::KeysOf(const std::string& path) const {
  Keys keys{IdentityOf(path), PathText(WhereWritten(path))};
  const std::string directory = PathText(NativePath(keys.place).parent_path());
  auto [known, added] = directories_ignoring_case_.try_emplace(directory, false);
  if (added) known->second = names_may_ignore_case_(directory);
  // The whole path, since the folder names on the way may fold too.
  if (known->second) keys.place = FoldedCase(keys.place);
  return keys;
}

void FileSet::Add(const std::string& path, const std::string& what) {
  const Keys keys = KeysOf(path);
  const std::size_t order = descriptions_.size();
  descriptions_.push_back(what);
  if (keys.identity) by_identity_.try_emplace(*keys.identity, order);
  by_place_.try_emplace(keys.place, order);
}

std::optional<std::string> FileSet::Find(const std::string& path) const {
  const Keys keys = KeysOf(path);
  std::size_t earliest = descriptions_.size();
  if (keys.identity) {
    if (const auto found = by_identity_.find(*keys.identity); found != by_identity_.end()) {
      earliest = found->second;
    }
  }
  if (const auto found = by_place_.find(keys.place); found != by_place_.end()) {
    earliest = std::min(earliest, found->second);
  }
  if (earliest == descriptions_.size()) return std::nullopt;
  return descriptions_[earliest];
}

}  // namespace quillet
