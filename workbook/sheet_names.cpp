#include "workbook/sheet_names.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "files/platform.h"
#include "workbook/workbook_text.h"

namespace quillet {
namespace {

constexpr std::size_t kMostSheetNameLength = 31;

// At most `units` UTF-16 units of the UTF-8 text `name`, never half a
// character.
std::string Shortened(const std::string& name, std::size_t units) {
  std::size_t end = 0;
  std::size_t used = 0;
  while (end < name.size()) {
    std::size_t next = end + 1;
    while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80) ++next;
    used += WorkbookTextLength(std::string_view(name).substr(end, next - end));
    if (used > units) break;
    end = next;
  }
  return name.substr(0, end);
}

// `name` cut to `units` and then made acceptable: the spreadsheet programs
// refuse an apostrophe at either end, wherever the cut left it.
std::string Fitted(const std::string& name, std::size_t units) {
  std::string fitted = Shortened(name, units);
  if (!fitted.empty() && fitted.front() == '\'') fitted.front() = '_';
  if (!fitted.empty() && fitted.back() == '\'') fitted.back() = '_';
  return fitted;
}

// The title with the characters a sheet name may not hold replaced, or its
// position's name when it has none.
std::string Cleaned(const std::string& title, std::size_t position) {
  std::string name;
  AppendWorkbookUtf8(name, title);
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("[]:*?/\\").find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  if (name.empty()) name = "Sheet" + std::to_string(position + 1);
  if (FoldedCase(name) == "history") name += '_';  // kept by the programs for themselves
  return name;
}

}  // namespace

std::vector<std::string> WorksheetNames(const std::vector<std::string>& titles) {
  std::vector<std::string> names;
  std::unordered_set<std::string> taken;  // folded
  // The number each cleaned name tries next, so that many equal titles take
  // their numbers in turn instead of trying every number again.
  std::unordered_map<std::string, int> next_number;
  for (std::size_t i = 0; i < titles.size(); ++i) {
    const std::string name = Cleaned(titles[i], i);
    std::string unique = Fitted(name, kMostSheetNameLength);
    if (!taken.insert(FoldedCase(unique)).second) {
      int& number = next_number.try_emplace(FoldedCase(name), 2).first->second;
      do {
        const std::string suffix = " (" + std::to_string(number++) + ")";
        unique = Fitted(name, kMostSheetNameLength - suffix.size()) + suffix;
      } while (!taken.insert(FoldedCase(unique)).second);
    }
    names.push_back(std::move(unique));
  }
  return names;
}

}  // namespace quillet
