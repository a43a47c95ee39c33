#include "wizard/page2.h"

#include <cstring>
#include <vector>

#include "res/control_ids.h"

namespace zr {

bool CPage2::OnSetActive() {
  PostButtons(kButtonBack | kButtonNext);
  CRegEdit& engine = Engine();
  std::vector<std::uint8_t> bytes;
  if (engine.ReadWorkFileBytes(bytes)) {
    m_nDataLen = static_cast<std::uint32_t>(bytes.size());
    // The text ends at the first zero byte.
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    m_strText = FromEngineText(engine, std::string_view(data, strnlen(data, bytes.size())));
  } else {
    m_strText = "no data";
  }
  UpdateData(false);
  return true;
}

void CPage2::DoDataExchange(DataExchange& dx) { dx.Text(res::kIdDebugText, m_strText, kTextLimit); }

}  // namespace zr
