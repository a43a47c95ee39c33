// The OEM INF scan of both detections on NT: Setup copies a driver's INF to
// the next free oem<N>.inf, so the files of the device's drivers are found
// by what they say, not by their names.
#include "detect/inf_search.h"
#include "engine/reg_edit.h"

namespace zr {
namespace {

constexpr int kOemInfs = 256;

}  // namespace

bool CRegEdit::ListOemInfsNaming(std::string_view text, std::array<std::string, kInfTable>& table, int& count) {
  bool found = false;
  IFiles& files = platform_.Files();
  for (int n = 0; n < kOemInfs; ++n) {
    if (!m_szFilePath.Format("%s\\inf\\oem%d.inf", m_szWinDir.c_str(), n)) continue;
    if (!InfNamesText(files, m_szFilePath.view(), text)) continue;
    AppendInf(table, count, m_szFilePath.view());
    // Its PNF goes too, whether or not Setup has made one yet.
    m_szFilePath.Format("%s\\inf\\oem%d.pnf", m_szWinDir.c_str(), n);
    AppendInf(table, count, m_szFilePath.view());
    found = true;
  }
  return found;
}

}  // namespace zr
