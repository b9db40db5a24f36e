#include "settings/settings_file.h"

#include "files/errors.h"
#include "files/platform.h"
#include "files/text_reader.h"
#include "files/text_writer.h"

namespace quillet {

bool SaveSettings(const std::string& stem) {
  try {
    TextWriter file(kSettingsFileName);
    file.WriteLine(kSettingsHeader);
    file.WriteLine(stem);
    file.Close();
    return true;
  } catch (const FileError&) {
    // A settings file that cannot be written must not stop the command.
    return false;
  }
}

std::optional<std::string> LoadSettings() {
  if (!FileExists(kSettingsFileName)) return std::nullopt;
  try {
    TextReader file(kSettingsFileName);
    file.SkipLine();  // any first line is accepted
    std::string stem;
    file.ReadLine(stem);  // stays empty without a second line
    return PathFromStoredText(stem);
  } catch (const FileError&) {
    // Present but unreadable: start with the empty stem.
    return std::string();
  }
}

}  // namespace quillet
