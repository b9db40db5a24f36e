// The table as a spreadsheet workbook (Office Open XML): one worksheet per
// table (see worksheet_xml.h), streamed row by row into a deflated zip
// container, so that a table costs no memory of its own a second time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/command_outcome.h"
#include "core/conversion_state.h"
#include "core/user_interface.h"
#include "core/write_command.h"
#include "files/text_writer.h"
#include "workbook/zip_writer.h"

namespace quillet {

// What a worksheet holds at most, the header row and the "Iteration" column
// included.
inline constexpr std::int64_t kWorksheetMostRows = 1048576;
inline constexpr std::int64_t kWorksheetMostColumns = 16384;

// How the table read into `state` passes a worksheet's limits, for a message
// ("1,048,577 rows, more than the 1,048,576 a worksheet holds"); empty when it
// fits.
std::optional<std::string> WorksheetLimitsPassed(const ConversionState& state);

// A part of the workbook's package: its path in the zip container and its
// content type (empty for relationships and worksheets, which have theirs).
struct PackagePart {
  std::string path;
  std::string content_type;
};

// Worksheets that come before the tables' own: their names, every part they
// need (their worksheets are xl/worksheets/sheet1.xml and on, in order), and
// the style sheet of the whole workbook, which keeps the tables' one cell
// format first. The parts themselves follow at the end (SetFrontParts).
struct WorkbookFront {
  std::vector<std::string> sheet_names;
  std::vector<PackagePart> parts;
  std::string styles;
};

// A workbook whose worksheets are written one after another, each from the
// state of its own Read. Nothing is written before the first worksheet; a
// writer destroyed without Close() (an error or a refusal on the way) leaves
// an existing file as it was, unless it is written in place.
class WorkbookWriter {
 public:
  // `sheet_names`: one per worksheet to come (WorksheetNames), at least one.
  // An entry of the zip container that could reach `zip64_from` bytes takes
  // the container's 64-bit form; a smaller value serves the tests.
  WorkbookWriter(WriteTarget target, std::vector<std::string> sheet_names,
                 std::uint64_t zip64_from = kZip64From);
  ~WorkbookWriter();
  WorkbookWriter(const WorkbookWriter&) = delete;
  WorkbookWriter& operator=(const WorkbookWriter&) = delete;

  // Opens the target without writing to it, so that a target that cannot be
  // written is refused before any table is read (FileError). WriteSheet opens
  // it otherwise.
  void Open();

  // True once opened when the target is an existing file written in place
  // (see ReplacementFile): a workbook that failed part way would leave it cut.
  bool OverwritesInPlace() const;

  // True once a byte of the workbook may have gone out.
  bool begun() const { return zip_ != nullptr; }

  // The Write command for the next worksheet: refuses with "Data has not been
  // read." or when the table passes a worksheet's limits (before anything is
  // written), asks for confirmation, and writes the table, setting the
  // progress value after each row.
  // Unexpected failures are thrown.
  CommandOutcome WriteSheet(const ConversionState& state, UserInterface& ui);

  // Worksheets before the tables' own, given before the first table's.
  void SetFront(WorkbookFront front);

  // The front's parts, compressed, in the order of its list (FrontParts);
  // they go into the workbook at Close().
  void SetFrontParts(std::vector<DeflatedBytes> parts) { front_parts_ = std::move(parts); }

  // Writes the rest of the workbook (the front's parts among it) and puts the
  // file in place, once every worksheet was written. Throws FileError.
  void Close();

 private:
  void Begin();

  WriteTarget target_;
  std::vector<std::string> sheet_names_;
  WorkbookFront front_;
  std::vector<DeflatedBytes> front_parts_;
  std::uint64_t zip64_from_;
  std::unique_ptr<TextWriter> out_;  // opened, until the zip takes it
  std::unique_ptr<ZipWriter> zip_;
  std::size_t sheets_written_ = 0;
};

}  // namespace quillet
