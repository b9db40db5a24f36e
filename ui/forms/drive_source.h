// The drives the browse dialog's drive list shows: where it takes them from
// (the machine's, or a test's), and which of them a text selects.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillet::forms {

// A drive as the list shows it: its text ("c:", or "/" where there are no
// drive letters) and the root directory it stands for.
struct Drive {
  std::string text;
  std::string root;
};

class DriveSource {
 public:
  virtual ~DriveSource() = default;
  virtual std::vector<Drive> Drives() const = 0;
};

// The machine's drives (DriveRoots), asked afresh each time: a root with a
// drive letter ("C:\") shows as its letter in lower case and a colon ("c:"),
// any other root as itself.
std::shared_ptr<const DriveSource> SystemDrives();

// The drive that `text` selects. A text that begins with a letter and a
// colon selects the drive of that letter, whatever its case (c:\ and C:\DROM
// both select c:); any other text the drive with the longest root that
// begins it. Empty when the text selects none (a relative path, say).
std::optional<std::size_t> FindDrive(const std::vector<Drive>& drives, const std::string& text);

}  // namespace quillet::forms
