#include "ui/win32/window_text.h"

#include "files/wide_text.h"

namespace quillet::win32 {

std::wstring WideWindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string WindowText(HWND window) {
  return Utf8Of(WideWindowText(window));
}

}  // namespace quillet::win32
