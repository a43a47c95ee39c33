#include "platform/sim/summary.h"

#include <system_error>

#include "platform/win_codes.h"

namespace fs = std::filesystem;

namespace zr::sim {

std::string WindowsName(const VersionRecord& v) {
  if (v.platformId == win::kPlatformWindows9x && v.major == 4) {
    if (v.minor == 0) return "Windows 95";
    if (v.minor == 10) return "Windows 98";
    if (v.minor == 90) return "Windows Me";
  }
  if (v.platformId == win::kPlatformWindowsNt) {
    if (v.major == 4) return "Windows NT 4.0";
    if (v.major == 5 && v.minor == 0) return "Windows 2000";
    if (v.major == 5 && v.minor == 1) return "Windows XP";
    if (v.major == 5 && v.minor == 2) return "Windows Server 2003";
  }
  if (v.platformId == win::kPlatformWin32s) return "Win32s";
  return "Windows " + std::to_string(v.major) + "." + std::to_string(v.minor);
}

MachineSummary Summarise(const SimMachine& machine) {
  MachineSummary summary;
  summary.windowsName = WindowsName(machine.Config().version);
  summary.keys = machine.Tree().Root().CountKeys() - 1;
  summary.values = machine.Tree().Root().CountValues();
  summary.protectedKeys = machine.Config().protectedKeys.size();
  std::error_code ec;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const fs::path drive = machine.Folder() / (std::string("drive_") + letter);
    if (!fs::is_directory(drive, ec)) continue;
    DriveSummary d;
    d.letter = static_cast<char>(letter - 'a' + 'A');
    for (auto it = fs::recursive_directory_iterator(drive, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      if (it->is_symlink(ec)) continue;
      if (it->is_directory(ec)) {
        ++d.folders;
      } else if (it->is_regular_file(ec)) {
        ++d.files;
        d.bytes += it->file_size(ec);
      }
    }
    summary.drives.push_back(d);
  }
  return summary;
}

}  // namespace zr::sim
