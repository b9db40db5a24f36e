// A window's text (a caption, a control's contents) as the system holds it.
#pragma once

#include <windows.h>

#include <string>

namespace quillet::win32 {

std::wstring WideWindowText(HWND window);
// The same as UTF-8.
std::string WindowText(HWND window);

}  // namespace quillet::win32
