#include "ui/win32/form_window.h"

#include <commctrl.h>

#include <cmath>
#include <exception>
#include <string_view>
#include <system_error>

#include "files/wide_text.h"
#include "ui/forms/form_tables.h"
#include "ui/forms/main_window.h"

namespace quillet::win32 {
namespace {

using forms::ControlKind;

// The icon of the program's resources (app/windows/program.rc.in).
constexpr int kIconResource = 1;

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD ex_style;
};

ControlClass ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kCommandButton:
      // A plain push button: never the default, so Enter does not press it.
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::kTextBox:
      return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::kLabel:
      // SS_NOTIFY: a static control is otherwise transparent to the mouse,
      // and its tool tip would never show.
      return {L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0};
    case ControlKind::kFrame:
      return {L"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::kProgressBar:
      return {PROGRESS_CLASSW, 0, 0};
    case ControlKind::kDriveList:
      return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::kDirectoryList:
    case ControlKind::kFileList:
      return {L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
  }
  return {L"STATIC", 0, 0};
}

HFONT CaptionFont(Dpi dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW font{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font = metrics.lfMessageFont;
  } else {
    lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
  }
  // The boxes are made for this size of caption, at whatever resolution.
  font.lfHeight = -static_cast<LONG>(std::lround(forms::kCaptionPoints * dpi.y / 72.0));
  font.lfWidth = 0;
  return CreateFontIndirectW(&font);
}

forms::Box PixelBox(const forms::Box& twips, Dpi dpi) {
  return forms::TwipsToPixels(twips, dpi.x, dpi.y);
}

forms::Box BoxOf(const RECT& rect) {
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void RegisterFormClass(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, name, &existing)) return;
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = procedure;
  type.hInstance = instance;
  type.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  // Both windows carry the program's icon; a program without one (a test)
  // gets the system's.
  type.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  type.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  if (type.hIcon == nullptr)
    type.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  type.lpszClassName = name;
  if (RegisterClassExW(&type) == 0) ThrowLastError("The window class could not be registered");
}

}  // namespace

Dpi ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const Dpi dpi{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
  ReleaseDC(nullptr, screen);
  return dpi;
}

int ControlId(const forms::Control& control) {
  return kFirstControlId + control.tab_index;
}

SIZE FrameSizeFor(SIZE client, DWORD style, DWORD ex_style) {
  RECT frame{0, 0, client.cx, client.cy};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

COLORREF WindowBackground() {
  return GetSysColor(COLOR_ACTIVEBORDER);
}

FormWindow::FormWindow(const forms::FormTable& table, Dpi dpi) : table_(table), dpi_(dpi) {}

FormWindow::~FormWindow() {
  if (window_ != nullptr) {
    // The derived window is gone: what its controls send while they are
    // destroyed (a text box losing the focus, say) goes to the system.
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (font_ != nullptr) DeleteObject(font_);
  if (background_ != nullptr) DeleteObject(background_);
}

void FormWindow::Create(forms::frmQLT& guard, forms::Form& form, HWND owner, DWORD style) {
  guard_ = &guard;
  acting_form_ = &form;
  const std::wstring class_name = Wide(table_.name);
  RegisterFormClass(class_name.c_str(), Procedure);
  background_colour_ = WindowBackground();
  background_ = CreateSolidBrush(background_colour_);
  font_ = CaptionFont(dpi_);

  const forms::Box client = PixelBox(table_.client_area, dpi_);
  const SIZE size = FrameSizeFor({client.width, client.height}, style, 0);
  RECT screen{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
  RECT owner_area{};
  if (owner != nullptr) GetWindowRect(owner, &owner_area);
  const forms::Box place =
      table_.StartUpPlace({0, 0, size.cx, size.cy}, BoxOf(screen), BoxOf(owner_area));
  // Not WS_CLIPCHILDREN: the frame draws only its edges, and the window's
  // background must show inside it.
  const HWND created =
      CreateWindowExW(0, class_name.c_str(), Wide(table_.caption).c_str(), style, place.left,
                      place.top, size.cx, size.cy, owner, nullptr, GetModuleHandleW(nullptr), this);
  if (created == nullptr) ThrowLastError("The window could not be created");
  CreateControls();
}

void FormWindow::CreateControls() {
  tool_tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  // Children created later lie behind the earlier ones: the progress bar
  // stays in front of the frame it lies in.
  for (const forms::Control& control : table_.controls) {
    const HWND created = CreateControl(control);
    controls_.push_back(created);
    if (*control.tool_tip != '\0') AddToolTip(created, control.tool_tip);
  }
}

HWND FormWindow::CreateControl(const forms::Control& control) {
  const ControlClass type = ClassOf(control.kind);
  const forms::Box box = PixelBox(control.box, dpi_);
  // A drop-down list's height is that of its open list; closed, it is as
  // high as the system makes its text field.
  const bool drop_down = control.kind == ControlKind::kDriveList;
  const DWORD shown = control.shown_at_start ? WS_VISIBLE : 0;
  const HWND created =
      CreateWindowExW(type.ex_style, type.name, Wide(control.caption).c_str(),
                      WS_CHILD | WS_CLIPSIBLINGS | shown | type.style, box.left, box.top, box.width,
                      drop_down ? box.height * 10 : box.height, window_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control))),
                      GetModuleHandleW(nullptr), nullptr);
  if (created == nullptr) ThrowLastError("A control could not be created");
  SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (control.kind == ControlKind::kProgressBar) {
    SendMessageW(created, PBM_SETRANGE32, 0, forms::kProgressSteps);
  }
  return created;
}

void FormWindow::AddToolTip(HWND control, const char* text) {
  std::wstring wide = Wide(text);
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = wide.data();  // copied by the tool tip control
  SendMessageW(tool_tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

HWND FormWindow::Control(const char* name) const {
  for (std::size_t i = 0; i < table_.controls.size() && i < controls_.size(); ++i) {
    if (std::string_view(table_.controls[i].name) == name) return controls_[i];
  }
  return nullptr;
}

const forms::Control* FormWindow::ControlWithId(int id) const {
  for (const forms::Control& control : table_.controls) {
    if (ControlId(control) == id) return &control;
  }
  return nullptr;
}

std::optional<std::size_t> FormWindow::SelectedItem(const char* name) const {
  for (const forms::Control& control : table_.controls) {
    if (std::string_view(control.name) == name) return SelectedItem(control);
  }
  return std::nullopt;
}

std::optional<std::size_t> FormWindow::SelectedItem(const forms::Control& list) const {
  const UINT message = list.kind == ControlKind::kDriveList ? CB_GETCURSEL : LB_GETCURSEL;
  const LRESULT selected = SendMessageW(Control(list.name), message, 0, 0);
  if (selected < 0) return std::nullopt;
  return static_cast<std::size_t>(selected);
}

void FormWindow::ActOnSelected(const forms::Control& list) {
  if (const std::optional<std::size_t> item = SelectedItem(list)) list.action(*acting_form_, *item);
}

void FormWindow::OnCommand(int id, int code) {
  if (id == IDOK) {
    // Enter, from the dialog manager: it opens the directory selected in a
    // directory list that has the focus, and does nothing elsewhere.
    for (const forms::Control& control : table_.controls) {
      if (control.kind == ControlKind::kDirectoryList && Control(control.name) == GetFocus()) {
        ActOnSelected(control);
      }
    }
    return;
  }
  const forms::Control* control = ControlWithId(id);
  if (control == nullptr || !control->action) return;  // Escape among them
  switch (control->kind) {
    case ControlKind::kCommandButton:
      if (code == BN_CLICKED) control->action(*acting_form_);
      break;
    case ControlKind::kDriveList: {
      // A drive is taken when the list closes on it, or at once when it is
      // changed in the closed list by the keys.
      const bool dropped = SendMessageW(Control(control->name), CB_GETDROPPEDSTATE, 0, 0) != 0;
      if (code == CBN_CLOSEUP || (code == CBN_SELCHANGE && !dropped)) ActOnSelected(*control);
      break;
    }
    case ControlKind::kDirectoryList:
      if (code == LBN_DBLCLK) ActOnSelected(*control);
      break;
    case ControlKind::kFileList:
      if (code == LBN_DBLCLK) control->action(*acting_form_);
      break;
    default:
      break;
  }
}

void FormWindow::ShowActive() {
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  SetActiveWindow(window_);
  SetFocus(last_focus_ != nullptr ? last_focus_ : GetNextDlgTabItem(window_, nullptr, FALSE));
  UpdateWindow(window_);
}

void FormWindow::Hide() {
  ShowWindow(window_, SW_HIDE);
}

bool FormWindow::IsFormWindow(HWND window) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == Procedure;
}

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
  }
  // Unwinding through the system's code is undefined: nothing thrown here
  // may leave this function.
  try {
    if (const std::optional<LRESULT> result = self->Handle(message, wparam, lparam)) {
      return *result;
    }
  } catch (...) {
    self->ReportEscaped();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

std::optional<LRESULT> FormWindow::Handle(UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_COMMAND:
      // From a control, from an access key, or IDOK and IDCANCEL from the
      // dialog manager for Enter and Escape.
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(window_, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, background_);
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // The label, the frame and the buttons' surroundings on the window's
      // colour.
      SetBkColor(reinterpret_cast<HDC>(wparam), background_colour_);
      return reinterpret_cast<LRESULT>(background_);
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) last_focus_ = focus;
      }
      return std::nullopt;
    case WM_SETFOCUS:
      // Back to the control that had the focus when the window was left.
      if (last_focus_ != nullptr && IsWindowVisible(last_focus_)) SetFocus(last_focus_);
      return 0;
    default:
      return std::nullopt;
  }
}

void FormWindow::ReportEscaped() noexcept {
  const std::exception_ptr error = std::current_exception();
  try {
    // The program's one report, after which it ends.
    if (guard_ != nullptr) guard_->Guarded([&] { std::rethrow_exception(error); });
    if (guard_ != nullptr) return;
  } catch (...) {
    // Not even the report could be shown: end all the same, as a failure.
  }
  PostQuitMessage(1);
}

}  // namespace quillet::win32
