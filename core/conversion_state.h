// What the Read and Write commands share for the life of the program. Nothing
// here is reset between commands except what a command sets itself, so a
// Write always sees what the last Read left.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/sample_table.h"
#include "files/text_reader.h"

namespace quillet {

// The scanner's two pieces of text between its steps.
struct ScanState {
  static constexpr int kNoChar = -1;
  int currentChar = kNoChar;  // the byte read last, or kNoChar (the empty text)
  std::string fieldText;
};

struct ConversionState {
  std::string dataPath;   // stem + ".out", set at the start of every Read
  std::string indexPath;  // stem + ".ind", set at the start of every Read
  // Both counts are empty until a Read gets that far.
  std::optional<double> samplesPerVariable;
  std::optional<std::int64_t> variableCount;
  std::int32_t expectedLines = 0;  // progress maximum while reading
  std::int32_t linesRead = 0;      // data lines consumed by the current Read
  std::int64_t rowCursor = 0;      // the row the next data line fills
  std::int64_t columnCursor = 0;   // the column the next value or name fills
  SampleTable table;
  std::unique_ptr<TextReader> stream;  // the one input stream in use
  ScanState scan;

  // Opens `path` into `stream`, releasing whatever stream it held before.
  TextReader& OpenStream(const std::string& path) {
    stream.reset();
    stream = std::make_unique<TextReader>(path);
    return *stream;
  }

  void CloseStream() { stream.reset(); }
};

}  // namespace quillet
