// Staging the missing driver sets: INF files into the Windows inf folder,
// driver binaries into the system folders, each copy recorded first in the
// work file's copy_file section under its fixed row number.
#include "engine/reg_edit.h"

namespace zr {
namespace {

enum class Folder { Windows, System, System32, Source, LanSource };

struct StagingRow {
  int version;  // m_nWinVersion: 3 98, 4 Me, 6 2000, 7 XP
  int planBit;
  int number;   // N of dst_N / src_N
  Folder dstFolder;
  const char* dstFormat;  // one %s: the folder
  Folder srcFolder;
  const char* srcFormat;
};

constexpr StagingRow kRows[] = {
    {3, 0x001, 1, Folder::Windows, "%s\\inf\\tvkusb5.inf", Folder::Source, "%s\\tvkusb5.auto"},
    {3, 0x001, 2, Folder::Windows, "%s\\inf\\mdmtvk5u.inf", Folder::Source, "%s\\mdmtvk5u.auto"},
    {3, 0x001, 3, Folder::System, "%s\\sysfser.sys", Folder::Source, "%s\\sysfser.sys"},
    {3, 0x001, 4, Folder::System, "%s\\sysfser.dll", Folder::Source, "%s\\sysfser.dll"},
    {3, 0x001, 5, Folder::System, "%s\\sysfport.vxd", Folder::Source, "%s\\sysfport.vxd"},
    {3, 0x001, 6, Folder::System, "%s\\sysfmapr.sys", Folder::Source, "%s\\sysfmapr.sys"},
    {3, 0x002, 7, Folder::Windows, "%s\\inf\\tvkndis3.inf", Folder::LanSource, "%s\\tvkndis3.auto"},
    {3, 0x002, 8, Folder::System32, "%s\\drivers\\tvkndis.sys", Folder::LanSource, "%s\\tvkndis.sys"},
    {4, 0x001, 1, Folder::Windows, "%s\\inf\\tvkusb5.inf", Folder::Source, "%s\\tvkusb5.auto"},
    {4, 0x001, 2, Folder::Windows, "%s\\inf\\mdmtvk5u.inf", Folder::Source, "%s\\mdmtvk5u.auto"},
    {4, 0x002, 3, Folder::Windows, "%s\\inf\\tvkndis3.inf", Folder::LanSource, "%s\\tvkndis3.auto"},
    {4, 0x002, 4, Folder::System32, "%s\\drivers\\tvkndis.sys", Folder::LanSource, "%s\\tvkndis.sys"},
    {6, 0x100, 1, Folder::Windows, "%s\\inf\\mdmtvk5u.inf", Folder::Source, "%s\\mdmtvk5u.auto"},
    {6, 0x200, 2, Folder::Windows, "%s\\inf\\tvkndis3.inf", Folder::LanSource, "%s\\tvkndis3.auto"},
    {6, 0x200, 3, Folder::System32, "%s\\drivers\\tvkndis.sys", Folder::LanSource, "%s\\tvkndis.sys"},
    {7, 0x100, 1, Folder::Windows, "%s\\inf\\mdmtvk5u.inf", Folder::Source, "%s\\mdmtvk5u.auto"},
    {7, 0x200, 2, Folder::Windows, "%s\\inf\\tvkndis3.inf", Folder::LanSource, "%s\\tvkndis3.auto"},
    {7, 0x200, 3, Folder::System32, "%s\\drivers\\tvkndis.sys", Folder::LanSource, "%s\\tvkndis.sys"},
};

}  // namespace

int CRegEdit::CopyDriverFiles(int nPlan) {
  WorkFileBatch batch(*this);
  auto folder = [this](Folder f) -> const char* {
    switch (f) {
      case Folder::Windows: return m_szWinDir.c_str();
      case Folder::System: return m_szSysDir.c_str();
      case Folder::System32: return m_szSys32Dir.c_str();
      case Folder::Source: return m_szSrcDir.c_str();
      case Folder::LanSource: return m_szLanSrcDir.c_str();
    }
    return "";
  };
  Text260 key;
  for (const StagingRow& row : kRows) {
    if (row.version != m_nWinVersion || (nPlan & row.planBit) == 0) continue;
    const bool dstFits = m_szCopyDst.Format(row.dstFormat, folder(row.dstFolder));
    key.Format("dst_%d", row.number);
    WriteWorkText("copy_file", key.view(), m_szCopyDst.view());
    const bool srcFits = m_szCopySrc.Format(row.srcFormat, folder(row.srcFolder));
    key.Format("src_%d", row.number);
    WriteWorkText("copy_file", key.view(), m_szCopySrc.view());
    // A path cut short would name another file: such a row is not copied.
    if (dstFits && srcFits) platform_.Files().CopyFile(m_szCopySrc.view(), m_szCopyDst.view(), false);
  }
  return 1;
}

}  // namespace zr
