// The commands end the lines of a message with carriage return and line feed,
// as message boxes on Windows take them. Where a message is shown elsewhere
// (a toolkit's box, a console line) a line break is a line feed alone.
#pragma once

#include <string>

namespace quillet {

// `text` with every CR LF made a LF; a CR on its own stays.
std::string WithLineFeeds(const std::string& text);

// `text` on one line, for a report that is one line: every LF shown as "\n"
// and every CR as "\r" (a path may hold them), the other bytes as they are.
std::string OnOneLine(const std::string& text);

}  // namespace quillet
