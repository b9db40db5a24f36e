// The program's message boxes and its top-level error report.
#pragma once

#include <exception>
#include <optional>
#include <string>

class QWidget;

namespace quillet::ui {

// Shows an application-modal box over `parent` and waits for the answer.
// `style` holds the buttons in its low bits (0 OK alone, 1 OK and Cancel) and
// the icon in bits 4-6 (16 error, 32 question, 48 warning, 64 information).
// The caption is `title`, or "Quillet" without one. Returns kAnswerOk, or
// kAnswerCancel when Cancel was pressed; Escape and closing the box count as
// Cancel where there is one and as OK where OK stands alone.
int ShowMessageBox(QWidget* parent, const std::string& text, int style,
                   const std::optional<std::string>& title = std::nullopt);

// Names the error held by `error` in words for the user: "Out of memory",
// the message of any other standard exception (every QuilletError is one),
// or a fixed text for anything else.
std::string DescribeError(std::exception_ptr error);

// The text of the top-level error report for `error`.
std::string ErrorReportText(std::exception_ptr error);

// The top-level error report: a modal box captioned "Quillet" naming the error.
void ShowErrorReport(QWidget* parent, std::exception_ptr error);

}  // namespace quillet::ui
