// Walking the USB instances recorded in the work file: roots from 0 until the
// first whose index reads 0, instances likewise, at most 128 of each.
#pragma once

#include "engine/reg_edit.h"

namespace zr {

template <typename Visit>
void CRegEdit::ForEachRecordedInstance(Visit visit) {
  Text260 key;
  for (int r = 0; r < 128; ++r) {
    m_szSection.Format("usb_root%d", r);
    if (ReadWorkInt(m_szSection.view(), "index") == 0) break;
    for (int d = 0; d < 128; ++d) {
      key.Format("usb_device%d_index", d);
      if (ReadWorkInt(m_szSection.view(), key.view()) == 0) break;
      visit(r, d);
      // The visit may have used the section buffer for other sections.
      m_szSection.Format("usb_root%d", r);
    }
  }
}

}  // namespace zr
