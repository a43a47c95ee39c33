// The engine's life: construction, its folders and work file, the Windows
// version decision, and destruction.
#include "engine/reg_edit.h"

#include <cstring>

#include "engine/split_path.h"
#include "engine/windows_version.h"
#include "platform/text/codepage.h"
#include "platform/win_codes.h"

namespace zr {

namespace {

constexpr char kWorkFileName[] = "\\tvk_temp.dat";

struct VersionRow {
  std::uint32_t major;
  int platform;      // -1: any
  int minor;         // -1: any
  const char* name;  // UTF-8 with one %s; nullptr: as constructed
  int kind;          // kKeep: as constructed
  int version;
  const char* folder;  // nullptr: none
};

// Searched top down; the first row whose major, platform and minor match
// decides. The rows with platform or minor -1 close each group.
constexpr int kKeep = -1;  // the kind as constructed
constexpr VersionRow kVersionTable[] = {
    {3, 0, -1, "Windows 3.1 (%s)", kKeep, kWinVersion3x, nullptr},
    {3, 2, -1, "Windows NT3.51 (%s)", kKeep, kWinVersion3x, nullptr},
    {3, -1, -1, nullptr, kKeep, kWinVersion3x, nullptr},
    {4, 1, 0, "Windows 95 (%s)", kWinKind9x, kWinVersion95, nullptr},
    {4, 1, 10, "Windows 98 (%s)", kWinKind9x, kWinVersion98, "Win98"},
    {4, 1, 90, "Windows Me (%s)", kWinKind9x, kWinVersionMe, "WinMe"},
    {4, 1, -1, "Windows ? (%s)", kKeep, kWinVersionOther, nullptr},
    {4, 2, -1, "Windows NT4.0 (%s)", kWinKindNt4, kWinVersionNt4, nullptr},
    {4, -1, -1, nullptr, kKeep, kWinVersionOther, nullptr},
    {5, 2, 0, "Windows 2000 (%s)", kWinKindNt, kWinVersion2000, "WinXp"},
    {5, 2, 1, "Windows XP (%s)", kWinKindNt, kWinVersionXp, "WinXp"},
    {5, 2, -1, "Windows ? (%s)", kKeep, kWinVersionOther, nullptr},
    {5, -1, -1, nullptr, kKeep, kWinVersionOther, nullptr},
};
constexpr char kUnsupported[] = "未サポート (%s)";

const VersionRow* FindRow(const OsVersionInfo& v) {
  for (const VersionRow& row : kVersionTable) {
    if (row.major != v.dwMajorVersion) continue;
    if (row.platform >= 0 && static_cast<std::uint32_t>(row.platform) != v.dwPlatformId) continue;
    if (row.minor >= 0 && static_cast<std::uint32_t>(row.minor) != v.dwMinorVersion) continue;
    return &row;
  }
  return nullptr;
}

}  // namespace

CRegEdit::CRegEdit(IPlatform& platform) : platform_(platform) {
  InitPaths();
  workFile_.emplace(platform_.Files(), std::string(m_szWorkFile.view()), platform_.System().AnsiCodePage());
  // A work file that an earlier run left behind would be read as current and
  // could steer deletions to keys that now belong to other devices: it goes,
  // read-only or not, and when anything of that name is still there
  // afterwards (a folder, a file that cannot be deleted, or an answer that
  // does not say it is gone) the work file is not used in this run.
  DeleteFileForce(std::string(m_szWorkFile.view()));
  workFile_->Invalidate();
  std::uint32_t error = 0;
  if (platform_.Files().GetAttributes(m_szWorkFile.view(), error) != win::kInvalidFileAttributes ||
      (error != win::kFileNotFound && error != win::kPathNotFound))
    workFileUsable_ = false;
}

CRegEdit::~CRegEdit() { DeleteWorkFile(); }

void CRegEdit::InitPaths() {
  ISystemInfo& system = platform_.System();
  m_szWinDir = system.WindowsDirectory();
  m_szSys32Dir.Format("%s\\%s", m_szWinDir.c_str(), "system32");
  m_szSysDir = system.SystemDirectory();
  m_szWorkFile = system.WindowsDirectory();
  const std::string workFile = std::string(m_szWorkFile.view()) + kWorkFileName;
  m_szWorkFile = workFile;
}

int CRegEdit::CheckWindowsVersion() {
  m_szCurDir = platform_.System().CurrentDirectory();
  Text260 full;
  full.Format("%s\\%s.%s", m_szCurDir.c_str(), "fname", "ext");
  const PathParts parts = SplitWindowsPath(full.view());
  m_szCurDrive = parts.drive;
  m_szCurFname = parts.fname;
  m_szCurExt = parts.ext;
  // The folder part loses its leading and trailing separator.
  if (parts.dir.size() < 2)
    m_szCurPath.Clear();
  else
    m_szCurPath = std::string_view(parts.dir).substr(1, parts.dir.size() - 2);

  VersionRecord record;
  m_osvi.dwOSVersionInfoSize = sizeof(OsVersionInfo);
  if (platform_.System().GetVersion(record)) {
    m_osvi.dwMajorVersion = record.major;
    m_osvi.dwMinorVersion = record.minor;
    m_osvi.dwBuildNumber = record.build;
    m_osvi.dwPlatformId = record.platformId;
    FixedText<128> csd;
    csd = record.csd;
    std::memcpy(m_osvi.szCSDVersion, csd.c_str(), csd.size() + 1);
  }
  m_szOsVer.Format("%d.%d.%d / %d", static_cast<int>(m_osvi.dwMajorVersion), static_cast<int>(m_osvi.dwMinorVersion),
                   static_cast<int>(m_osvi.dwBuildNumber & 0xFFFF), static_cast<int>(m_osvi.dwPlatformId));
  m_szSrcDir.Clear();
  m_szLanSrcDir.Clear();
  m_nWinVersion = kWinVersionOther;

  const VersionRow* row = FindRow(m_osvi);
  const char* name = row ? row->name : kUnsupported;
  if (name != nullptr) {
    const std::string format = text::FromUtf8(name, platform_.System().AnsiCodePage());
    // The only conversion in the format is the one %s; a name from the table
    // carries no other '%'.
    const std::size_t at = format.find("%s");
    m_szOsName = format.substr(0, at) + std::string(m_szOsVer.view()) + format.substr(at + 2);
  }
  if (row != nullptr) {
    if (row->kind != kKeep) m_nWinKind = row->kind;
    m_nWinVersion = row->version;
    if (row->folder != nullptr) {
      if (!m_szCurPath.empty()) {
        m_szSrcDir.Format("%s\\%s\\%s", m_szCurDrive.c_str(), m_szCurPath.c_str(), row->folder);
        m_szLanSrcDir.Format("%s\\%s\\%s", m_szCurDrive.c_str(), m_szCurPath.c_str(), "USB-Lan");
      } else {
        m_szSrcDir.Format("%s\\%s", m_szCurDrive.c_str(), row->folder);
        m_szLanSrcDir.Format("%s\\%s", m_szCurDrive.c_str(), "USB-Lan");
      }
    }
  }
  return 1;
}

int CRegEdit::DeleteWorkFile() {
  workFile_->Invalidate();
  return platform_.Files().DeleteFile(m_szWorkFile.view()) == 0 ? 1 : 0;
}

}  // namespace zr
