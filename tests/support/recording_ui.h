// A user interface for tests: records every call as a line of text and
// answers message boxes from a script (OK when the script is empty). It
// remembers no stem; it only records the request.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/user_interface.h"

namespace quillet::testing {

class RecordingUi : public UserInterface {
 public:
  MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                            const std::optional<std::string>& title = std::nullopt) override;
  void ShowProgress() override;
  void HideProgress() override;
  void SetProgressMaximum(float maximum) override;
  void SetProgressValue(float value) override;
  void RememberStem(const std::string& stem) override;

  // Queues the answer for the next message box.
  void Answer(MessageAnswer answer) { answers_.push_back(answer); }

  // Every call, in order: "message <style> [<title>] <text>", "show", "hide",
  // "max <n>", "value <n>" (numbers printed with %g), "remember <stem>".
  const std::vector<std::string>& calls() const { return calls_; }
  // Only the message box calls.
  std::vector<std::string> messages() const;
  // Only the progress values, in order.
  const std::vector<float>& values() const { return values_; }

 private:
  std::vector<std::string> calls_;
  std::vector<float> values_;
  std::deque<MessageAnswer> answers_;
};

}  // namespace quillet::testing
