// The table as a spreadsheet workbook (Office Open XML): one worksheet per
// table, the header row and the names as text, the row numbers as numbers,
// each cell a number when its bytes are a plain decimal number and text as
// read otherwise. The worksheets are streamed, row by row, into a deflated
// zip container, so that a table costs no memory of its own a second time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/command_outcome.h"
#include "core/conversion_state.h"
#include "core/user_interface.h"
#include "core/write_command.h"

namespace quillet {

class ZipWriter;

// What a worksheet holds at most, the header row and the "Iteration" column
// included.
inline constexpr std::int64_t kWorksheetMostRows = 1048576;
inline constexpr std::int64_t kWorksheetMostColumns = 16384;

// How the table read into `state` passes a worksheet's limits, for a message
// ("1,048,577 rows, more than the 1,048,576 a worksheet holds"); empty when it
// fits.
std::optional<std::string> WorksheetLimitsPassed(const ConversionState& state);

// The worksheet names for tables called `titles` (byte strings, such as the
// data files' names): UTF-8 (as AppendWorkbookUtf8 converts), the characters
// a sheet name may not hold ([]:*?/\ and control characters) as "_", at most
// 31 characters, and unique regardless of case, a later duplicate taking a
// number (" (2)"). An empty title is called "Sheet" and its position.
std::vector<std::string> WorksheetNames(const std::vector<std::string>& titles);

// A part of the workbook's package: its path in the zip container, its
// content type (empty for relationships and worksheets, which have theirs),
// its XML.
struct PackagePart {
  std::string path;
  std::string content_type;
  std::string xml;
};

// Worksheets that come before the tables' own: their names, every part they
// need (their worksheets are xl/worksheets/sheet1.xml and on, in order), whose
// XML may also be given later (SetFrontParts), and the style sheet of the
// whole workbook, which keeps the tables' one cell format first.
struct WorkbookFront {
  std::vector<std::string> sheet_names;
  std::vector<PackagePart> parts;
  std::string styles;
};

// A workbook whose worksheets are written one after another, each from the
// state of its own Read. Nothing is opened before the first worksheet is
// written; a writer destroyed without Close() (an error or a refusal on the
// way) leaves an existing file as it was.
class WorkbookWriter {
 public:
  // `sheet_names`: one per worksheet to come (WorksheetNames), at least one,
  // after those of `front`.
  WorkbookWriter(WriteTarget target, std::vector<std::string> sheet_names,
                 WorkbookFront front = {});
  ~WorkbookWriter();
  WorkbookWriter(const WorkbookWriter&) = delete;
  WorkbookWriter& operator=(const WorkbookWriter&) = delete;

  // The Write command for the next worksheet: refuses with "Data has not been
  // read." or when the table passes a worksheet's limits (before anything is
  // written), asks for confirmation, and writes the table, setting the
  // progress value after each row.
  // Unexpected failures are thrown.
  CommandOutcome WriteSheet(const ConversionState& state, UserInterface& ui);

  // The front's parts with their XML, as the front announced them (same
  // paths, same order); they go into the workbook at Close().
  void SetFrontParts(std::vector<PackagePart> parts) { front_.parts = std::move(parts); }

  // Writes the rest of the workbook (the front's parts among it) and puts the
  // file in place, once every worksheet was written. Throws FileError.
  void Close();

 private:
  void Open();

  WriteTarget target_;
  std::vector<std::string> sheet_names_;
  WorkbookFront front_;
  std::unique_ptr<ZipWriter> zip_;
  std::size_t sheets_written_ = 0;
};

}  // namespace quillet
