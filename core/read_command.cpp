#include "core/read_command.h"

#include "core/chain_readers.h"
#include "core/numeric_text.h"
#include "files/file_system.h"
#include "settings/settings_file.h"

namespace quillet {

void RunRead(ConversionState& state, const std::string& stem, UserInterface& ui,
             RememberStem remember) {
  state.dataPath = stem + ".out";
  state.indexPath = stem + ".ind";
  const bool data_exists = FileExists(state.dataPath);
  const bool index_exists = FileExists(state.indexPath);
  if (!data_exists || !index_exists) {
    ui.ShowMessage(
        "Check path name.\r\n" + state.dataPath + " or " + state.indexPath + " not found.",
        kExclamation);
    return;
  }
  if (remember == RememberStem::kYes) SaveSettings(stem);

  state.rowCursor = 1;
  state.columnCursor = 0;
  ReadIndexCounts(state);
  if (*state.variableCount == 0) {
    ui.ShowMessage("File " + state.indexPath + " is damaged.", kExclamation);
    return;
  }

  state.expectedLines =
      RoundToInt32(*state.samplesPerVariable * static_cast<double>(*state.variableCount));
  ui.ShowProgress();
  state.linesRead = 0;
  ui.SetProgressMaximum(static_cast<float>(state.expectedLines));

  ReadDataValues(state, ui);
  ui.HideProgress();
  ui.ShowMessage("Done Reading", kOkOnly, kProgramTitle);
  state.CloseStream();
  ReadIndexNames(state);
}

}  // namespace quillet
