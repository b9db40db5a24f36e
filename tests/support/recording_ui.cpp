#include "support/recording_ui.h"

#include <cstdio>

namespace quillet::testing {
namespace {

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

}  // namespace

MessageAnswer RecordingUi::ShowMessage(const std::string& text, MessageStyle style,
                                       const std::optional<std::string>& title) {
  calls_.push_back("message " + std::to_string(static_cast<int>(style)) + " [" +
                   title.value_or("") + "] " + text);
  if (answers_.empty()) return MessageAnswer::kOk;
  const MessageAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void RecordingUi::ShowProgress() {
  calls_.push_back("show");
}
void RecordingUi::HideProgress() {
  calls_.push_back("hide");
}
void RecordingUi::SetProgressMaximum(float maximum) {
  calls_.push_back("max " + Number(maximum));
}

void RecordingUi::SetProgressValue(float value) {
  calls_.push_back("value " + Number(value));
  values_.push_back(value);
}

void RecordingUi::RememberStem(const std::string& stem) {
  calls_.push_back("remember " + stem);
}

std::vector<std::string> RecordingUi::messages() const {
  std::vector<std::string> result;
  for (const auto& call : calls_) {
    if (call.rfind("message ", 0) == 0) result.push_back(call);
  }
  return result;
}

}  // namespace quillet::testing
