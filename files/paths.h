// Path text: separators, the parts of a stem, joining a directory and a
// name. Pure text work, the same on every system except for the separator
// the program writes (kNativeSeparator). Paths and names are bytes and pass
// through unchanged.
#pragma once

#include <string>

#include "files/platform.h"

namespace quillet {

// Where a path is read, both "\" and "/" separate directories.
bool IsSeparator(char c);

// The path up to and including its last separator, or the empty text when it
// has none.
std::string DirectoryWithSeparator(const std::string& path);

// The file name: the path after its last separator (all of it without one).
std::string FileNamePart(const std::string& path);

// The path without the last extension of its file name: up to the last "."
// after the last separator, unless that dot begins the name ("runs.v2/chain"
// and "runs/.hidden" keep everything, "run.1.out" gives "run.1").
std::string WithoutLastExtension(const std::string& path);

// The stem for `base` in `directory`: exactly one separator between them,
// none added when the directory already ends in one (a root).
std::string JoinStem(const std::string& directory, const std::string& base);

}  // namespace quillet
