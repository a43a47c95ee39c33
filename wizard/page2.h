// The debug-information page: the work file's raw text, read afresh on
// every display.
#pragma once

#include "res/control_ids.h"
#include "wizard/page.h"

namespace zr {

class CPage2 final : public CPage {
 public:
  // The text box takes at most this many characters; a longer work file is
  // shown cut, so that the page can always be left.
  static constexpr std::size_t kTextLimit = 40960;

  explicit CPage2(CRegEdit& engine) : CPage(res::kDialogDebug, "CPage2", engine) {}

  bool OnSetActive() override;
  void DoDataExchange(DataExchange& dx) override;

  std::string m_strText;
  std::uint32_t m_nDataLen = 0;
};

}  // namespace zr
