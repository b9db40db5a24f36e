// A main window whose message boxes are answered from a script instead of
// being shown, and whose end of program is recorded instead of carried out.
#pragma once

#include <QProgressBar>
#include <deque>
#include <string>
#include <vector>

#include "ui/main_window.h"

namespace quillet::testing {

class ScriptedWindow : public ui::frmQLT {
 public:
  ScriptedWindow() : frmQLT([this](int status) { ends.push_back(status); }) {}

  // "<style> [<title>] <text>" for every box, and whether the progress bar
  // was visible while it was up.
  MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                            const std::optional<std::string>& title = std::nullopt) override {
    messages.push_back(std::to_string(static_cast<int>(style)) + " [" + title.value_or("") + "] " +
                       text);
    bar_visible_at_message.push_back(Bar()->isVisibleTo(this));
    if (answers.empty()) return MessageAnswer::kOk;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  void SetProgressValue(float value) override {
    frmQLT::SetProgressValue(value);
    bar_visible_at_value.push_back(Bar()->isVisibleTo(this));
  }

  QProgressBar* Bar() const { return findChild<QProgressBar*>("prgWrite"); }

  std::deque<MessageAnswer> answers;
  std::vector<std::string> messages;
  std::vector<bool> bar_visible_at_message;
  std::vector<bool> bar_visible_at_value;
  std::vector<int> ends;
};

}  // namespace quillet::testing
