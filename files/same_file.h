// Whether a write to one path would change the file another path names: how
// the converter keeps its tables from overwriting its inputs.
#pragma once

#include <string>

namespace quillet {

// Whether two paths name the same file, as a write to one would change the
// other. Files that exist are compared by identity, so a symbolic link or a
// hard link names the file it leads to. A path to no file yet (or a link to
// no file yet) is compared by where it would be created: made absolute,
// without "." or ".." steps, its links followed as far as they exist, and
// with the platform's letter-case rule.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace quillet
