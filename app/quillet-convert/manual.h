// The converter's manual: what --help prints, kept as one text of its own so
// that the same words can also be made into the manual page.
#pragma once

namespace quillet::convert {

// The whole manual, in the layout of a manual page, ending in a line break.
extern const char* const kManual;

}  // namespace quillet::convert
