#include "core/read_command.h"

#include "core/numeric_text.h"
#include "files/platform.h"
#include "files/text_reader.h"

namespace quillet {
namespace {

// Sets the state's paths and tells the user when a file of the pair is
// missing. True when both exist.
bool FindPair(ConversionState& state, const ChainPaths& paths, UserInterface& ui) {
  state.dataPath = paths.data;
  state.indexPath = paths.index;
  const bool data_exists = FileExists(state.dataPath);
  const bool index_exists = FileExists(state.indexPath);
  if (data_exists && index_exists) return true;
  ui.ShowMessage("Check path name.\r\n" + state.dataPath + " or " + state.indexPath + " not found.",
                 MessageStyle::kExclamation);
  return false;
}

// Tells the user when pass A found the index file damaged.
bool RefusedAsDamaged(const IndexCounts& counts, const std::string& index_path, UserInterface& ui) {
  if (counts.variableCount != 0) return false;
  ui.ShowMessage("File " + index_path + " is damaged.", MessageStyle::kExclamation);
  return true;
}

// The three passes, once both files were found.
CommandOutcome ReadFoundPair(ConversionState& state, UserInterface& ui) {
  ChainReader reader({state.indexPath, state.dataPath});
  const IndexCounts counts = reader.ReadIndexCounts();
  state.samplesPerVariable = counts.samplesPerVariable;
  state.variableCount = counts.variableCount;
  if (RefusedAsDamaged(counts, state.indexPath, ui)) return CommandOutcome::kRefused;

  state.expectedLines = ExpectedLines(counts);
  ui.ShowProgress();
  state.linesRead = 0;
  ui.SetProgressMaximum(static_cast<float>(state.expectedLines));

  reader.ReadDataValues(counts, state.table, state.linesRead, ui);
  ui.HideProgress();
  // The data file stays open until the user has seen this; the names follow.
  ui.ShowMessage("Done Reading", MessageStyle::kOkOnly, kProgramTitle);
  reader.CloseData();
  reader.ReadIndexNames(state.table);
  return CommandOutcome::kDone;
}

}  // namespace

CommandOutcome CheckPair(const ChainPaths& paths, UserInterface& ui) {
  ConversionState scratch;
  if (!FindPair(scratch, paths, ui)) return CommandOutcome::kRefused;
  if (!FileIsReadable(paths.data)) TextReader{paths.data};  // throws why it cannot be read
  ChainReader reader(paths);
  if (RefusedAsDamaged(reader.ReadIndexCounts(), paths.index, ui)) return CommandOutcome::kRefused;
  return CommandOutcome::kDone;
}

CommandOutcome RunRead(ConversionState& state, const std::string& stem, UserInterface& ui) {
  if (!FindPair(state, {stem + ".ind", stem + ".out"}, ui)) return CommandOutcome::kRefused;
  ui.RememberStem(stem);
  return ReadFoundPair(state, ui);
}

CommandOutcome RunReadPair(ConversionState& state, const ChainPaths& paths, UserInterface& ui) {
  if (!FindPair(state, paths, ui)) return CommandOutcome::kRefused;
  return ReadFoundPair(state, ui);
}

}  // namespace quillet
