// Path text: separators, the parts of a stem, joining a directory and a name,
// and which drive a path lies on. Pure text work, the same on every system
// except for the separator the program writes (kNativeSeparator). Paths and
// names are bytes and pass through unchanged.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

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

// The drive that `text` selects. A text that begins with a letter and a
// colon selects the drive of that letter, whatever its case (c:\ and C:\DROM
// both select c:); any other text the drive with the longest root that
// begins it. Empty when the text selects none (a relative path, say).
std::optional<std::size_t> FindDrive(const std::vector<Drive>& drives, const std::string& text);

}  // namespace quillet
