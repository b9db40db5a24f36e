// How a command ended, so that a front end need not infer it from the
// messages it was shown.
#pragma once

namespace quillet {

enum class CommandOutcome {
  kDone,       // the command did its work and said so
  kRefused,    // it stopped with one of its own warnings, having changed no file
  kCancelled,  // the user answered Cancel to its question
};

}  // namespace quillet
