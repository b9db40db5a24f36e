// The only way the commands reach the user: a modal message box and the
// progress bar. The window program, the command-line converter and the tests
// each supply their own.
#pragma once

#include <optional>
#include <string>

namespace quillet {

// The program's title: the caption of every message box.
inline constexpr const char* kProgramTitle = "Quillet";

// Buttons and icon of a message box.
enum MessageStyle : int {
  kOkOnly = 0,       // OK alone, no icon
  kOkCancel = 1,     // OK and Cancel, no icon
  kExclamation = 48  // OK alone, warning icon
};

// The button that closed a message box.
enum MessageAnswer : int { kAnswerOk = 1, kAnswerCancel = 2 };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Shows a modal box and waits for the answer (kAnswerOk or kAnswerCancel).
  // Without a title of its own the box shows kProgramTitle.
  virtual int ShowMessage(const std::string& text, int style,
                          const std::optional<std::string>& title = std::nullopt) = 0;

  virtual void ShowProgress() = 0;
  virtual void HideProgress() = 0;
  virtual void SetProgressMaximum(float maximum) = 0;
  // Called once per line read or written; drawing is the interface's concern.
  virtual void SetProgressValue(float value) = 0;
};

}  // namespace quillet
