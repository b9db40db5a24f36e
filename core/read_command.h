#pragma once

#include <string>

#include "core/conversion_state.h"
#include "core/user_interface.h"

namespace quillet {

// Whether a command writes the stem into the settings file.
enum class RememberStem { kYes, kNo };

// The Read command: checks that STEM.out and STEM.ind exist, remembers the
// stem, and reads the pair into the state's table, reporting through `ui`.
// Unexpected failures are thrown (QuilletError) and leave the command there.
void RunRead(ConversionState& state, const std::string& stem, UserInterface& ui,
             RememberStem remember = RememberStem::kYes);

}  // namespace quillet
