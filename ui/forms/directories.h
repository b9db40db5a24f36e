// Directories as the browse dialog shows them: made absolute and plain,
// listed, and their files matched against a wildcard pattern. Paths and names
// are bytes and pass through unchanged.
#pragma once

#include <string>
#include <vector>

namespace quillet::forms {

// Whether `name` matches a wildcard `pattern` ("*" any run, "?" any one
// character). Letter case matters except where file names ignore it.
bool MatchesPattern(const std::string& name, const std::string& pattern);

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

}  // namespace quillet::forms
