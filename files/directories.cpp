#include "files/directories.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "files/errors.h"
#include "files/platform.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

bool SameChar(char a, char b) {
  if (!kFileNamesIgnoreCase) return a == b;
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

[[noreturn]] void ThrowListing(const std::string& directory, const std::error_code& error) {
  throw FileError("List directory", directory, error.message());
}

// Entries of `directory` that pass `keep`, sorted by their bytes.
template <typename Keep>
std::vector<std::string> List(const std::string& directory, Keep keep) {
  std::error_code error;
  fs::directory_iterator it(NativePath(directory), error);
  if (error) ThrowListing(directory, error);
  std::vector<std::string> names;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    std::error_code ignored;  // an entry that vanished or cannot be asked about is left out
    const std::string name = PathText(it->path().filename());
    if (keep(*it, name, ignored)) names.push_back(name);
  }
  if (error) ThrowListing(directory, error);
  std::sort(names.begin(), names.end());
  return names;
}

bool Match(const char* name, const char* pattern) {
  // Iterative wildcard matching with one backtrack point for the last "*".
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || (*pattern != '\0' && SameChar(*pattern, *name))) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

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

bool SameFile(const std::string& a, const std::string& b) {
  FileSet set;
  set.Add(b, "");
  return set.Find(a).has_value();
}

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

bool MatchesPattern(const std::string& name, const std::string& pattern) {
  return Match(name.c_str(), pattern.c_str());
}

std::string NormalDirectory(const std::string& path) {
  std::error_code error;
  fs::path normal = fs::absolute(NativePath(path.empty() ? "." : path), error);
  if (error) normal = NativePath(path);
  normal = normal.lexically_normal();
  // "/tmp/x/" has an empty last step; only a root keeps its separator.
  if (normal.has_relative_path() && !normal.has_filename()) normal = normal.parent_path();
  return PathText(normal);
}

std::string CurrentDirectory() {
  std::error_code error;
  const fs::path current = fs::current_path(error);
  return NormalDirectory(error ? std::string(".") : PathText(current));
}

std::vector<std::string> ListSubdirectories(const std::string& directory) {
  return List(directory, [](const fs::directory_entry& entry, const std::string&,
                            std::error_code& error) { return entry.is_directory(error); });
}

std::vector<std::string> ListFiles(const std::string& directory, const std::string& pattern) {
  return List(directory, [&pattern](const fs::directory_entry& entry, const std::string& name,
                                    std::error_code& error) {
    return entry.is_regular_file(error) && MatchesPattern(name, pattern);
  });
}

std::vector<std::string> DirectoryChain(const std::string& path) {
  std::vector<std::string> chain;
  fs::path step = NativePath(path);
  while (true) {
    chain.insert(chain.begin(), PathText(step));
    const fs::path parent = step.parent_path();
    if (parent == step || parent.empty()) break;
    step = parent;
  }
  return chain;
}

std::string LastStepName(const std::string& path) {
  const fs::path step = NativePath(path);
  return step.has_filename() ? PathText(step.filename()) : path;
}

}  // namespace quillet
