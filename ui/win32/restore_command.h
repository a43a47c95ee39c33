// What the Windows program adds to the wizard: every change journaled in
// <Windows folder>\ZR77Q5K\backup\<YYYYMMDD-HHMMSS>\ before it is made, and
// "zrdrvtool.exe /restore FOLDER", which puts such a journal back.
#pragma once

#include <string>

#include "platform/win32/win32_platform.h"

namespace zr::win32ui {

// The folder after "/restore" on the command line (quotes taken off);
// false when the command line does not ask for a restore.
bool RestoreRequested(const char* commandLine, std::string& folder);

// Puts the journal back, reports in a message box what was put back and
// what was left, and offers to restart Windows. The program's exit code:
// 0 all put back, 7 something left or not put back, 1 journal refused.
int RunRestore(win32::Win32Platform& platform, const std::string& folder);

// A new journal folder below the Windows folder for this run.
std::string NewJournalFolder(win32::Win32Platform& platform);

}  // namespace zr::win32ui
