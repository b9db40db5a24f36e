// The real system message box, caught as it opens by a CBT hook on this
// thread: its caption, text, buttons and icon, whether every other window of
// the program was disabled behind it, and the answer for the button pressed.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "files/wide_text.h"
#include "ui/win32/message_box.h"
#include "ui/win32/window_text.h"

namespace quillet::win32 {
namespace {

struct SeenBox {
  std::string caption;
  std::string text;
  std::string buttons;  // their texts without "&", comma-separated
  bool icon = false;
  bool others_disabled = false;
};

std::string ClassOf(HWND window) {
  wchar_t name[64] = {};
  return Utf8Of(std::wstring(name, static_cast<std::size_t>(GetClassNameW(window, name, 64))));
}

// What the hook sees and does; one box at a time, on this thread.
struct Catcher {
  int press = IDOK;                 // the button the box gets pressed
  std::vector<HWND> other_windows;  // the program's windows behind the box
  HWND box = nullptr;
  std::optional<SeenBox> seen;
};
Catcher* catcher = nullptr;

// Reads and answers the box from inside its own message loop, once it has
// filled in its text and buttons.
void CALLBACK InspectAndAnswer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  const HWND box = catcher->box;
  SeenBox seen;
  seen.caption = WindowText(box);
  seen.text = WindowText(GetDlgItem(box, 0xFFFF));  // the box's message text
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    if (ClassOf(child) == "Button") {
      std::string text = WindowText(child);
      std::erase(text, '&');
      seen.buttons += (seen.buttons.empty() ? "" : ",") + text;
    } else if (ClassOf(child) == "Static" &&
               (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
               SendMessageW(child, STM_GETICON, 0, 0) != 0) {
      // An icon control is there in every box; only some show an icon.
      seen.icon = true;
    }
  }
  seen.others_disabled = true;
  for (HWND window : catcher->other_windows) {
    seen.others_disabled = seen.others_disabled && !IsWindowEnabled(window);
  }
  catcher->seen = seen;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(catcher->press, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, catcher->press)));
}

LRESULT CALLBACK OnCbt(int code, WPARAM wparam, LPARAM lparam) {
  const auto window = reinterpret_cast<HWND>(wparam);
  if (code == HCBT_ACTIVATE && catcher != nullptr && catcher->box == nullptr &&
      ClassOf(window) == "#32770") {
    catcher->box = window;
    SetTimer(nullptr, 0, 0, InspectAndAnswer);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

HWND ShownWindow(const wchar_t* caption) {
  HWND window = CreateWindowExW(0, L"Static", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  EXPECT_NE(window, nullptr);
  return window;
}

struct BoxCase {
  const char* name;
  std::string text;
  MessageStyle style;
  std::string title;
  int press;
  SeenBox expected;
  MessageAnswer answer;
};

class MessageBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxTest, ShowsTheSystemBoxModalForTheWholeProgram) {
  const BoxCase& c = GetParam();
  // The main window and the modeless browse dialog, both shown.
  HWND main = ShownWindow(L"Quillet");
  HWND dialog = ShownWindow(L"QLT");
  Catcher caught{c.press, {main, dialog}, nullptr, std::nullopt};
  catcher = &caught;
  HHOOK hook = SetWindowsHookExW(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);

  const MessageAnswer answer = ShowMessageBox(c.text, c.style, c.title);

  UnhookWindowsHookEx(hook);
  catcher = nullptr;
  ASSERT_TRUE(caught.seen) << "no message box was shown";
  EXPECT_EQ(caught.seen->caption, c.expected.caption);
  EXPECT_EQ(caught.seen->text, c.text);
  EXPECT_EQ(caught.seen->buttons, c.expected.buttons);
  EXPECT_EQ(caught.seen->icon, c.expected.icon);
  EXPECT_TRUE(caught.seen->others_disabled) << "a window of the program took input behind the box";
  EXPECT_EQ(answer, c.answer);
  // And usable again afterwards.
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_TRUE(IsWindowEnabled(dialog));
  DestroyWindow(dialog);
  DestroyWindow(main);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, MessageBoxTest,
    ::testing::Values(BoxCase{"DoneReading",
                              "Done Reading",
                              MessageStyle::kOkOnly,
                              "Quillet",
                              IDOK,
                              {"Quillet", "", "OK", false, true},
                              MessageAnswer::kOk},
                      BoxCase{"DataNotRead",
                              "Data has not been read.",
                              MessageStyle::kOkOnly,
                              "Quillet",
                              IDOK,
                              {"Quillet", "", "OK", false, true},
                              MessageAnswer::kOk},
                      BoxCase{"ConfirmedWrite",
                              "Write data to file:\r\nC:\\drom\\dromout.txt",
                              MessageStyle::kOkCancel,
                              "Quillet",
                              IDOK,
                              {"Quillet", "", "OK,Cancel", false, true},
                              MessageAnswer::kOk},
                      BoxCase{"CancelledWrite",
                              "Write data to file:\r\nC:\\drom\\dromout.txt",
                              MessageStyle::kOkCancel,
                              "Quillet",
                              IDCANCEL,
                              {"Quillet", "", "OK,Cancel", false, true},
                              MessageAnswer::kCancel},
                      BoxCase{"WarningWithUtf8Path",
                              "C:\\L\xC3\xA4ufe\\run.out or run.ind not found.",
                              MessageStyle::kExclamation,
                              "Quillet",
                              IDOK,
                              {"Quillet", "", "OK", true, true},
                              MessageAnswer::kOk},
                      BoxCase{"ErrorReport",
                              "Quillet must close because of an error:\r\n\r\nOut of memory",
                              MessageStyle::kCritical,
                              "Quillet",
                              IDOK,
                              {"Quillet", "", "OK", true, true},
                              MessageAnswer::kOk}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet::win32
