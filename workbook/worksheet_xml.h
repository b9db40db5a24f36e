// The XML of the worksheet that holds one table: the header row ("Iteration"
// and the names, as text) and rows 1..R (the row number, then each cell a
// number when its bytes are a plain decimal number and text as read
// otherwise). Every cell carries its reference ("B2") and an empty cell is
// left out, as spreadsheet programs expect; the sheet states its size, keeps
// the header row in view and gives each column a width that shows its name
// and values.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/row_block.h"
#include "core/sample_table.h"
#include "workbook/hinted_deflate.h"

namespace quillet {

// The letters of a worksheet column from 0: "A", ..., "Z", "AA", ...
std::string ColumnLetters(std::int64_t column);

class WorksheetXml {
 public:
  // The table's rows 0..last_row and columns 0..LastColumn(), which become
  // the worksheet's columns B onwards after the "Iteration" column A.
  WorksheetXml(const SampleTable& table, std::int64_t last_row);

  // What comes before the rows: the declaration, the sheet's size, view and
  // column widths.
  std::string Head() const;

  // Where the XML goes, a piece at a time.
  using Sink = std::function<void(std::string_view)>;

  // Appends row `row` of the table: 0 the header row, then the data rows.
  // Given a sink, a long text cell hands `out` to it (and empties it) a slice
  // at a time, so that its XML, up to seven times its size, is never whole.
  void AppendRow(std::string& out, std::int64_t row, const Sink* sink = nullptr) const;

  // Appends the data rows first..end-1 (first at least 1), as AppendRow does;
  // given a sink, also hands `out` to it (and empties it) whenever it has
  // grown past `spill_size`. Given `hints`, adds where the rows' XML repeats
  // itself, at offsets into `out`: what a sink takes, it takes with the hints
  // made so far, and empties them. Several threads may append rows at once.
  void AppendRows(std::string& out, std::int64_t first, std::int64_t end,
                  const Sink* sink = nullptr, std::vector<RepeatHint>* hints = nullptr,
                  std::size_t spill_size = std::size_t{1} << 20) const;

  // What follows the rows.
  static std::string_view Tail();

  // At least as many bytes as the whole sheet takes, found without building
  // its XML: enough to tell that a worksheet certainly fits a size.
  std::uint64_t MostBytes() const;

  // Exactly the bytes the whole sheet takes, found by building its XML once
  // without keeping it.
  std::uint64_t ExactBytes() const;

 private:
  // Where the last rows' markup stands, which the next cells repeat: a
  // number cell's row digits and the end of its number lie as far from
  // those of the number cell before as that cell is long, and a row's end
  // as far from the last row's end as that row is long. Offsets into the
  // XML; 0 for none yet.
  struct RepeatMarks {
    std::vector<RepeatHint>* hints = nullptr;
    std::size_t digits = 0;
    std::size_t number_end = 0;   // the last one given a hint
    std::size_t pending_end = 0;  // the last cell's, given a hint once it is followed
    std::size_t row_end = 0;
    // A hint at `at` to look back to `last`, if there is a `last`; `at`
    // becomes the last. Marks left from XML already handed on give hints
    // that find no bytes to agree with, and only cost a look.
    void Add(std::size_t at, std::size_t& last) {
      if (last != 0 && at > last && at <= kMostHintedBytes) {
        hints->push_back({static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(at - last)});
      }
      last = at;
    }
    // A number cell's places: its row digits and the end of its number.
    void Cell(std::size_t digits_at, std::size_t end);
    // A text cell follows: the last number cell's end is given its hint
    // now, before the text, which may be handed on a slice at a time.
    void TextCell();
    // The end of a row, after its last cell.
    void RowEnd();
  };

  void AppendHeader(std::string& out) const;
  void AppendDataRow(std::string& out, std::int64_t row, RowBlock* rows, const Sink* sink,
                     RepeatMarks& marks) const;

  const SampleTable& table_;
  std::int64_t last_row_;
  std::int64_t last_column_;  // of the table: -1 when it has none
  // A column's letters ("XFD" at most), in room for 8 bytes, which the rows
  // copy at once.
  struct Letters {
    std::array<char, 8> bytes{};
    std::uint8_t size = 0;
    std::string_view view() const { return {bytes.data(), size}; }
  };
  std::vector<Letters> cell_columns_;  // the worksheet letters of each table column
};

}  // namespace quillet
