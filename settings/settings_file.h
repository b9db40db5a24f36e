// The settings file "qltini.ini" that remembers the last path stem. It lives
// in the current directory at the moment of each call, holds the header line
// and the stem, and is the only state: nothing of it is kept in memory.
#pragma once

#include <optional>
#include <string>

namespace quillet {

inline constexpr const char* kSettingsFileName = "qltini.ini";
inline constexpr const char* kSettingsHeader = "[Path for QLT]";

// Writes the header and the stem exactly as given. Returns false when the file
// cannot be written; the stem is then simply not remembered.
bool SaveSettings(const std::string& stem);

// Empty when there is no settings file. Otherwise the remembered stem: the
// second line, or the empty text when the file has no second line or cannot
// be read.
std::optional<std::string> LoadSettings();

}  // namespace quillet
