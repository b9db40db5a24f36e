// Window geometry is laid out in twips (1/1440 inch) and turned into pixels
// through the logical resolution of the screen the window is on.
#pragma once

namespace quillet::forms {

inline constexpr int kTwipsPerInch = 1440;

// A rectangle in twips or pixels: left, top, width, height.
struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  friend bool operator==(const Box&, const Box&) = default;
};

// Twips to pixels at `dots_per_inch`, rounded to the nearest pixel.
int TwipsToPixels(int twips, double dots_per_inch);

// Each edge converted on its own axis: horizontal values with `dpi_x`,
// vertical ones with `dpi_y`.
Box TwipsToPixels(const Box& twips, double dpi_x, double dpi_y);

}  // namespace quillet::forms
