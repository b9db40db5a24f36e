#include "ui/win32/program.h"

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <ole2.h>

#include "ui/forms/main_window.h"
#include "ui/win32/main_window.h"

namespace quillet::win32 {

int RunMessageLoop() {
  MSG message{};
  BOOL got = 0;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    const HWND form = GetAncestor(message.hwnd, GA_ROOT);
    if (form != nullptr && FormWindow::IsFormWindow(form) && IsDialogMessageW(form, &message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

int RunProgram() {
  // OLE for the files dropped from Explorer; the common controls for the
  // progress bar and the tool tips.
  const bool ole = SUCCEEDED(OleInitialize(nullptr));
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  int status = 0;
  {
    MainWindow window;
    forms::frmQLT form(window);
    form.Guarded([&] { window.Open(form); });
    form.Form_Load();
    if (!form.ended()) {
      form.Guarded([&] { window.ShowActive(); });
      status = RunMessageLoop();
    }
    if (form.ended()) status = form.exit_status();
  }
  if (ole) OleUninitialize();
  return status;
}

}  // namespace quillet::win32
