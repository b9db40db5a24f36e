// The only way the commands reach the user: a modal message box, the progress
// bar, and the request to remember the stem. The window program, the
// command-line converter and the tests each supply their own.
#pragma once

#include <optional>
#include <string>

namespace quillet {

// The program's title: the caption of every message box.
inline constexpr const char* kProgramTitle = "Quillet";

// Buttons and icon of a message box, as one code: the buttons in the low
// bits, the icon in bits 4 to 6.
enum class MessageStyle : int {
  kOkOnly = 0,        // OK alone, no icon
  kOkCancel = 1,      // OK and Cancel, no icon
  kCritical = 16,     // OK alone, error icon
  kQuestion = 32,     // OK alone, question icon
  kExclamation = 48,  // OK alone, warning icon
  kInformation = 64,  // OK alone, information icon
};

// The button that closed a message box.
enum class MessageAnswer : int { kOk = 1, kCancel = 2 };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Shows a modal box and waits for the answer. Without a title of its own
  // the box shows kProgramTitle.
  virtual MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                                    const std::optional<std::string>& title = std::nullopt) = 0;

  virtual void ShowProgress() = 0;
  virtual void HideProgress() = 0;
  virtual void SetProgressMaximum(float maximum) = 0;
  // Called once per line read or written; drawing is the interface's concern.
  virtual void SetProgressValue(float value) = 0;

  // Remembers the stem for the next start, where the front end keeps such a
  // thing (the window: its settings file); others do nothing. Asked by a Read
  // once both files of the stem exist, and by a Write before anything else.
  // Failing to remember must not stop the command.
  virtual void RememberStem(const std::string& stem) = 0;
};

}  // namespace quillet
