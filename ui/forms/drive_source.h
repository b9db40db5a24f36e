// Where the browse dialog takes its drives from: the machine's, or a test's.
#pragma once

#include <memory>
#include <vector>

#include "files/platform.h"

namespace quillet::forms {

class DriveSource {
 public:
  virtual ~DriveSource() = default;
  virtual std::vector<Drive> Drives() const = 0;
};

// The machine's drives (SystemDriveList), asked afresh each time.
std::shared_ptr<const DriveSource> SystemDrives();

}  // namespace quillet::forms
