// frmBrowse on Windows: the modeless browse dialog built from the forms'
// control table, its drive, directory and file lists filled from the forms'
// list models with the list controls' own messages, and each pick calling
// its control's action on the forms' frmBrowse. Setting a list never
// reports back to the dialog.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ui/forms/browse_dialog_view.h"
#include "ui/win32/form_window.h"

namespace quillet::forms {
class frmBrowse;
class frmQLT;
}  // namespace quillet::forms

namespace quillet::win32 {

class BrowseDialog final : public FormWindow,
                           public forms::BrowseDialogView,
                           private forms::DriveListView,
                           private forms::DirectoryListView,
                           private forms::FileListView {
 public:
  // Creates the dialog's window, hidden, centred on `owner`, which it stays
  // in front of; whatever escapes its messages goes to `guard`.
  BrowseDialog(forms::frmQLT& guard, forms::frmBrowse& form, HWND owner, Dpi dpi);

  forms::DriveListView& drvList() override { return *this; }
  forms::DirectoryListView& dirList() override { return *this; }
  forms::FileListView& filList() override { return *this; }
  void Show() override;
  void Hide() override;

 private:
  void SetDrives(const std::vector<std::string>& texts) override;
  void SetCurrentDrive(std::optional<std::size_t> index) override;
  void SetRows(const std::vector<forms::DirectoryRow>& rows, std::size_t current) override;
  void Beep() override;
  void SetNames(const std::vector<std::string>& names) override;
  std::optional<std::size_t> SelectedName() const override;

  void OnClose() override;
};

}  // namespace quillet::win32
