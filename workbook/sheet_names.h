// The names of a workbook's worksheets, made from free text such as the data
// files' names, so that every spreadsheet program takes each as it is.
#pragma once

#include <string>
#include <vector>

namespace quillet {

// The worksheet names for tables called `titles` (byte strings): UTF-8 (as
// AppendWorkbookUtf8 converts), the characters a sheet name may not hold
// ([]:*?/\ and control characters) as "_", at most 31 characters, no
// apostrophe at either end (after the cut), not "History", and unique
// regardless of letter case in any script, a later duplicate taking a number
// (" (2)"). An empty title is called "Sheet" and its position. Linear in the
// number of titles.
std::vector<std::string> WorksheetNames(const std::vector<std::string>& titles);

}  // namespace quillet
