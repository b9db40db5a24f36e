// What the Read and Write commands share for the life of the program: the
// result of the last Read. Nothing here is reset between commands except what
// a command sets itself, so a Write always sees what the last Read left.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/sample_table.h"

namespace quillet {

struct ConversionState {
  std::string dataPath;   // the data file of the last Read
  std::string indexPath;  // its index file
  // Both counts are empty until a Read gets that far.
  std::optional<double> samplesPerVariable;
  std::optional<std::int64_t> variableCount;
  std::int32_t expectedLines = 0;  // the progress maximum of the last Read
  std::int32_t linesRead = 0;      // data lines the last Read consumed
  SampleTable table;               // names in row 0, values in rows 1..R
};

}  // namespace quillet
