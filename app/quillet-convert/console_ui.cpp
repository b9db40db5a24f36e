#include "app/quillet-convert/console_ui.h"

#include "core/message_lines.h"

namespace quillet::convert {

MessageAnswer ConsoleUi::ShowMessage(const std::string& text, MessageStyle style,
                                     const std::optional<std::string>& /*title*/) {
  // The only question the commands ask is the confirmation of the output path.
  if (style == MessageStyle::kOkCancel) return MessageAnswer::kOk;
  // Plain OK boxes only report completion.
  if (style == MessageStyle::kOkOnly && !verbose_) return MessageAnswer::kOk;
  ClearLine();
  err_ << prefix_ << WithLineFeeds(text) << '\n';
  err_.flush();
  return MessageAnswer::kOk;
}

void ConsoleUi::SetSubject(const std::string& subject) {
  prefix_ = std::string(kProgramName) + ": ";
  if (!subject.empty()) prefix_ += subject + ": ";
}

void ConsoleUi::ReportError(const std::string& what) {
  HideProgress();
  // One line, whatever bytes the paths in it hold.
  err_ << OnOneLine(prefix_) << "error: " << OnOneLine(what) << '\n';
  err_.flush();
}

void ConsoleUi::ShowProgress() {
  if (!show_progress_) return;
  visible_ = true;
  shown_percent_ = -1;
  Draw(0);
}

void ConsoleUi::HideProgress() {
  ClearLine();
  visible_ = false;
}

void ConsoleUi::SetProgressMaximum(float maximum) {
  maximum_ = maximum;
}

void ConsoleUi::Draw(int percent) {
  shown_percent_ = percent;
  std::string line = prefix_ + task_ + ' ' + std::to_string(percent) + '%';
  const std::size_t width = line.size();
  // Blanks over whatever a longer earlier line left.
  if (width < line_width_) line.append(line_width_ - width, ' ');
  err_ << '\r' << line;
  err_.flush();
  line_width_ = width;
}

void ConsoleUi::ClearLine() {
  if (line_width_ == 0) return;
  err_ << '\r' << std::string(line_width_, ' ') << '\r';
  err_.flush();
  line_width_ = 0;
  shown_percent_ = -1;  // a later value draws the line again
}

}  // namespace quillet::convert
