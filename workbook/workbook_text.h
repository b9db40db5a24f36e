// How the table's byte strings become a workbook's cells: which cells are
// numbers, and the text of the others as the workbook's XML holds it.
#pragma once

#include <string>
#include <string_view>

namespace quillet {

// True when `text` is a plain decimal number as a whole (IsPlainDecimalNumber
// of core/numeric_text.h): an optional sign,
// digits, an optional point with digits (digits on at least one side of it),
// an optional exponent ("e" or "E", an optional sign, digits), and nothing
// else, not even a blank; and its value fits a double ("1e999" does not; a
// value too small for one, "1e-400", is taken as 0 and counts). Such a cell is
// written as a number, its text as it stands, so that no digit is lost or
// invented; every other cell as text ("007" and "-0" are numbers, "NaN",
// "Inf", "1,289" and "TRUE" text).
bool IsWorkbookNumber(std::string_view text);

// IsWorkbookNumber of `text`, which is also copied to `to`: up to 16 bytes
// past its end may be written there too. A short cell is read once, all its
// bytes at once, instead of byte by byte.
bool CopyWorkbookNumber(std::string_view text, char* to);

// Appends `bytes` as the UTF-8 a workbook holds: valid UTF-8 unchanged, any
// other text read as Windows-1252 (whose five unassigned bytes stand for the
// control characters of the same code). Nothing is escaped.
void AppendWorkbookUtf8(std::string& out, std::string_view bytes);

// Appends `bytes` as UTF-8 text for an XML element or attribute (in double
// quotes), converted as AppendWorkbookUtf8 does. "&", "<", ">" and '"' become entities. The
// characters XML cannot hold, and a carriage return (which an XML reader would turn into a line
// feed), become the workbook's escape "_xHHHH_" (hexadecimal UTF-16); so does an "_" that begins
// "_x" and four hexadecimal digits, whatever follows them ("_x0041_" is written "_x005F_x0041_",
// and "_x0041" before a control character "_x005F_x0041_x0001_"). Tab and line feed stay as they
// are.
void AppendWorkbookText(std::string& out, std::string_view bytes);

// The most bytes AppendWorkbookText can make of `size` bytes.
constexpr std::size_t MostWorkbookTextBytes(std::size_t size) {
  return size * 7;  // a control character: "_x001F_"
}

// How many characters `utf8` holds as a workbook counts them (UTF-16 units).
std::size_t WorkbookTextLength(std::string_view utf8);

}  // namespace quillet
