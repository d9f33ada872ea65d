#pragma once
// The command numbers of the menus, the toolbar and the accelerators. They are
// the program's resource identifiers, kept so that the command table, the tests
// and the prompts all speak of the same numbers.

namespace command {

// File
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileSave = 57603;
inline constexpr int kSaveAll = 32789;
inline constexpr int kRecentFileFirst = 57616; // four entries: 57616..57619
inline constexpr int kRecentFileCount = 4;
inline constexpr int kAppExit = 57665;
inline constexpr int kImportCutList = 32850;
inline constexpr int kExportCueSheet = 32851;
inline constexpr int kExportLabels = 32852;

// Undo and redo (Action > Edit), then edit accelerators without a handler
inline constexpr int kEditUndo = 57643;
inline constexpr int kEditRedo = 57644;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditPaste = 57637;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;

// Action
inline constexpr int kPlay = 32771;
inline constexpr int kStop = 32772;
inline constexpr int kPlayStop = 32901; // Space: Play when idle, Stop when playing
inline constexpr int kMark = 32792;
inline constexpr int kShotFromTop = 32813;
inline constexpr int kShotToMark = 32808;
inline constexpr int kShotFromMark = 32814;
inline constexpr int kShotToEnd = 32809;
inline constexpr int kAutoSplit = 32774;
inline constexpr int kSplitIntoTracks = 32870;
inline constexpr int kFindTracks = 32871;
inline constexpr int kRename = 32796;
inline constexpr int kTrackInfo = 32861;
inline constexpr int kSplit = 32775;
inline constexpr int kJoint = 32776;
inline constexpr int kDelete = 32777;
inline constexpr int kExpandLeft = 32794;
inline constexpr int kExpandRight = 32795;
inline constexpr int kReset = 32806;
inline constexpr int kRecord = 32778;
inline constexpr int kCrick100000 = 32831;
inline constexpr int kCrick10000 = 32832;
inline constexpr int kCrick1000 = 32833;
inline constexpr int kCrick100 = 32834;
inline constexpr int kToggleCrickRate = 32835;
inline constexpr int kGoToTime = 32880;
inline constexpr int kSplitAtTime = 32881;

// View
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kSettings = 32816;
inline constexpr int kPeakReset = 32783;
inline constexpr int kZoomIn = 32902;
inline constexpr int kZoomOut = 32903;
inline constexpr int kZoomWholeFile = 32904;

// Help
inline constexpr int kAbout = 57664;
inline constexpr int kKeyboardHelp = 32905;

// Status bar indicators
inline constexpr int kIndicatorTime = 61204;
inline constexpr int kIndicatorCrickRate = 61205;

} // namespace command
