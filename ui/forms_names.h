// The names the window widgets take from the forms.
#pragma once

#include "ui/forms/desktop.h"
#include "ui/forms/dialog_paths.h"
#include "ui/forms/drive_source.h"
#include "ui/forms/twips.h"

namespace quillet::ui {
using forms::ActiveBorderColour;
using forms::Box;
using forms::DirectoryOfStem;
using forms::DriveSource;
using forms::DriveTextOfStem;
using forms::Rgb;
using forms::SystemDrives;
using forms::TwipsToPixels;
inline std::string BaseName(const std::string& name) {
  return forms::NameBeforeFirstDot(name);
}
}  // namespace quillet::ui
