// Which files dragged onto the main window it takes. A drag of exactly one
// local "*.out" or "*.ind" file is taken, as a copy (the file stays where it
// is); every other one is refused. The drop puts the file's stem, as the
// browse dialog's Select File forms it, into the text box and starts
// nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillet::forms {

// What a drag carries, as the toolkit tells it.
struct Drag {
  // One entry per item: the local file's path as bytes, or none for an item
  // that is no local file (a remote address, say).
  std::vector<std::optional<std::string>> items;
  // Whether the source lets the file be copied; a move alone is refused, as
  // it would have the file manager take the file away.
  bool can_copy = false;
};

// The stem the drag gives, or none when it is refused.
std::optional<std::string> StemOfDrag(const Drag& drag);

}  // namespace quillet::forms
