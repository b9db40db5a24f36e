#include "fake_views.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillet::testing {

std::size_t FakeDirectoryList::RowNamed(const std::string& name) const {
  const auto found = std::find_if(rows.begin(), rows.end(),
                                  [&](const forms::DirectoryRow& row) { return row.name == name; });
  EXPECT_NE(found, rows.end()) << "no row " << name;
  return static_cast<std::size_t>(found - rows.begin());
}

void FakeFileList::Select(const std::string& name) {
  selected.reset();
  const auto found = std::find(names.begin(), names.end(), name);
  if (found != names.end()) selected = static_cast<std::size_t>(found - names.begin());
}

MessageAnswer FakeMainWindow::ShowMessage(const std::string& message, MessageStyle style,
                                          const std::string& caption) {
  messages.push_back(std::to_string(static_cast<int>(style)) + " [" + caption + "] " + message);
  if (answers.empty()) return MessageAnswer::kOk;
  const MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

forms::BrowseDialogView& FakeMainWindow::CreateBrowseDialog(forms::frmBrowse& form) {
  ++dialogs_made;
  browse_form = &form;
  dialog = std::make_unique<FakeBrowseDialog>();
  return *dialog;
}

}  // namespace quillet::testing
