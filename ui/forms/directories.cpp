#include "ui/forms/directories.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "files/ascii.h"
#include "files/errors.h"
#include "files/platform.h"

namespace quillet::forms {
namespace {

namespace fs = std::filesystem;

bool SameChar(char a, char b) {
  if (!kFileNamesIgnoreCase) return a == b;
  return AsciiLower(a) == AsciiLower(b);
}

[[noreturn]] void ThrowListing(const std::string& directory, const std::error_code& error) {
  throw FileError(kCannotListDirectory, directory, error.message());
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

}  // namespace

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

}  // namespace quillet::forms
