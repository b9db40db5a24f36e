// The path text that only the browse dialog (and a drop, which forms its
// stem the same way) works with. Bytes pass through unchanged.
#pragma once

#include <string>

namespace quillet::forms {

// The name up to its first ".", not its last: "run.1.out" gives "run",
// ".out" and a name without any "." give "".
std::string NameBeforeFirstDot(const std::string& file_name);

// For the dialog's first placement: the text of the stem up to and
// including its first separator (empty when it has none), and the directory
// of the data file stem + ".out" with its separators made the native one.
std::string DriveTextOfStem(const std::string& stem);
std::string DirectoryOfStem(const std::string& stem);

}  // namespace quillet::forms
