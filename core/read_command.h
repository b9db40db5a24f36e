#pragma once

#include <string>

#include "core/chain_reader.h"
#include "core/command_outcome.h"
#include "core/conversion_state.h"
#include "core/user_interface.h"

namespace quillet {

// The Read command: checks that STEM.out and STEM.ind exist, asks the user
// interface to remember the stem, and reads the pair into the state's table,
// reporting through `ui`. Unexpected failures are thrown (QuilletError) and
// leave the command where they occur. Refused when a file of the pair is
// missing or the index file is damaged.
CommandOutcome RunRead(ConversionState& state, const std::string& stem, UserInterface& ui);

// The same Read of an index file and a data file named freely. There is no
// stem, so nothing is remembered; the messages name the two paths.
CommandOutcome RunReadPair(ConversionState& state, const ChainPaths& paths, UserInterface& ui);

// What a Read of the pair would refuse before reading any data, found without
// reading it: a missing file (told as the Read tells it) or a damaged index
// file. Throws, as the Read would, for a file that cannot be opened for
// reading. For commands that must know that every pair of several will be
// read before they write anything.
CommandOutcome CheckPair(const ChainPaths& paths, UserInterface& ui);

}  // namespace quillet
