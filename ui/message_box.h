// The program's message boxes and its top-level error report.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "core/user_interface.h"

class QWidget;

namespace quillet::ui {

// Shows an application-modal box over `parent` and waits for the answer.
// The caption is `title`, or "Quillet" without one. Returns kOk, or kCancel
// when Cancel was pressed; Escape and closing the box count as Cancel where
// there is one and as OK where OK stands alone.
MessageAnswer ShowMessageBox(QWidget* parent, const std::string& text, MessageStyle style,
                             const std::optional<std::string>& title = std::nullopt);

// The text of the top-level error report for `error`.
std::string ErrorReportText(std::exception_ptr error);

// The top-level error report: a modal box captioned "Quillet" naming the error.
void ShowErrorReport(QWidget* parent, std::exception_ptr error);

}  // namespace quillet::ui
