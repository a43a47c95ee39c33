// The ids of the program's resources: the caption string, one dialog
// template per page, and the controls the pages bind. Pages reuse control
// ids for lines of their own, so each page's ids are named for that page.
#pragma once

namespace zr::res {

inline constexpr int kCaptionString = 102;

// Dialog templates.
inline constexpr int kDialogSelect = 129;           // uninstall: what to remove
inline constexpr int kDialogDebug = 130;            // debug information
inline constexpr int kDialogDetected = 131;         // uninstall: detected drivers
inline constexpr int kDialogComplete = 132;         // uninstall: completion and restart
inline constexpr int kDialogChooser = 134;          // install / uninstall chooser
inline constexpr int kDialogInstallStart = 135;     // install: start and staging
inline constexpr int kDialogInstallDetect = 136;    // install: device detection
inline constexpr int kDialogInstallComplete = 137;  // install: completion

// Selection page.
inline constexpr int kIdSelectOs = 1000;
inline constexpr int kIdSelectModem = 1001;
inline constexpr int kIdSelectLan = 1002;

// Debug-information page.
inline constexpr int kIdDebugText = 1009;

// Detected-drivers page.
inline constexpr int kIdDetectedModem = 1000;
inline constexpr int kIdDetectedLan = 1003;
inline constexpr int kIdDetectedHead = 1011;
inline constexpr int kIdDetectedNote = 1015;

// Uninstall completion page.
inline constexpr int kIdCompleteResult = 1000;
inline constexpr int kIdCompleteRestart = 1003;

// Chooser page: the first radio button of the group is choice 0.
inline constexpr int kIdChooseInstall = 1007;
inline constexpr int kIdChooseUninstall = 1008;

// Install start page.
inline constexpr int kIdInstallOs = 1000;
inline constexpr int kIdInstallMsg1 = 1011;
inline constexpr int kIdInstallMsg2 = 1015;
inline constexpr int kIdInstallMsg3 = 1016;
inline constexpr int kIdInstallMsg4 = 1017;

// Device detection page.
inline constexpr int kIdDetectStatus = 1011;
inline constexpr int kIdDetectModem = 1015;
inline constexpr int kIdDetectLan = 1016;
inline constexpr int kIdDetectGuide = 1018;

// Install completion page.
inline constexpr int kIdInstallDoneStatus = 1011;
inline constexpr int kIdInstallDoneMsg1 = 1015;
inline constexpr int kIdInstallDoneMsg2 = 1016;
inline constexpr int kIdInstallDoneMsg3 = 1017;

}  // namespace zr::res
