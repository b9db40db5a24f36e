// The converter's console front end: the user interface of the commands when
// no one is at the keyboard.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>

#include "core/progress_scale.h"
#include "core/user_interface.h"

namespace quillet::convert {

inline constexpr const char* kProgramName = "quillet-convert";

// A user interface that needs no one at the keyboard: confirmations are
// answered OK, other message texts go to `err`, and progress is drawn as one
// line that rewrites itself, only when asked to.
class ConsoleUi : public UserInterface {
 public:
  ConsoleUi(std::ostream& err, bool show_progress, bool verbose)
      : err_(err), show_progress_(show_progress), verbose_(verbose) {
    SetSubject("");
  }

  MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                            const std::optional<std::string>& title = std::nullopt) override;
  void ShowProgress() override;
  void HideProgress() override;
  void SetProgressMaximum(float maximum) override;
  void SetProgressValue(float value) override {
    if (!visible_) return;
    // Called once per line: only a change of the shown percentage costs output.
    const int percent = ProgressPosition(value, maximum_, 100);
    if (percent != shown_percent_) Draw(percent);
  }

  // The converter keeps no settings: nothing to remember.
  void RememberStem(const std::string& /*stem*/) override {}

  // The word shown before the percentage ("reading", "writing").
  void SetTask(std::string task) { task_ = std::move(task); }

  // The file that every line is about, named after the program's name
  // ("quillet-convert: run2.out: Done Reading"); none when empty.
  void SetSubject(const std::string& subject);

  // Reports an error that stopped the command, on a line of its own.
  void ReportError(const std::string& what);

 private:
  void Draw(int percent);
  void ClearLine();

  std::ostream& err_;
  const bool show_progress_;
  const bool verbose_;
  std::string prefix_;  // what begins every line
  std::string task_;
  bool visible_ = false;
  float maximum_ = 100.0f;
  int shown_percent_ = -1;
  std::size_t line_width_ = 0;
};

}  // namespace quillet::convert
