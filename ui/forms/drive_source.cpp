#include "ui/forms/drive_source.h"

namespace quillet::forms {
namespace {

class SystemDriveSource : public DriveSource {
 public:
  std::vector<Drive> Drives() const override { return SystemDriveList(); }
};

}  // namespace

std::shared_ptr<const DriveSource> SystemDrives() {
  return std::make_shared<SystemDriveSource>();
}

}  // namespace quillet::forms
