// Staging the missing driver sets: INF files into the Windows inf folder,
// driver binaries into the system folders, each copy recorded first in the
// work file's copy_file section under its fixed row number.
#include "engine/reg_edit.h"
#include "engine/windows_version.h"
#include "wizard/install/install_plan.h"

namespace zr {
namespace {

using install::kLanSet9x;
using install::kLanSetNt;
using install::kModemSet9x;
using install::kModemSetNt;

enum class Folder { Windows, System, System32, Source, LanSource };

struct StagingRow {
  int version;  // m_nWinVersion
  int planBit;
  int number;  // N of dst_N / src_N
  Folder dstFolder;
  const char* dstFormat;  // one %s: the folder
  Folder srcFolder;
  const char* srcFormat;
};

constexpr StagingRow kRows[] = {
    {kWinVersion98, kModemSet9x, 1, Folder::Windows, "%s\\inf\\tvkusb5.inf", Folder::Source, "%s\\tvkusb5.auto"},
    {kWinVersion98, kModemSet9x, 2, Folder::Windows, "%s\\inf\\mdmtvk5u.inf", Folder::Source, "%s\\mdmtvk5u.auto"},
    {kWinVersion98, kModemSet9x, 3, Folder::System, "%s\\sysfser.sys", Folder::Source, "%s\\sysfser.sys"},
    {kWinVersion98, kModemSet9x, 4, Folder::System, "%s\\sysfser.dll", Folder::Source, "%s\\sysfser.dll"},
    {kWinVersion98, kModemSet9x, 5, Folder::System, "%s\\sysfport.vxd", Folder::Source, "%s\\sysfport.vxd"},
    {kWinVersion98, kModemSet9x, 6, Folder::System, "%s\\sysfmapr.sys", Folder::Source, "%s\\sysfmapr.sys"},
    {kWinVersion98, kLanSet9x, 7, Folder::Windows, "%s\\inf\\tvkndis3.inf", Folder::LanSource, "%s\\tvkndis3.auto"},
    {kWinVersion98, kLanSet9x, 8, Folder::System32, "%s\\drivers\\tvkndis.sys", Folder::LanSource, "%s\\tvkndis.sys"},
    {kWinVersionMe, kModemSet9x, 1, Folder::Windows, "%s\\inf\\tvkusb5.inf", Folder::Source, "%s\\tvkusb5.auto"},
    {kWinVersionMe, kModemSet9x, 2, Folder::Windows, "%s\\inf\\mdmtvk5u.inf", Folder::Source, "%s\\mdmtvk5u.auto"},
    {kWinVersionMe, kLanSet9x, 3, Folder::Windows, "%s\\inf\\tvkndis3.inf", Folder::LanSource, "%s\\tvkndis3.auto"},
    {kWinVersionMe, kLanSet9x, 4, Folder::System32, "%s\\drivers\\tvkndis.sys", Folder::LanSource, "%s\\tvkndis.sys"},
    {kWinVersion2000, kModemSetNt, 1, Folder::Windows, "%s\\inf\\mdmtvk5u.inf", Folder::Source, "%s\\mdmtvk5u.auto"},
    {kWinVersion2000, kLanSetNt, 2, Folder::Windows, "%s\\inf\\tvkndis3.inf", Folder::LanSource, "%s\\tvkndis3.auto"},
    {kWinVersion2000, kLanSetNt, 3, Folder::System32, "%s\\drivers\\tvkndis.sys", Folder::LanSource, "%s\\tvkndis.sys"},
    {kWinVersionXp, kModemSetNt, 1, Folder::Windows, "%s\\inf\\mdmtvk5u.inf", Folder::Source, "%s\\mdmtvk5u.auto"},
    {kWinVersionXp, kLanSetNt, 2, Folder::Windows, "%s\\inf\\tvkndis3.inf", Folder::LanSource, "%s\\tvkndis3.auto"},
    {kWinVersionXp, kLanSetNt, 3, Folder::System32, "%s\\drivers\\tvkndis.sys", Folder::LanSource, "%s\\tvkndis.sys"},
};

}  // namespace

int CRegEdit::CopyDriverFiles(int nPlan) {
  WorkFileBatch batch(*this);
  auto folder = [this](Folder f) -> const char* {
    switch (f) {
      case Folder::Windows:
        return m_szWinDir.c_str();
      case Folder::System:
        return m_szSysDir.c_str();
      case Folder::System32:
        return m_szSys32Dir.c_str();
      case Folder::Source:
        return m_szSrcDir.c_str();
      case Folder::LanSource:
        return m_szLanSrcDir.c_str();
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
