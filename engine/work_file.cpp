// The engine's side of the work file: the three profile calls on
// m_szWorkFile with the defaults every reader uses.
#include "engine/reg_edit.h"

#include "platform/win_codes.h"

namespace zr {

// A work file that could not be read holds what the run recorded, but the
// store does not: nothing read from it, or written over it, can be trusted.
Text260 CRegEdit::ReadWorkText(std::string_view section, std::string_view key) {
  Text260 text;
  if (workFileUsable_) text = workFile_->GetString(section, key, "", Text260::Capacity());
  if (workFileUsable_ && workFile_->ReadFailed()) WorkFileFailed();
  return workFileUsable_ ? text : Text260();
}

int CRegEdit::ReadWorkInt(std::string_view section, std::string_view key) {
  const int value = workFileUsable_ ? static_cast<int>(workFile_->GetInt(section, key, 0)) : 0;
  if (workFileUsable_ && workFile_->ReadFailed()) WorkFileFailed();
  return workFileUsable_ ? value : 0;
}

void CRegEdit::WriteWorkText(std::string_view section, std::string_view key, std::string_view value) {
  if (workFileUsable_ && (!workFile_->WriteString(section, key, value) || workFile_->ReadFailed())) WorkFileFailed();
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
