#include "ui/win32/message_box.h"

#include <windows.h>

#include <system_error>

#include "files/wide_text.h"

namespace quillet::win32 {

MessageAnswer ShowMessageBox(const std::string& text, MessageStyle style,
                             const std::string& title) {
  // No owner: the box is the program's, not one window's. MB_TASKMODAL
  // disables every top-level window of this thread while it is shown; an
  // owner and MB_APPLMODAL alone would leave the browse dialog usable. The
  // commands' line ends (CR LF) are the box's own.
  // The style codes are the system's button and icon bits.
  const UINT buttons_and_icon = static_cast<UINT>(style) & (MB_TYPEMASK | MB_ICONMASK);
  const int answer = MessageBoxW(nullptr, Wide(text).c_str(), Wide(title).c_str(),
                                 buttons_and_icon | MB_TASKMODAL | MB_SETFOREGROUND);
  // A box that could not be shown was answered by no one: neither OK, which
  // would let a Write go on unconfirmed, nor Cancel.
  if (answer == 0) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                            "The message box could not be shown");
  }
  return answer == IDCANCEL ? MessageAnswer::kCancel : MessageAnswer::kOk;
}

}  // namespace quillet::win32
