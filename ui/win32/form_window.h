// A top-level window built from one of the forms' control tables: its
// client area and every control placed in twips converted at the display's
// resolution, the controls created in tab order with the ids ControlId gives,
// their captions, access letters and tool tips, the one background colour,
// the program's icon and caption font, placed where the form says. Each
// user action on a control calls the control's action on the form. Its
// window procedure lets no C++ exception out: whatever escapes a message
// goes to the program's guard.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <vector>

#include "ui/forms/control_table.h"

namespace quillet::forms {
class frmQLT;
}

namespace quillet::win32 {

// Dots per inch on each axis.
struct Dpi {
  int x = 96;
  int y = 96;
};

// The display's logical resolution (GetDeviceCaps LOGPIXELSX and LOGPIXELSY).
Dpi ScreenDpi();

// Every control's id: 100 plus its tab index. Never 1 (IDOK) or 2 (IDCANCEL),
// which the dialog manager sends for Enter and Escape: those carry no command.
inline constexpr int kFirstControlId = 100;
int ControlId(const forms::Control& control);

// The window's size for a client area of `client` pixels with `style`.
SIZE FrameSizeFor(SIZE client, DWORD style, DWORD ex_style);

// The windows' background: the user's system colour of an active window's
// border.
COLORREF WindowBackground();

class FormWindow {
 public:
  FormWindow(const forms::FormTable& table, Dpi dpi);
  virtual ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND handle() const { return window_; }
  Dpi dpi() const { return dpi_; }
  // The control named `name` in the table; null when there is none.
  HWND Control(const char* name) const;
  // The table's control whose id is `id`; null when there is none.
  const forms::Control* ControlWithId(int id) const;
  // The item selected in the list control named `name`, if any.
  std::optional<std::size_t> SelectedItem(const char* name) const;

  // Shows the window in front, active, with the focus where it was left (at
  // first on the first control in tab order).
  void ShowActive();
  void Hide();

  // Whether `window` is one of the program's form windows.
  static bool IsFormWindow(HWND window);

 protected:
  // Creates the window, hidden, where the form places it (on the screen or
  // on `owner`), its controls acting on `form`. What escapes its messages
  // goes to `guard`, the program's one guard.
  void Create(forms::frmQLT& guard, forms::Form& form, HWND owner, DWORD style);

  // The close box or the control menu's Close.
  virtual void OnClose() = 0;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  std::optional<LRESULT> Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void ReportEscaped() noexcept;
  // A click or other notification from the control with `id`, or Enter
  // (IDOK) and Escape (IDCANCEL) from the dialog manager.
  void OnCommand(int id, int code);
  std::optional<std::size_t> SelectedItem(const forms::Control& list) const;
  // Calls the list's action with its selected item, if there is one.
  void ActOnSelected(const forms::Control& list);
  void CreateControls();
  HWND CreateControl(const forms::Control& control);
  void AddToolTip(HWND control, const char* text);

  const forms::FormTable& table_;
  forms::frmQLT* guard_ = nullptr;
  forms::Form* acting_form_ = nullptr;  // what the controls' actions are called on
  Dpi dpi_;
  HWND window_ = nullptr;
  HWND tool_tips_ = nullptr;
  HFONT font_ = nullptr;
  HBRUSH background_ = nullptr;
  COLORREF background_colour_ = 0;
  std::vector<HWND> controls_;  // in tab order, as the table lists them
  HWND last_focus_ = nullptr;   // restored when the window is active again
};

}  // namespace quillet::win32
