#include "ui/win32/browse_dialog.h"

#include <stdexcept>

#include "files/wide_text.h"
#include "ui/forms/form_tables.h"

namespace quillet::win32 {
namespace {

// A caption and a close box, which hides the dialog as Cancel does; no
// sizing: the lists stand where the table puts them.
constexpr DWORD kDialogStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

struct ListMessages {
  UINT reset, add, set_selection;
};
constexpr ListMessages kComboBox{CB_RESETCONTENT, CB_ADDSTRING, CB_SETCURSEL};
constexpr ListMessages kListBox{LB_RESETCONTENT, LB_ADDSTRING, LB_SETCURSEL};

// Replaces every item of `list` by `items`, none selected. The list stays
// unsorted: the models give the order.
void Fill(HWND list, const ListMessages& messages, const std::vector<std::string>& items) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, messages.reset, 0, 0);
  for (const std::string& item : items) {
    const std::wstring text = Wide(item);
    const LRESULT added =
        SendMessageW(list, messages.add, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (added < 0) {
      SendMessageW(list, WM_SETREDRAW, TRUE, 0);
      throw std::runtime_error("The list has no room for the entry " + item);
    }
  }
  SendMessageW(list, messages.set_selection, static_cast<WPARAM>(-1), 0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void Select(HWND list, const ListMessages& messages, std::optional<std::size_t> index) {
  SendMessageW(list, messages.set_selection, index ? static_cast<WPARAM>(*index) : WPARAM(-1), 0);
}

}  // namespace

BrowseDialog::BrowseDialog(forms::frmQLT& guard, forms::frmBrowse& form, HWND owner, Dpi dpi)
    : FormWindow(forms::kBrowseDialogTable, dpi) {
  Create(guard, form, owner, kDialogStyle);
}

void BrowseDialog::Show() {
  ShowActive();
}

void BrowseDialog::Hide() {
  FormWindow::Hide();
}

void BrowseDialog::SetDrives(const std::vector<std::string>& texts) {
  Fill(Control("drvList"), kComboBox, texts);
}

void BrowseDialog::SetCurrentDrive(std::optional<std::size_t> index) {
  Select(Control("drvList"), kComboBox, index);
}

void BrowseDialog::SetRows(const std::vector<forms::DirectoryRow>& rows, std::size_t current) {
  std::vector<std::string> names;
  names.reserve(rows.size());
  for (const forms::DirectoryRow& row : rows) names.push_back(row.IndentedName());
  const HWND list = Control("dirList");
  Fill(list, kListBox, names);
  Select(list, kListBox, current);
}

void BrowseDialog::Beep() {
  MessageBeep(MB_OK);
}

void BrowseDialog::SetNames(const std::vector<std::string>& names) {
  Fill(Control("filList"), kListBox, names);
}

std::optional<std::size_t> BrowseDialog::SelectedName() const {
  return SelectedItem("filList");
}

void BrowseDialog::OnClose() {
  Hide();
}

}  // namespace quillet::win32
