#include "workbook/worksheet_xml.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

#include "files/utf8.h"
#include "workbook/workbook_text.h"

namespace quillet {
namespace {

constexpr const char* kSheetHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
// The header row stays in view when the rows are scrolled.
constexpr const char* kSheetViews =
    "<sheetViews><sheetView workbookViewId=\"0\">"
    "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
    "<selection pane=\"bottomLeft\" activeCell=\"A2\" sqref=\"A2\"/>"
    "</sheetView></sheetViews>";
constexpr const char* kSheetEnd = "</sheetData></worksheet>";

// The most markup a cell and a row add to their text and reference:
// <c r="XFD1048576" t="inlineStr"><is><t xml:space="preserve"></t></is></c>
// and <row r="1048576"></row>.
constexpr std::uint64_t kMostCellMarkup = 80;
constexpr std::uint64_t kMostRowMarkup = 32;

// Column widths, in characters of the default font: wide enough for the
// longest name or value of the first rows, within reason. A number in the
// general format is shown rounded to what fits, so it needs fewer.
constexpr std::int64_t kRowsForWidths = 100;
constexpr std::size_t kNarrowest = 8;
constexpr std::size_t kWidestText = 50;
constexpr std::size_t kWidestNumber = 20;

bool IsXmlBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void AppendDecimal(std::string& out, std::int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

// Begins a cell: "<c r="B7"".
void AppendCellStart(std::string& out, std::string_view letters, std::string_view row) {
  out += "<c r=\"";
  out += letters;
  out += row;
  out += '"';
}

// A text longer than this is escaped a slice at a time (its XML can be
// seven times its size), each slice handed on at once.
constexpr std::size_t kLongText = std::size_t{1} << 15;

// Where a slice of the UTF-8 text `utf8` may end, at or after `least`, so
// that the slices escape as the whole does: before an ASCII byte (a
// character's start), and not within the 6 bytes after an "_" (which the
// escaping looks ahead at).
std::size_t SliceEnd(std::string_view utf8, std::size_t least) {
  std::size_t last_underscore = std::string_view::npos;
  for (std::size_t end = least > 6 ? least - 6 : 0; end < utf8.size(); ++end) {
    if (end >= least && static_cast<unsigned char>(utf8[end]) < 0x80 &&
        (last_underscore == std::string_view::npos || end - last_underscore > 6)) {
      return end;
    }
    if (utf8[end] == '_') last_underscore = end;
  }
  return utf8.size();
}

// The cell's text escaped into `out`; a long text a slice at a time, `out`
// handed to `sink` (and emptied) after each, when there is a sink.
void AppendCellText(std::string& out, std::string_view text, const WorksheetXml::Sink* sink) {
  if (sink == nullptr || text.size() <= kLongText) {
    AppendWorkbookText(out, text);
    return;
  }
  std::string converted;  // only text that is not UTF-8 is converted whole first
  std::string_view utf8 = text;
  if (!IsValidUtf8(text)) {
    AppendWorkbookUtf8(converted, text);
    utf8 = converted;
  }
  while (!utf8.empty()) {
    const std::size_t end = SliceEnd(utf8, kLongText);
    AppendWorkbookText(out, utf8.substr(0, end));
    utf8.remove_prefix(end);
    (*sink)(out);
    out.clear();
  }
}

void AppendTextCell(std::string& out, std::string_view letters, std::string_view row,
                    std::string_view text, const WorksheetXml::Sink* sink = nullptr) {
  AppendCellStart(out, letters, row);
  out += " t=\"inlineStr\"><is><t";
  // An XML reader may drop blanks at either end of an element's text.
  if (IsXmlBlank(text.front()) || IsXmlBlank(text.back())) out += " xml:space=\"preserve\"";
  out += '>';
  AppendCellText(out, text, sink);
  out += "</t></is></c>";
}

std::size_t ShownWidth(std::string_view cell) {
  if (IsWorkbookNumber(cell)) return std::min(cell.size(), kWidestNumber);
  return std::min(WorkbookTextLength(cell), kWidestText);
}

// "<col min="2" max="2" width="10" customWidth="1"/>" for a column from 0.
void AppendColumnWidth(std::string& out, std::int64_t column, std::size_t characters) {
  out += "<col min=\"";
  AppendDecimal(out, column + 1);
  out += "\" max=\"";
  AppendDecimal(out, column + 1);
  out += "\" width=\"";
  AppendDecimal(out, static_cast<std::int64_t>(std::max(characters, kNarrowest) + 2));
  out += "\" customWidth=\"1\"/>";
}

}  // namespace

std::string ColumnLetters(std::int64_t column) {
  std::string letters;
  for (std::int64_t rest = column + 1; rest > 0; rest = (rest - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (rest - 1) % 26));
  }
  return letters;
}

WorksheetXml::WorksheetXml(const SampleTable& table, std::int64_t last_row)
    : table_(table), last_row_(last_row), last_column_(table.created() ? table.LastColumn() : -1) {
  cell_columns_.reserve(static_cast<std::size_t>(last_column_ + 1));
  for (std::int64_t column = 0; column <= last_column_; ++column) {
    const std::string letters = ColumnLetters(column + 1);
    Letters& added = cell_columns_.emplace_back();
    std::copy(letters.begin(), letters.end(), added.bytes.begin());
    added.size = static_cast<std::uint8_t>(letters.size());
  }
}

std::string WorksheetXml::Head() const {
  std::string xml = kSheetHead;
  xml += "<dimension ref=\"A1:";
  xml += ColumnLetters(last_column_ + 1);
  AppendDecimal(xml, last_row_ + 1);
  xml += "\"/>";
  xml += kSheetViews;
  xml += "<cols>";
  std::string row_digits;
  AppendDecimal(row_digits, last_row_);
  AppendColumnWidth(xml, 0, std::max(row_digits.size(), std::string_view("Iteration").size()));
  const std::int64_t sampled_rows = std::min(last_row_, kRowsForWidths);
  for (std::int64_t column = 0; column <= last_column_; ++column) {
    std::size_t widest = ShownWidth(table_.Get(0, column));
    for (std::int64_t row = 1; row <= sampled_rows; ++row) {
      widest = std::max(widest, ShownWidth(table_.Get(row, column)));
    }
    AppendColumnWidth(xml, column + 1, widest);
  }
  xml += "</cols><sheetData>";
  return xml;
}

void WorksheetXml::AppendHeader(std::string& out) const {
  out += "<row r=\"1\">";
  AppendTextCell(out, "A", "1", "Iteration");
  for (std::int64_t column = 0; column <= last_column_; ++column) {
    const std::string_view name = table_.Get(0, column);
    // A name is text, even one that looks like a number.
    if (!name.empty()) AppendTextCell(out, cell_columns_[column].view(), "1", name);
  }
  out += "</row>";
}

namespace {

// A number as text, in a buffer of its own.
class Digits {
 public:
  explicit Digits(std::int64_t value)
      : size_(std::to_chars(digits_, digits_ + sizeof digits_, value).ptr - digits_) {}
  std::string_view view() const { return {digits_, size_}; }

 private:
  char digits_[24] = {};
  std::size_t size_;
};

}  // namespace

void WorksheetXml::AppendRow(std::string& out, std::int64_t row, const Sink* sink) const {
  if (row == 0) {
    AppendHeader(out);
  } else {
    AppendRows(out, row, row + 1, sink);
  }
}

void WorksheetXml::AppendRows(std::string& out, std::int64_t first, std::int64_t end,
                              const Sink* sink, std::vector<RepeatHint>* hints,
                              std::size_t spill_size) const {
  // The rows as they are walked, gathered a few at a time.
  std::optional<RowBlock> rows;
  if (last_column_ >= 0 && first < end) rows.emplace(table_);
  RepeatMarks marks{hints};
  for (std::int64_t row = first; row < end; ++row) {
    AppendDataRow(out, row, rows ? &*rows : nullptr, sink, marks);
    if (sink != nullptr && out.size() >= spill_size) {
      (*sink)(out);
      out.clear();
    }
  }
}

void WorksheetXml::RepeatMarks::Cell(std::size_t digits_at, std::size_t end) {
  if (pending_end != 0) Add(pending_end, number_end);
  Add(digits_at, digits);
  pending_end = end;
}

void WorksheetXml::RepeatMarks::TextCell() {
  if (pending_end != 0) Add(pending_end, number_end);
  pending_end = 0;
}

// The row's end repeats the last row's end, and failing that, the end of
// the cell before.
void WorksheetXml::RepeatMarks::RowEnd() {
  if (pending_end == 0) return;
  Add(pending_end, row_end);
  Add(pending_end, number_end);
  pending_end = 0;
}

namespace {

// Copies `text` to `at`, returning where it ends.
char* Put(char* at, std::string_view text) {
  std::memcpy(at, text.data(), text.size());
  return at + text.size();
}

// Copies `text` (at most 8 bytes, in room of 8: a column's letters or a row's
// digits) to `at`, 8 bytes at once, returning where it ends: the bytes past
// it are written over next, and a row's room ends in kSlack spare bytes.
char* PutShort(char* at, std::string_view text) {
  if (text.size() > 8) return Put(at, text);
  std::memcpy(at, text.data(), 8);
  return at + text.size();
}

// The markup of a number cell besides its reference and number: <c r=""><v></v></c>.
constexpr std::size_t kNumberCellMarkup = 19;
constexpr std::string_view kNumberEnd = "</v></c>";
// Room left at the end of a row, for the 16 bytes that CopyWorkbookNumber
// may write from any cell's start.
constexpr std::size_t kSlack = 16;

}  // namespace

void WorksheetXml::AppendDataRow(std::string& out, std::int64_t row, RowBlock* rows,
                                 const Sink* sink, RepeatMarks& marks) const {
  const Digits number(row);
  const Digits sheet_row_digits(row + 1);  // below the header row
  const std::string_view sheet_row = sheet_row_digits.view();
  const std::span<const std::string_view> cells =
      rows != nullptr ? rows->Row(row) : std::span<const std::string_view>();
  // Written in place, in room made for the row as if each cell were a
  // number, with some to spare; a text cell is appended as text is, and room
  // made again after it.
  const auto cell_room = [&](std::size_t column) {
    return cells[column].size() + kNumberCellMarkup + cell_columns_[column].size + sheet_row.size();
  };
  std::size_t room = kSlack + std::string_view("<row r=\"\"></row>").size() + sheet_row.size() +
                     kNumberCellMarkup + 1 + sheet_row.size() + number.view().size();
  for (std::size_t column = 0; column < cells.size(); ++column) {
    if (!cells[column].empty()) room += cell_room(column);
  }
  std::size_t used = out.size();
  out.resize(used + room);
  // Two hints a cell, and the row's end: room made once for the row (and
  // as much again, as the vector itself would grow).
  if (marks.hints != nullptr) {
    const std::size_t hints = marks.hints->size() + 2 * cells.size() + 4;
    if (marks.hints->capacity() < hints) marks.hints->reserve(2 * hints);
  }
  char* at = out.data() + used;
  const auto offset = [&](const char* place) {
    return static_cast<std::size_t>(place - out.data());
  };
  at = Put(at, "<row r=\"");
  const char* const row_digits = at;
  at = Put(at, sheet_row);
  at = Put(at, "\">");
  at = Put(at, "<c r=\"A");
  const char* const number_digits = at;
  at = Put(at, sheet_row);
  at = Put(at, "\"><v>");
  at = Put(at, number.view());
  if (marks.hints != nullptr) {
    // The row's number cell repeats the digits of its row tag just before.
    marks.digits = offset(row_digits);
    marks.Cell(offset(number_digits), offset(at));
  }
  at = Put(at, kNumberEnd);
  room -= static_cast<std::size_t>(at - (out.data() + used));
  for (std::size_t column = 0; column < cells.size(); ++column) {
    const std::string_view cell = cells[column];
    if (cell.empty()) continue;
    // The cell's bytes copied where a number's go, and told a number on the
    // way (the room's spare bytes take what the copy writes past them).
    char* const begin = at;
    at = Put(at, "<c r=\"");
    at = PutShort(at, cell_columns_[column].view());
    const char* const digits = at;
    at = PutShort(at, sheet_row);
    at = Put(at, "\"><v>");
    if (CopyWorkbookNumber(cell, at)) {
      at += cell.size();
      if (marks.hints != nullptr) marks.Cell(offset(digits), offset(at));
      at = Put(at, kNumberEnd);
      room -= static_cast<std::size_t>(at - begin);
      continue;
    }
    at = begin;
    room -= cell_room(column);
    out.resize(static_cast<std::size_t>(at - out.data()));
    if (marks.hints != nullptr) marks.TextCell();
    AppendTextCell(out, cell_columns_[column].view(), sheet_row, cell, sink);
    used = out.size();
    out.resize(used + room);
    at = out.data() + used;
  }
  if (marks.hints != nullptr) marks.RowEnd();
  at = Put(at, "</row>");
  out.resize(static_cast<std::size_t>(at - out.data()));
}

std::string_view WorksheetXml::Tail() {
  return kSheetEnd;
}

std::uint64_t WorksheetXml::MostBytes() const {
  std::uint64_t bytes = Head().size() + Tail().size();
  const auto columns = static_cast<std::uint64_t>(last_column_ + 2);
  const auto rows = static_cast<std::uint64_t>(last_row_ + 1);
  // Every cell's bytes at their most, from what the table stored, without a
  // walk over the cells.
  bytes += rows * (kMostRowMarkup + columns * kMostCellMarkup);
  return bytes + MostWorkbookTextBytes(table_.StoredBytes()) +
         MostWorkbookTextBytes(std::string_view("Iteration").size());
}

std::uint64_t WorksheetXml::ExactBytes() const {
  std::uint64_t bytes = Head().size() + Tail().size();
  std::string row_xml;
  const Sink count = [&](std::string_view piece) { bytes += piece.size(); };
  AppendRow(row_xml, 0, &count);
  AppendRows(row_xml, 1, last_row_ + 1, &count, nullptr, 0);
  return bytes + row_xml.size();
}

}  // namespace quillet
