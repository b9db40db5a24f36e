#include "settings/settings_file.h"

#include "files/errors.h"
#include "files/platform.h"
#include "files/text_reader.h"
#include "files/text_writer.h"
#include "files/utf8.h"

namespace quillet {
namespace {

// The stem as a path. Other programs may have written the file too: text
// that is not valid UTF-8 was written in the system's code page, as older
// programs do (on Windows; elsewhere names are bytes whatever wrote them),
// and is read from there. Valid UTF-8 passes unchanged.
std::string PathFromStoredText(const std::string& text) {
  for (std::string_view rest = text; !rest.empty();) {
    // An unpaired surrogate in its three-byte form spells a Windows name.
    const std::size_t length = DecodeUtf8At(rest, /*surrogates=*/true).length;
    if (length == 0) return Utf8FromSystemCodePage(text);
    rest.remove_prefix(length);
  }
  return text;
}

}  // namespace

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
