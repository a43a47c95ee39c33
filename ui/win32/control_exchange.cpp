#include "ui/win32/control_exchange.h"

#include <vector>

namespace zr::win32ui {
namespace {

bool IsRadioButton(HWND control) { return (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0; }

bool StartsGroup(HWND control) { return (GetWindowLongA(control, GWL_STYLE) & WS_GROUP) != 0; }

std::vector<HWND> RadioGroup(HWND page, int firstId) {
  std::vector<HWND> group;
  HWND control = GetDlgItem(page, firstId);
  while (control != nullptr && IsRadioButton(control) && (group.empty() || !StartsGroup(control))) {
    group.push_back(control);
    control = GetWindow(control, GW_HWNDNEXT);
  }
  return group;
}

}  // namespace

void ControlExchange::Text(int id, std::string& member, std::size_t limit) {
  if (Saving())
    member = CutToCharacters(text_.ItemText(page_, id), limit);
  else
    text_.SetItemText(page_, id, CutToCharacters(member, limit));
}

void ControlExchange::Check(int id, int& member) {
  if (Saving())
    member = IsDlgButtonChecked(page_, id) == BST_CHECKED ? 1 : 0;
  else
    CheckDlgButton(page_, id, member == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void ControlExchange::Radio(int firstId, int& member) {
  const std::vector<HWND> group = RadioGroup(page_, firstId);
  if (Saving()) {
    member = -1;
    for (std::size_t i = 0; i < group.size(); ++i)
      if (SendMessageA(group[i], BM_GETCHECK, 0, 0) == BST_CHECKED) member = static_cast<int>(i);
    return;
  }
  for (std::size_t i = 0; i < group.size(); ++i)
    SendMessageA(group[i], BM_SETCHECK, static_cast<int>(i) == member ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace zr::win32ui
