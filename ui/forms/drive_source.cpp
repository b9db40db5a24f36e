#include "ui/forms/drive_source.h"

#include <cctype>

#include "files/ascii.h"
#include "files/platform.h"

namespace quillet::forms {
namespace {

bool IsLetterDrive(const Drive& drive) {
  return drive.text.size() >= 2 && drive.text[1] == ':' &&
         std::isalpha(static_cast<unsigned char>(drive.text[0]));
}

bool IsNativeSeparator(char c) {
  return c == kNativeSeparator || c == '/';
}

class SystemDriveSource : public DriveSource {
 public:
  std::vector<Drive> Drives() const override {
    std::vector<Drive> drives;
    for (const std::string& root : DriveRoots()) {
      std::string text = root;
      if (text.size() >= 2 && text[1] == ':') {
        text = std::string{AsciiLower(text[0]), ':'};
      }
      drives.push_back({text, root});
    }
    return drives;
  }
};

}  // namespace

std::shared_ptr<const DriveSource> SystemDrives() {
  return std::make_shared<SystemDriveSource>();
}

std::optional<std::size_t> FindDrive(const std::vector<Drive>& drives, const std::string& text) {
  if (text.empty()) return std::nullopt;
  // A text that begins like a drive letter ("c", "c:", "C:\DROM") selects by
  // that letter.
  const bool names_letter =
      std::isalpha(static_cast<unsigned char>(text[0])) && (text.size() == 1 || text[1] == ':');
  std::optional<std::size_t> found;
  std::size_t found_length = 0;
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const Drive& drive = drives[i];
    if (names_letter) {
      if (IsLetterDrive(drive) && AsciiLower(drive.text[0]) == AsciiLower(text[0])) return i;
      continue;
    }
    const std::string& root = drive.root;
    if (root.empty() || text.compare(0, root.size(), root) != 0) continue;
    // The root must end at a separator of the text: /mnt/usb is not in /mnt/usbkey.
    const bool whole_step = text.size() == root.size() || IsNativeSeparator(root.back()) ||
                            IsNativeSeparator(text[root.size()]);
    if (whole_step && root.size() > found_length) {
      found = i;
      found_length = root.size();
    }
  }
  return found;
}

}  // namespace quillet::forms
