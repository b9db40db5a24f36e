// The two forms' control tables: the main window frmQLT and the browse
// dialog frmBrowse, their captions, client areas, tab orders, tool tips and
// the form's handler of each control the user acts on.
#pragma once

#include "ui/forms/browse_dialog.h"
#include "ui/forms/control_table.h"
#include "ui/forms/main_window.h"

namespace quillet::forms {

inline constexpr const char* kPathToolTip =
    "Enter the path and name of the DROM file -- do not include the .out or .ind extension.  "
    "Ex: c:\\drom\\myfile";

// The point size of every caption and list: the fixed boxes are made for it.
inline constexpr double kCaptionPoints = 8.0;

inline constexpr Control kMainWindowControls[] = {
    {"cmdRead",
     ControlKind::kCommandButton,
     "&Read",
     {3240, 480, 1215, 495},
     0,
     "Reads DROM output file",
     Calls<&frmQLT::cmdRead_Click>},
    {"txtPathName", ControlKind::kTextBox, "", {360, 480, 2655, 405}, 1, kPathToolTip},
    {"lblPathName",
     ControlKind::kLabel,
     "Location of DROM Output File",
     {360, 240, 2415, 255},
     2,
     kPathToolTip},
    {"cmdExit",
     ControlKind::kCommandButton,
     "E&xit",
     {3240, 1920, 1215, 495},
     3,
     "",
     Calls<&frmQLT::cmdExit_Click>},
    {"cmdWrite",
     ControlKind::kCommandButton,
     "&Write",
     {3240, 1200, 1215, 495},
     4,
     "Rewrites DROM file in Excel compatible format.",
     Calls<&frmQLT::cmdWrite_Click>},
    // In front of the frame, reaching 15 twips past the right edge.
    {"prgWrite", ControlKind::kProgressBar, "", {0, 2880, 4695, 375}, 5, "", {}, false},
    // Past the right edge and the bottom: only its top and left edges show.
    {"frmWrite", ControlKind::kFrame, "", {0, 2760, 4935, 495}, 6, ""},
    {"cmdBrowse",
     ControlKind::kCommandButton,
     "&Browse",
     {1920, 960, 1095, 375},
     7,
     "",
     Calls<&frmQLT::cmdBrowse_Click>},
};

inline constexpr FormTable kMainWindowTable{
    "frmQLT", "Quillet", {0, 0, 4680, 3195}, StartUpPosition::kCentreOfScreen, kMainWindowControls};

inline constexpr Control kBrowseDialogControls[] = {
    {"drvList",
     ControlKind::kDriveList,
     "",
     {0, 0, 1695, 315},
     0,
     "",
     Calls<&frmBrowse::drvList_Click>},
    {"dirList",
     ControlKind::kDirectoryList,
     "",
     {0, 360, 1695, 1665},
     1,
     "",
     Calls<&frmBrowse::dirList_Open>},
    // Its right edge lies 15 twips beyond the client width: clipped there.
    {"filList",
     ControlKind::kFileList,
     "",
     {1800, 0, 1815, 2040},
     2,
     "",
     Calls<&frmBrowse::filList_DblClick>},
    {"cmdSelect",
     ControlKind::kCommandButton,
     "&Select File",
     {120, 2160, 1455, 375},
     3,
     "",
     Calls<&frmBrowse::cmdSelect_Click>},
    {"cmdCancel",
     ControlKind::kCommandButton,
     "&Cancel",
     {1920, 2160, 1455, 375},
     4,
     "",
     Calls<&frmBrowse::cmdCancel_Click>},
};

inline constexpr FormTable kBrowseDialogTable{
    "frmBrowse", "QLT", {0, 0, 3600, 2625}, StartUpPosition::kCentreOfOwner, kBrowseDialogControls};

}  // namespace quillet::forms
