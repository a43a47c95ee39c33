// The engine's side of the work file: the three profile calls on
// m_szWorkFile with the defaults every reader uses.
#include "engine/reg_edit.h"

#include "platform/win_codes.h"

namespace zr {

Text260 CRegEdit::ReadWorkText(std::string_view section, std::string_view key) {
  Text260 text;
  if (workFileUsable_) text = workFile_->GetString(section, key, "", Text260::Capacity());
  return text;
}

int CRegEdit::ReadWorkInt(std::string_view section, std::string_view key) {
  return workFileUsable_ ? static_cast<int>(workFile_->GetInt(section, key, 0)) : 0;
}

void CRegEdit::WriteWorkText(std::string_view section, std::string_view key, std::string_view value) {
  if (workFileUsable_ && !workFile_->WriteString(section, key, value)) WorkFileFailed();
}

bool CRegEdit::ReadWorkFileBytes(std::vector<std::uint8_t>& bytes) {
  return platform_.Files().ReadWholeFile(m_szWorkFile.view(), bytes) == win::kSuccess;
}

void CRegEdit::WriteWorkNumber(std::string_view section, std::string_view key, int value) {
  m_szNumber.Format("%d", value);
  WriteWorkText(section, key, m_szNumber.view());
}

void CRegEdit::WorkFileFailed() {
  workFileUsable_ = false;
  workFile_->Invalidate();
}

}  // namespace zr
