// The XML of the worksheet that holds one table: the header row ("Iteration"
// and the names, as text) and rows 1..R (the row number, then each cell a
// number when its bytes are a plain decimal number and text as read
// otherwise). Every cell carries its reference ("B2") and an empty cell is
// left out, as spreadsheet programs expect; the sheet states its size, keeps
// the header row in view and gives each column a width that shows its name
// and values.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/sample_table.h"

namespace quillet {

// The letters of a worksheet column from 0: "A", ..., "Z", "AA", ...
std::string ColumnLetters(std::int64_t column);

class WorksheetXml {
 public:
  // The table's rows 0..last_row and columns 0..LastColumn(), which become
  // the worksheet's columns B onwards after the "Iteration" column A.
  WorksheetXml(const SampleTable& table, std::int64_t last_row);

  // At least as many bytes as Write gives, found without building the XML:
  // enough to tell that a worksheet certainly fits a size.
  std::uint64_t MostBytes() const;

  // Exactly the bytes Write gives, found by building the XML once without
  // keeping it.
  std::uint64_t ExactBytes() const;

  // Hands the XML to `sink` in pieces of a few hundred kilobytes, calling
  // `row_done` with each data row's number once the row is handed on.
  void Write(const std::function<void(std::string_view)>& sink,
             const std::function<void(std::int64_t)>& row_done) const;

 private:
  std::string Start() const;
  void AppendHeader(std::string& out) const;
  // A long text cell hands `out` to `sink`, and empties it, a slice at a time.
  void AppendRow(std::string& out, std::int64_t row,
                 const std::function<void(std::string_view)>& sink) const;

  const SampleTable& table_;
  std::int64_t last_row_;
  std::int64_t last_column_;               // of the table: -1 when it has none
  std::vector<std::string> cell_columns_;  // the worksheet letters of each table column
};

}  // namespace quillet
