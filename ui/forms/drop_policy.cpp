#include "ui/forms/drop_policy.h"

#include "files/paths.h"
#include "files/platform.h"
#include "ui/forms/dialog_paths.h"
#include "ui/forms/directories.h"

namespace quillet::forms {

std::optional<std::string> StemOfDrag(const Drag& drag) {
  if (!drag.can_copy || drag.items.size() != 1 || !drag.items.front()) return std::nullopt;
  const std::string& path = *drag.items.front();
  const std::string name = FileNamePart(path);
  if (!MatchesPattern(name, "*.out") && !MatchesPattern(name, "*.ind")) return std::nullopt;
  if (!FileExists(path)) return std::nullopt;  // nor a directory
  return JoinStem(NormalDirectory(DirectoryWithSeparator(path)), NameBeforeFirstDot(name));
}

}  // namespace quillet::forms
