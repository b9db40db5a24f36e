#include "app/quillet-convert/console_ui.h"

#include <cmath>

namespace quillet::convert {

std::string ConsoleText(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    result.push_back(text[i]);
  }
  return result;
}

MessageAnswer ConsoleUi::ShowMessage(const std::string& text, MessageStyle style,
                                     const std::optional<std::string>& /*title*/) {
  // The only question the commands ask is the confirmation of the output path.
  if (style == MessageStyle::kOkCancel) return MessageAnswer::kOk;
  if (style == MessageStyle::kExclamation) refused_ = true;
  // Plain OK boxes only report completion.
  if (style == MessageStyle::kOkOnly && !verbose_) return MessageAnswer::kOk;
  ClearLine();
  err_ << prefix_ << ConsoleText(text) << '\n';
  err_.flush();
  return MessageAnswer::kOk;
}

void ConsoleUi::SetSubject(const std::string& subject) {
  prefix_ = std::string(kProgramName) + ": ";
  if (!subject.empty()) prefix_ += subject + ": ";
}

void ConsoleUi::ReportError(const std::string& what) {
  HideProgress();
  err_ << prefix_ << "error: " << what << '\n';
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

int ConsoleUi::PercentOf(float value) const {
  // Values may run past the maximum (a data file longer than its index says).
  if (!(maximum_ > 0.0f)) return 100;
  const double percent = std::floor(static_cast<double>(value) * 100.0 / maximum_);
  if (percent >= 100.0) return 100;
  return percent > 0.0 ? static_cast<int>(percent) : 0;
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
