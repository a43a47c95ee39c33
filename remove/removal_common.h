// Shared by the removal routines (see removal_common.cpp).
#pragma once

#include "detect/text_match.h"
#include "engine/reg_edit.h"
#include "platform/win_codes.h"

namespace zr {

// True for "<class>\<instance>": two non-empty names and one backslash.
bool IsInstanceName(std::string_view name, unsigned codePage);

template <typename Visit>
void CRegEdit::ForEachMatchingClassKey(std::string_view classPath, std::string_view valueName, std::size_t offset,
                                       std::string_view prefix, Visit visit, bool* unsure) {
  const std::string parent(classPath);
  FixedText<8> instance;
  for (int n = 0; n < 256; ++n) {
    instance.Format("%04d", n);
    if (!m_aszKeyPath[1].Format("%s\\%s", parent.c_str(), instance.c_str())) continue;
    int result = 0;
    const Text260 value = ReadRegistryText(m_aszKeyPath[1].view(), valueName, &result);
    if (unsure != nullptr && result <= 0 && lastReadResult_ != win::kFileNotFound && lastReadResult_ != win::kMoreData)
      *unsure = true;
    // A value no longer than the skipped characters never matches.
    if (result > 0 && value.size() > offset && StartsWithIgnoringCase(value.view().substr(offset), prefix))
      visit(instance.view(), value.view());
  }
}

}  // namespace zr
