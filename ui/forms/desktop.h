// What the forms take from the desktop they run on besides files: the one
// system colour both windows are painted with. Exactly one implementation is
// built: desktop_posix.cpp or desktop_win32.cpp.
#pragma once

#include <cstdint>

namespace quillet::forms {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The colour of an active window's border where the system has one
// (Windows); elsewhere the light neutral grey such borders traditionally had.
Rgb ActiveBorderColour();

}  // namespace quillet::forms
