#include "ui/win32/main_window.h"

#include <commctrl.h>
#include <ole2.h>

#include "files/wide_text.h"
#include "ui/forms/form_tables.h"
#include "ui/win32/browse_dialog.h"
#include "ui/win32/drop_target.h"
#include "ui/win32/message_box.h"
#include "ui/win32/window_text.h"

namespace quillet::win32 {
namespace {

using forms::frmQLT;

// The sizable frame with control menu, minimise and maximise boxes; the
// controls stay where they are when it is resized.
constexpr DWORD kMainWindowStyle = WS_OVERLAPPEDWINDOW;
// The least time between two forced repaints of the progress bar: about two
// frames. A repaint costs far more than the lines between two positions.
constexpr ULONGLONG kProgressRepaintMs = 30;

}  // namespace

MainWindow::MainWindow(Dpi dpi) : FormWindow(forms::kMainWindowTable, dpi) {}

MainWindow::~MainWindow() {
  if (drop_target_ != nullptr) {
    RevokeDragDrop(handle());
    drop_target_->Release();
  }
  dialog_.reset();  // before the window that owns it
}

void MainWindow::Open(frmQLT& form) {
  form_ = &form;
  Create(form, form, nullptr, kMainWindowStyle);
  // Files dropped from Explorer onto the window or its text box. The
  // handler runs inside the system's drag loop: nothing may escape it.
  drop_target_ = new FileDropTarget([this](const forms::Drag& drag, bool drop) {
    try {
      return drop ? form_->Form_DragDrop(drag) : form_->Form_DragOver(drag);
    } catch (...) {
      return false;
    }
  });
  // Without OLE (a program that did not initialise it) the window takes no
  // drops and works otherwise.
  if (FAILED(RegisterDragDrop(handle(), drop_target_))) {
    drop_target_->Release();
    drop_target_ = nullptr;
  }
}

std::string MainWindow::PathNameText() const {
  const std::wstring shown = WideWindowText(Control("txtPathName"));
  return shown == set_wide_ ? set_text_ : Utf8Of(shown);
}

void MainWindow::SetPathNameText(const std::string& text) {
  const HWND box = Control("txtPathName");
  std::wstring wide = Wide(text);
  SetWindowTextW(box, wide.c_str());
  set_text_ = text;
  set_wide_ = WideWindowText(box);
}

MessageAnswer MainWindow::ShowMessage(const std::string& text, MessageStyle style,
                                      const std::string& caption) {
  // A box of the whole program has no owner, so the system would leave no
  // window active after it: give the activation back to the window that had
  // it, the browse dialog or this one.
  const HWND active = GetActiveWindow();
  const MessageAnswer answer = ShowMessageBox(text, style, caption);
  if (active != nullptr && IsWindowVisible(active)) {
    SetForegroundWindow(active);
    SetActiveWindow(active);
  }
  return answer;
}

void MainWindow::ShowProgress() {
  const HWND bar = Control("prgWrite");
  ShowWindow(bar, SW_SHOW);
  // A command runs without the message loop: draw now.
  UpdateWindow(bar);
  progress_drawn_at_ = GetTickCount64();
  progress_undrawn_ = false;
}

void MainWindow::HideProgress() {
  // The pass's last position is drawn, however soon after the one before.
  if (progress_undrawn_) DrawProgress(GetTickCount64());
  ShowWindow(Control("prgWrite"), SW_HIDE);
  UpdateWindow(handle());
}

void MainWindow::SetProgressPosition(int position) {
  // Every position is taken; the bar hears of it at most every
  // kProgressRepaintMs, and at the end of the pass (HideProgress): under
  // Wine even a position the bar is told without a repaint costs a trip to
  // the window server, far more than the lines it stands for.
  progress_position_ = position;
  const ULONGLONG now = GetTickCount64();
  if (now - progress_drawn_at_ < kProgressRepaintMs) {
    progress_undrawn_ = true;
    return;
  }
  DrawProgress(now);
}

void MainWindow::DrawProgress(ULONGLONG now) {
  const HWND bar = Control("prgWrite");
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(progress_position_), 0);
  // A command runs without the message loop: draw now.
  UpdateWindow(bar);
  progress_drawn_at_ = now;
  progress_undrawn_ = false;
}

forms::BrowseDialogView& MainWindow::CreateBrowseDialog(forms::frmBrowse& form) {
  dialog_ = std::make_unique<BrowseDialog>(*form_, form, handle(), dpi());
  return *dialog_;
}

void MainWindow::EndProgram(int status) {
  if (dialog_) dialog_->Hide();
  FormWindow::Hide();
  PostQuitMessage(status);
}

void MainWindow::OnClose() {
  form_->Form_Close();
}

}  // namespace quillet::win32
