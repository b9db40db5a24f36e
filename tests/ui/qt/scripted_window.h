// A main window whose message boxes are answered from a script instead of
// being shown (unless a test asks for real ones), and whose end of program
// is recorded instead of carried out.
#pragma once

#include <QProgressBar>
#include <deque>
#include <string>
#include <vector>

#include "ui/qt/main_window.h"

namespace quillet::testing {

class ScriptedWindow : public qt::MainWindow {
 public:
  using MainWindow::MainWindow;

  // "<style> [<caption>] <text>" for every box.
  MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                            const std::string& caption) override {
    if (real_boxes) return MainWindow::ShowMessage(text, style, caption);
    messages.push_back(std::to_string(static_cast<int>(style)) + " [" + caption + "] " + text);
    if (answers.empty()) return MessageAnswer::kOk;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void EndProgram(int status) override { ends.push_back(status); }
  forms::BrowseDialogView& CreateBrowseDialog(forms::frmBrowse& form) override {
    browse_form = &form;
    return MainWindow::CreateBrowseDialog(form);
  }

  // The text box's text as the form reads it.
  std::string PathText() const { return PathNameText(); }
  QProgressBar* Bar() const { return findChild<QProgressBar*>("prgWrite"); }

  bool real_boxes = false;
  std::deque<MessageAnswer> answers;
  std::vector<std::string> messages;
  std::vector<int> ends;
  forms::frmBrowse* browse_form = nullptr;  // made by the first Browse
};

}  // namespace quillet::testing
