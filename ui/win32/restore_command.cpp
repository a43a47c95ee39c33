#include "ui/win32/restore_command.h"

#include <cstdio>

#include "safety/journal_restore.h"
#include "ui/win32/ui_windows.h"

namespace zr::win32ui {

namespace {

constexpr char kCaption[] = "zrdrvtool";

}  // namespace

bool RestoreRequested(const char* commandLine, std::string& folder) {
  const std::string line = commandLine == nullptr ? "" : commandLine;
  // The program's own name comes first, quoted when it holds blanks.
  std::size_t at = line.empty() ? 0 : line[0] == '"' ? line.find('"', 1) : line.find(' ');
  at = at == std::string::npos ? line.size() : at + 1;
  at = line.find_first_not_of(' ', at);
  if (at == std::string::npos || line.compare(at, 9, "/restore ") != 0) return false;
  std::size_t start = line.find_first_not_of(' ', at + 9);
  if (start == std::string::npos) return false;
  std::size_t end = line.find_last_not_of(' ') + 1;
  if (line[start] == '"') {
    end = line.find('"', ++start);
    if (end == std::string::npos) end = line.size();
  }
  folder = line.substr(start, end - start);
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return !folder.empty();
}

int RunRestore(win32::Win32Platform& platform, const std::string& folder) {
  const safety::JournalFolder journal(folder);
  const safety::RestoreReport report = safety::RestoreJournal(journal, platform, platform.KeyCreator());
  // A message box grows with its text: a few lines of each part keep its
  // buttons on the screen.
  std::string text = "Journal " + folder + "\r\n\r\n" + report.Text(6);
  if (report.refused) {
    MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONSTOP);
    return 1;
  }
  text += "\r\nWindows must restart for the restored drivers to take effect. Restart now?";
  if (MessageBoxA(nullptr, text.c_str(), kCaption, MB_YESNO | MB_ICONINFORMATION) == IDYES) {
    platform.Power().EnableShutdownPrivilege();
    platform.Power().RequestRestart();
  }
  return report.Complete() ? 0 : 7;
}

std::string NewJournalFolder(win32::Win32Platform& platform) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char stamp[32];
  std::snprintf(stamp, sizeof(stamp), "%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  const std::string base = platform.System().WindowsDirectory() + "\\ZR77Q5K\\backup\\" + stamp;
  std::string folder = base;
  for (int n = 2; GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
    folder = base + "-" + std::to_string(n);
  return folder;
}

}  // namespace zr::win32ui
