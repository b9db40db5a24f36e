// The Win32 shell's own part of the windows: at 96 and at 144 dots per inch
// each window's client area and every control stand where the control
// tables put them in twips, with their ids and captions, and Tab walks the
// controls in the tables' tab order, passing over the label, the frame and
// the progress bar. The windows' background is the user's own system colour.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "files/wide_text.h"
#include "ui/forms/browse_dialog.h"
#include "ui/forms/form_tables.h"
#include "ui/forms/main_window.h"
#include "ui/win32/browse_dialog.h"
#include "ui/win32/main_window.h"
#include "ui/win32/window_text.h"

namespace quillet::win32 {
namespace {

// A control's box in pixels, relative to its window's client area.
forms::Box BoxOf(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// The names of the controls Tab visits from the first, until it is back.
std::vector<std::string> TabWalk(const FormWindow& window) {
  std::vector<std::string> names;
  const HWND first = GetNextDlgTabItem(window.handle(), nullptr, FALSE);
  HWND at = first;
  do {
    names.push_back(window.ControlWithId(GetDlgCtrlID(at))->name);
    at = GetNextDlgTabItem(window.handle(), at, FALSE);
  } while (at != first && names.size() < 20);
  names.push_back(window.ControlWithId(GetDlgCtrlID(at))->name);
  return names;
}

void ExpectLaidOut(const FormWindow& window, const forms::FormTable& table, const char* where) {
  SCOPED_TRACE(where);
  const Dpi dpi = window.dpi();
  EXPECT_EQ(WindowText(window.handle()), table.caption);
  RECT client{};
  GetClientRect(window.handle(), &client);
  const forms::Box area = forms::TwipsToPixels(table.client_area, dpi.x, dpi.y);
  EXPECT_EQ(client.right, area.width);
  EXPECT_EQ(client.bottom, area.height);
  for (const forms::Control& control : table.controls) {
    SCOPED_TRACE(control.name);
    const HWND created = window.Control(control.name);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(GetDlgCtrlID(created), 100 + control.tab_index);
    forms::Box expected = forms::TwipsToPixels(control.box, dpi.x, dpi.y);
    const forms::Box box = BoxOf(created);
    // A closed drop-down list is as high as the system makes its text field.
    if (control.kind == forms::ControlKind::kDriveList) expected.height = box.height;
    EXPECT_EQ(box, expected);
    if (*control.caption != '\0') {
      EXPECT_EQ(WindowText(created), control.caption);
    }
    EXPECT_EQ((GetWindowLongW(created, GWL_STYLE) & WS_VISIBLE) != 0, control.shown_at_start);
  }
}

struct Resolution {
  Dpi dpi;
  forms::Box read_button;  // cmdRead in pixels, worked out by hand
};

TEST(FormWindowTest, WindowsAndControlsStandWhereTheTablesPutThem) {
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                     ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  const Resolution resolutions[] = {
      {{96, 96}, {216, 32, 81, 33}},
      {{144, 144}, {324, 48, 122, 50}},  // 1215 twips: 121.5, rounded away from zero
  };
  for (const Resolution& resolution : resolutions) {
    const std::string where = std::to_string(resolution.dpi.x) + " dpi";
    MainWindow window(resolution.dpi);
    forms::frmQLT form(window);
    window.Open(form);
    EXPECT_EQ(BoxOf(window.Control("cmdRead")), resolution.read_button) << where;
    ExpectLaidOut(window, forms::kMainWindowTable, (where + ", main window").c_str());

    form.cmdBrowse_Click();
    ASSERT_NE(window.dialog(), nullptr);
    ExpectLaidOut(*window.dialog(), forms::kBrowseDialogTable, (where + ", browse dialog").c_str());
    EXPECT_FALSE(form.ended());

    EXPECT_EQ(TabWalk(window), (std::vector<std::string>{"cmdRead", "txtPathName", "cmdExit",
                                                         "cmdWrite", "cmdBrowse", "cmdRead"}));
    EXPECT_EQ(TabWalk(*window.dialog()),
              (std::vector<std::string>{"drvList", "dirList", "filList", "cmdSelect", "cmdCancel",
                                        "drvList"}));
  }
}

// The colour the user chose, as the control panel keeps it ("R G B"). The
// Wine prefix of scripts/build-windows.sh sets one whose three parts differ.
TEST(FormWindowTest, BackgroundIsTheUsersActiveBorderColour) {
  wchar_t text[64] = {};
  DWORD size = sizeof text;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"ActiveBorder",
                         RRF_RT_REG_SZ, nullptr, text, &size),
            ERROR_SUCCESS);
  unsigned red = 0, green = 0, blue = 0;
  ASSERT_EQ(std::swscanf(text, L"%u %u %u", &red, &green, &blue), 3) << text;
  EXPECT_EQ(WindowBackground(), RGB(red, green, blue));
}

}  // namespace
}  // namespace quillet::win32
