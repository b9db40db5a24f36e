// The three reading passes over a chain pair that the Read command runs in
// the order A, B, C.
#pragma once

#include "core/conversion_state.h"
#include "core/user_interface.h"

namespace quillet {

// Pass A over the index file: samplesPerVariable from the third field of the
// first line, variableCount from the number of lines. Opens and closes it.
void ReadIndexCounts(ConversionState& state);

// Pass B over the data file: creates the table and fills rows 1..R column by
// column, one value per line, setting the progress value per line. Expects
// the cursors and linesRead set by the caller; leaves the stream open.
void ReadDataValues(ConversionState& state, UserInterface& ui);

// Pass C over the index file: the first field of each line into row 0 of
// successive columns. Opens and closes it.
void ReadIndexNames(ConversionState& state);

}  // namespace quillet
